#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BangMaUtils.h"
#include "ChuyenMa.h"
#include "Commands.h"
#include "Utils.h"
#include "VanBanUtils.h"

namespace {

const char* kConvertUsage =
    "usage: lirano convert --from NAME --to NAME [--lower | --upper] [--strip-marks]\n"
    "                      [--prefer-upper] [--threshold R] [--utf8] [-o OUTPUT] [FILE | -]\n"
    "  Converts FILE (or standard input) from one charset to another and writes\n"
    "  OUTPUT (or standard output). --from auto detects the source charset: the\n"
    "  text is Unicode when a share R (default 0.7) of its words are Vietnamese\n"
    "  words as it stands, else in the charset whose reading has the most.\n"
    "  Unicode charsets are read and written as UTF-8; the legacy ones as raw\n"
    "  bytes, or with --utf8 as UTF-8 text (with a byte-order mark on output).\n"
    "  `lirano charsets` lists the names.\n";

const char* kDetectUsage =
    "usage: lirano detect [--threshold R] [--utf8] [FILE | -]\n"
    "  Prints the name of the charset FILE (or standard input) is written in\n"
    "  (see --from auto in `lirano convert --help`).\n";

// Failures that end the command with status 2 and one line on stderr.
struct Failure {
    std::string message;
};

struct Options {
    std::string from, to, output, input = "-";
    bool haveInput = false, lower = false, upper = false, stripMarks = false, preferUpper = false, utf8 = false;
    double threshold = 0.7;
};

std::string Narrow(const std::wstring& s) { return VanBanUtils::EncodeUtf8(s); }

double ParseThreshold(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    double r = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(r) || r < 0 || r > 1)
        throw Failure{"--threshold wants a number from 0 to 1, not '" + text + "'"};
    return r;
}

// Parses the arguments of both commands; `convert` allows its own options.
Options Parse(const std::vector<std::string>& args, bool convert, bool& help)
{
    Options o;
    help = false;
    bool optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i];
        std::string value;
        bool inlineValue = false;
        if (!optionsDone && a.rfind("--", 0) == 0 && a.find('=') != std::string::npos) {
            value = a.substr(a.find('=') + 1);
            a = a.substr(0, a.find('='));
            inlineValue = true;
        }
        auto takeValue = [&]() -> std::string {
            if (inlineValue) return value;
            if (i + 1 >= args.size()) throw Failure{"option " + a + " needs a value"};
            return args[++i];
        };
        auto noValue = [&]() {
            if (inlineValue) throw Failure{"option " + a + " takes no value"};
        };
        if (optionsDone || a == "-" || a.empty() || a[0] != '-') {
            if (o.haveInput) throw Failure{"only one input file may be given"};
            o.input = args[i];
            o.haveInput = true;
        } else if (a == "--") {
            noValue();
            optionsDone = true;
        } else if (a == "--help" || a == "-h") {
            help = true;
        } else if (a == "--threshold") {
            o.threshold = ParseThreshold(takeValue());
        } else if (a == "--utf8") {
            noValue();
            o.utf8 = true;
        } else if (convert && a == "--from") {
            o.from = takeValue();
        } else if (convert && a == "--to") {
            o.to = takeValue();
        } else if (convert && (a == "-o" || a == "--output")) {
            o.output = takeValue();
        } else if (convert && a == "--lower") {
            noValue();
            o.lower = true;
        } else if (convert && a == "--upper") {
            noValue();
            o.upper = true;
        } else if (convert && a == "--strip-marks") {
            noValue();
            o.stripMarks = true;
        } else if (convert && a == "--prefer-upper") {
            noValue();
            o.preferUpper = true;
        } else {
            throw Failure{"unknown option '" + args[i] + "'"};
        }
    }
    if (convert && !help) {
        if (o.from.empty()) throw Failure{"--from NAME is missing (or --from auto)"};
        if (o.to.empty()) throw Failure{"--to NAME is missing"};
        if (o.lower && o.upper) throw Failure{"--lower and --upper exclude each other"};
    }
    return o;
}

std::wstring Folded(const std::wstring& s) { return Utils::ToLower(s); }

// A charset name as listed by `lirano charsets`; letter case may differ
// when that leaves only one candidate.
std::wstring Charset(const std::string& arg)
{
    std::wstring name;
    if (!VanBanUtils::DecodeUtf8(arg, name)) throw Failure{"charset name '" + arg + "' is not UTF-8"};
    std::vector<std::wstring> all = BangMaUtils::LayTenTatCaBangMa();
    for (const std::wstring& n : all)
        if (n == name) return n;
    std::wstring found;
    int count = 0;
    for (const std::wstring& n : all)
        if (Folded(n) == Folded(name) && n != found) {
            found = n;
            ++count;
        }
    if (count == 1) return found;
    std::string known;
    for (const std::wstring& n : all) known += (known.empty() ? "" : ", ") + Narrow(n);
    throw Failure{"unknown charset '" + arg + "' (known: " + known + ")"};
}

std::string ReadInput(const std::string& input)
{
    std::string bytes, error;
    if (input != "-") {
        if (!VanBanUtils::ReadFile(input, bytes, error)) throw Failure{error};
        return bytes;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(0, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw Failure{std::string("cannot read standard input: ") + std::strerror(errno)};
        if (n == 0) break;
        bytes.append(buf, (size_t)n);
    }
    return bytes;
}

std::wstring DecodeStrict(const std::string& bytes, const std::string& input)
{
    size_t skip = VanBanUtils::HasBom(bytes) ? 3 : 0;
    std::wstring text;
    size_t bad = 0;
    if (!VanBanUtils::DecodeUtf8(bytes.data() + skip, bytes.size() - skip, text, &bad))
        throw Failure{(input == "-" ? std::string("standard input") : "'" + input + "'") +
                      " is not valid UTF-8 (byte " + std::to_string(bad + skip) + ")"};
    return text;
}

// Text in a legacy charset: raw bytes, or its UTF-8 form. A byte-order mark
// followed by valid UTF-8 marks the UTF-8 form (the converter window writes
// it so) even without --utf8.
std::wstring ReadLegacy(const std::string& bytes, const std::string& input, bool utf8)
{
    if (utf8) return DecodeStrict(bytes, input);
    std::wstring text;
    if (VanBanUtils::HasBom(bytes) && VanBanUtils::DecodeUtf8(bytes.data() + 3, bytes.size() - 3, text))
        return text;
    return VanBanUtils::FromBytes(bytes);
}

std::wstring ReadAs(const std::string& bytes, const std::string& input, const std::wstring& charset, bool utf8)
{
    if (BangMaUtils::LaBangMaUnicode(charset)) return DecodeStrict(bytes, input);
    return ReadLegacy(bytes, input, utf8);
}

// Text of unknown charset: UTF-8 when it is valid UTF-8, else raw bytes.
std::wstring ReadUnknown(const std::string& bytes, const std::string& input, bool utf8)
{
    if (utf8) return DecodeStrict(bytes, input);
    return VanBanUtils::ReadText(bytes);
}

std::string Encode(const std::wstring& text, const std::wstring& charset, bool utf8)
{
    if (BangMaUtils::LaBangMaUnicode(charset)) return VanBanUtils::EncodeUtf8(text);
    if (utf8) return "\xEF\xBB\xBF" + VanBanUtils::EncodeUtf8(text);
    std::string bytes;
    size_t bad = 0;
    if (!VanBanUtils::ToBytes(text, bytes, &bad)) {
        size_t line = 1;
        for (size_t i = 0; i < bad; ++i)
            if (text[i] == L'\n') ++line;
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", (unsigned)text[bad]);
        throw Failure{std::string("character ") + code + " on line " + std::to_string(line) + " has no byte form in " +
                      Narrow(charset) + " (--utf8 writes the text as UTF-8)"};
    }
    return bytes;
}

void WriteOutput(const std::string& output, const std::string& bytes)
{
    if (output.empty() || output == "-") {
        size_t done = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        if (done != bytes.size() || std::fflush(stdout) != 0)
            throw Failure{std::string("cannot write standard output: ") + std::strerror(errno)};
        return;
    }
    std::string error;
    if (!VanBanUtils::WriteFileAtomic(output, bytes, error)) throw Failure{error};
}

// The share of Vietnamese words of the text read in `charset`, as
// detection measures it.
double Ratio(const std::wstring& text, const std::wstring& charset)
{
    if (charset == BangMaUtils::Unicode) return CChuyenMa::TinhTiLeTuTV(text);
    return CChuyenMa::TinhTiLeTuTV(
        CChuyenMa::ConvertCore(text, BangMaUtils::TaoBangMaNguoc(BangMaUtils::LayBangMa(charset), true)));
}

// `convert` always says what it found; `detect` prints the name on
// standard output and speaks on stderr only for a mere best guess.
std::wstring Detect(const std::wstring& text, double threshold, const char* command, bool report)
{
    CChuyenMa cm;
    cm.TiLeChinhXac = threshold;
    std::wstring name = cm.DetectBangMa(text);
    double ratio = Ratio(text, name);
    if (!report && ratio >= threshold) return name;
    std::fprintf(stderr, "lirano %s: detected charset %s (%.0f%% of the words Vietnamese)%s\n", command,
                 Narrow(name).c_str(), ratio * 100,
                 ratio >= threshold ? "" : "; no charset reached the threshold, this is the best guess");
    return name;
}

int Fail(const char* command, const std::string& message, bool usage)
{
    std::fprintf(stderr, "lirano %s: %s\n", command, message.c_str());
    if (usage) std::fputs(std::strcmp(command, "convert") == 0 ? kConvertUsage : kDetectUsage, stderr);
    return 2;
}

} // namespace

int RunConvert(const std::vector<std::string>& args)
{
    Options o;
    try {
        bool help;
        o = Parse(args, true, help);
        if (help) {
            std::fputs(kConvertUsage, stdout);
            return 0;
        }
    } catch (const Failure& f) {
        return Fail("convert", f.message, true);
    }
    try {
        bool autoDetect = o.from == "auto";
        CChuyenMa cm;
        cm.BangMaNguon = autoDetect ? std::wstring() : Charset(o.from);
        cm.BangMaDich = Charset(o.to);
        cm.TiLeChinhXac = o.threshold;
        cm.Flags = o.lower ? ChuyenMaFlags_ToLower : o.upper ? ChuyenMaFlags_ToUpper : ChuyenMaFlags_Normal;
        if (o.stripMarks) cm.Flags |= ChuyenMaFlags_XoaDau;
        if (o.preferUpper) cm.Flags |= ChuyenMaFlags_PreferUpper;

        std::string bytes = ReadInput(o.input);
        std::wstring text;
        if (autoDetect) {
            text = ReadUnknown(bytes, o.input, o.utf8);
            cm.BangMaNguon = Detect(text, o.threshold, "convert", true);
        } else {
            text = ReadAs(bytes, o.input, cm.BangMaNguon, o.utf8);
        }
        WriteOutput(o.output, Encode(cm.Convert(text), cm.BangMaDich, o.utf8));
        return 0;
    } catch (const Failure& f) {
        return Fail("convert", f.message, false);
    } catch (const std::exception& e) {
        return Fail("convert", e.what(), false);
    }
}

int RunDetect(const std::vector<std::string>& args)
{
    Options o;
    try {
        bool help;
        o = Parse(args, false, help);
        if (help) {
            std::fputs(kDetectUsage, stdout);
            return 0;
        }
    } catch (const Failure& f) {
        return Fail("detect", f.message, true);
    }
    try {
        std::wstring text = ReadUnknown(ReadInput(o.input), o.input, o.utf8);
        std::string line = Narrow(Detect(text, o.threshold, "detect", false)) + "\n";
        WriteOutput("-", line);
        return 0;
    } catch (const Failure& f) {
        return Fail("detect", f.message, false);
    } catch (const std::exception& e) {
        return Fail("detect", e.what(), false);
    }
}

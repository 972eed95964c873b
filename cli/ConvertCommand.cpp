#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "convert/ChuyenMa.h"
#include "convert/ChuyenMaStream.h"
#include "convert/VanBanUtils.h"
#include "core/BangMaUtils.h"
#include "core/Utils.h"

namespace {

const char* kConvertUsage =
    "usage: lirano convert --from NAME --to NAME [--lower | --upper] [--strip-marks]\n"
    "                      [--prefer-upper] [--threshold R] [--utf8] [-o OUTPUT] [FILE | -]\n"
    "  Converts FILE (or standard input) from one charset to another and writes\n"
    "  OUTPUT (or standard output). --from auto detects the source charset from\n"
    "  its first MiB: the text is Unicode when a share R (default 0.7) of its\n"
    "  words are Vietnamese words as it stands, else in the charset whose\n"
    "  reading has the most.\n"
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

// How the input is read: Unicode charsets and --utf8 as UTF-8; the legacy
// ones as raw bytes, except that a byte-order mark followed by valid UTF-8
// marks the UTF-8 form (the converter window writes it so). Text of unknown
// charset is UTF-8 when it is valid UTF-8.
TextForm InputForm(ByteInput& input, const std::wstring* charset, bool utf8)
{
    if (utf8 || (charset && BangMaUtils::LaBangMaUnicode(*charset))) return TextForm::Utf8;
    if (charset && input.Peek(3) != "\xEF\xBB\xBF") return TextForm::Bytes;
    return input.IsUtf8() ? TextForm::Utf8 : TextForm::Bytes;
}

// Detection looks at the start only; --utf8 promises all of it.
void RequireUtf8(ByteInput& input)
{
    uint64_t bad = 0;
    if (!input.IsUtf8(&bad)) throw ChuyenMaStreamError(ChuyenMaStreamError::BadUtf8, bad, 0, 0);
}

std::string Message(const ChuyenMaStreamError& e, const ByteInput& input, const std::wstring& charset)
{
    if (e.kind == ChuyenMaStreamError::BadUtf8)
        return input.Name() + " is not valid UTF-8 (byte " + std::to_string(e.offset) + ")";
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", (unsigned)e.unit);
    return std::string("character ") + code + " on line " + std::to_string(e.line) + " has no byte form in " +
           Narrow(charset) + " (--utf8 writes the text as UTF-8)";
}

// Standard output, or a file replaced once all of it is written.
class Output {
public:
    explicit Output(const std::string& path) : path_(path == "-" ? "" : path)
    {
        std::string error;
        if (!path_.empty() && !file_.Open(Utils::ToWString(path_), Utils::SharedFileMode, error)) throw Failure{error};
    }
    void Write(const char* data, size_t size)
    {
        std::string error;
        if (!path_.empty()) {
            if (!file_.Write(data, size, error)) throw Failure{error};
        } else if (size > 0 && std::fwrite(data, 1, size, stdout) != size) {
            StdoutFailed();
        }
    }
    void Commit()
    {
        std::string error;
        if (!path_.empty()) {
            if (!file_.Commit(error)) throw Failure{error};
        } else if (std::fflush(stdout) != 0) {
            StdoutFailed();
        }
    }

private:
    [[noreturn]] static void StdoutFailed()
    {
        throw Failure{std::string("cannot write standard output: ") + std::strerror(errno)};
    }
    std::string path_;
    ReplacingFile file_;
};

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

        ByteInput input(o.input);
        TextForm in = TextForm::Utf8;
        try {
            if (autoDetect) {
                in = InputForm(input, nullptr, o.utf8);
                // The whole text must be UTF-8 before its charset is told.
                if (o.utf8) RequireUtf8(input);
                cm.BangMaNguon = Detect(input.Sample(in, ByteInput::kSample), o.threshold, "convert", true);
            } else {
                in = InputForm(input, &cm.BangMaNguon, o.utf8);
            }
            const bool legacy = !BangMaUtils::LaBangMaUnicode(cm.BangMaDich);
            Output out(o.output);
            // The UTF-8 form of legacy text carries a byte-order mark.
            if (legacy && o.utf8) out.Write("\xEF\xBB\xBF", 3);
            ChuyenMaStream stream(cm, in, legacy && !o.utf8 ? TextForm::Bytes : TextForm::Utf8,
                                  [&out](const char* data, size_t size) { out.Write(data, size); });
            input.ConvertAll(stream);
            out.Commit();
        } catch (const ChuyenMaStreamError& e) {
            throw Failure{Message(e, input, cm.BangMaDich)};
        }
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
        ByteInput input(o.input);
        std::wstring text;
        try {
            TextForm in = InputForm(input, nullptr, o.utf8);
            if (o.utf8) RequireUtf8(input);
            text = input.Sample(in, ByteInput::kSample);
        } catch (const ChuyenMaStreamError& e) {
            throw Failure{Message(e, input, BangMaUtils::Unicode)};
        }
        std::string line = Narrow(Detect(text, o.threshold, "detect", false)) + "\n";
        Output out("-");
        out.Write(line.data(), line.size());
        out.Commit();
        return 0;
    } catch (const Failure& f) {
        return Fail("detect", f.message, false);
    } catch (const std::exception& e) {
        return Fail("detect", e.what(), false);
    }
}

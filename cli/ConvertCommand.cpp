#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
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
    "  `lirano charsets` lists the names.\n"
    "  With -o OUTPUT, when standard output and error are terminals, an input\n"
    "  over 4 MiB shows its progress on standard error: bytes done, of how\n"
    "  many, and the rate. LIRANO_PROGRESS=0 turns it off, =1 shows it whatever\n"
    "  the standard streams are.\n";

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

// One line on standard error, redrawn like pv's as a long input goes
// through: "lirano convert: 12.0 MiB of 48.0 MiB (25%), 96.0 MiB/s". The
// size is left out for a pipe, which shows up once it passed the mark.
class ProgressLine {
public:
    static constexpr uint64_t kLarge = 4u << 20;

    // `total` is -1 when unknown.
    ProgressLine(bool on, int64_t total) : on_(on), total_(total) {}
    // Cut short by an error: the message goes on a line of its own.
    ~ProgressLine()
    {
        if (drawn_) std::fputc('\n', stderr);
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // At most four times a second.
    void Update(uint64_t done)
    {
        if (!Shown(done)) return;
        auto now = Clock::now();
        if (now - last_ < std::chrono::milliseconds(250)) return;
        last_ = now;
        Draw(done);
    }
    // The last figures, and the line ended.
    void End(uint64_t done)
    {
        if (Shown(done)) Draw(done);
        if (drawn_) std::fputc('\n', stderr);
        drawn_ = false;
    }

    // Whether to draw at all: LIRANO_PROGRESS=1 always, =0 never, else when
    // both standard streams are terminals (a script's are not).
    static bool Wanted()
    {
        const char* force = std::getenv("LIRANO_PROGRESS");
        if (force && std::strcmp(force, "1") == 0) return true;
        if (force && std::strcmp(force, "0") == 0) return false;
        return ::isatty(1) && ::isatty(2);
    }

private:
    using Clock = std::chrono::steady_clock;

    bool Shown(uint64_t done) const { return on_ && (done > kLarge || total_ > (int64_t)kLarge); }

    static std::string Amount(double bytes)
    {
        static const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
        size_t u = 0;
        while (bytes >= 1024 && u + 1 < std::size(units)) {
            bytes /= 1024;
            ++u;
        }
        char text[32];
        std::snprintf(text, sizeof text, u == 0 ? "%.0f %s" : "%.1f %s", bytes, units[u]);
        return text;
    }

    void Draw(uint64_t done)
    {
        std::string line = "lirano convert: " + Amount((double)done);
        if (total_ > 0) {
            line += " of " + Amount((double)total_) + " (" +
                    std::to_string(std::min<uint64_t>(done, (uint64_t)total_) * 100 / (uint64_t)total_) + "%)";
        }
        double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        if (seconds > 0) line += ", " + Amount((double)done / seconds) + "/s";
        // Spaces over what a longer line before left.
        size_t width = line.size();
        if (width < width_) line.append(width_ - width, ' ');
        width_ = width;
        std::fputs(("\r" + line).c_str(), stderr);
        std::fflush(stderr);
        drawn_ = true;
    }

    bool on_;
    int64_t total_;
    Clock::time_point start_ = Clock::now(), last_ = start_;
    size_t width_ = 0;
    bool drawn_ = false;
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
            // Only beside an output file: on standard output it would mix
            // with the text.
            const bool toFile = !o.output.empty() && o.output != "-";
            ProgressLine progress(toFile && ProgressLine::Wanted(), input.Size());
            uint64_t done = 0;
            input.ConvertAll(stream, [&](uint64_t n) { progress.Update(done = n); });
            out.Commit();
            progress.End(done);
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

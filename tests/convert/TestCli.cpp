#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <regex>

#include "tests/common/TempDir.h"
#include "tests/convert/ConvertTestUtils.h"

using namespace testutil;

namespace {

struct Result {
    int status = -1;
    std::string out, err;
    long maxResidentKb = 0;
};

// Runs the built `lirano` with the file `input` on its standard input, or
// with `piped` fed through a pipe from it.
Result RunLirano(const std::vector<std::string>& args, const std::string& input, bool piped)
{
    TempDir io;
    int fds[2] = {-1, -1};
    if (piped && pipe(fds) != 0) return {};
    Result r;
    // Spawned, not forked: a forked copy of this process would count in the
    // tool's peak memory.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (piped) {
        posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, 1, io.Path("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, io.Path("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv = {const_cast<char*>(LIRANO_CLI)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, LIRANO_CLI, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (piped) {
        signal(SIGPIPE, SIG_IGN); // a tool that stops reading fails the write instead
        close(fds[0]);
        std::ifstream in(input, std::ios::binary);
        std::vector<char> buf(1 << 16);
        bool open = true;
        while (open && in.read(buf.data(), (std::streamsize)buf.size()).gcount() > 0) {
            size_t size = (size_t)in.gcount();
            for (size_t done = 0; done < size && open;) {
                ssize_t n = write(fds[1], buf.data() + done, size - done);
                open = n > 0; // or the tool gave up reading
                done += open ? (size_t)n : 0;
            }
        }
        close(fds[1]);
    }
    if (spawned != 0) return r;
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    r.maxResidentKb = usage.ru_maxrss;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = ReadBytes(io.Path("out"));
    r.err = ReadBytes(io.Path("err"));
    return r;
}

Result Lirano(const std::vector<std::string>& args, const std::string& input = "")
{
    TempDir d;
    d.Write("in", input);
    return RunLirano(args, d.Path("in"), false);
}

size_t FilesIn(const std::string& folder)
{
    size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) n += e.exists() ? 1 : 0;
    return n;
}

const std::string kBom = "\xEF\xBB\xBF";

// Compared piece by piece, so that this process stays small.
bool SameFiles(const std::string& a, const std::string& b)
{
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    std::vector<char> p(1 << 16), q(1 << 16);
    for (;;) {
        std::streamsize n = x.read(p.data(), (std::streamsize)p.size()).gcount();
        if (y.read(q.data(), (std::streamsize)q.size()).gcount() != n) return false;
        if (n == 0) return x.eof() && y.eof();
        if (std::memcmp(p.data(), q.data(), (size_t)n) != 0) return false;
    }
}

// The file people have for a text in `name`.
std::string FileOf(const std::wstring& text, const std::wstring& name)
{
    std::wstring encoded = Convert(text, BangMaUtils::Unicode, name);
    return BangMaUtils::LaBangMaUnicode(name) ? Utf8(encoded) : Bytes(encoded);
}

} // namespace

TEST(Cli, ConvertsStandardInputToRawBytes)
{
    Result r = Lirano({"convert", "--from", "Unicode", "--to", "VNI Windows"}, Utf8(Paragraphs()));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out == FileOf(Paragraphs(), L"VNI Windows"));
    EXPECT_EQ(r.err, "");
    // "-" is standard input too, and names match without regard to case.
    r = Lirano({"convert", "--from=unicode", "--to=vni windows", "-"}, "Việt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Vie\xE4t");
}

TEST(Cli, RawIconvFileToUtf8File)
{
    TempDir d;
    std::wstring lower = Utils::ToLower(Paragraphs());
    std::string raw;
    ASSERT_TRUE(Iconv("TCVN5712-1", "UTF-8", Utf8(lower), raw));
    d.Write("tcvn3.txt", raw);
    Result r =
        Lirano({"convert", "--from", "TCVN3 (ABC)", "--to", "Unicode", d.Path("tcvn3.txt"), "-o", d.Path("out.txt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(ReadBytes(d.Path("out.txt")) == Utf8(lower)); // whole, and without byte-order mark
    EXPECT_EQ(FilesIn(d.Path("")), 2u);                       // no temporary file left

    // Converting a file onto itself.
    r = Lirano({"convert", "--from", "Unicode", "--to", "VISCII", d.Path("out.txt"), "-o", d.Path("out.txt")});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string viscii;
    ASSERT_TRUE(Iconv("VISCII", "UTF-8", Utf8(lower), viscii));
    EXPECT_TRUE(ReadBytes(d.Path("out.txt")) == viscii);
}

TEST(Cli, AutoDetectsEveryShippedCharsetAndSaysSo)
{
    TempDir d;
    for (const std::wstring& name : Shipped()) {
        SCOPED_TRACE(Utf8(name));
        d.Write("in.txt", FileOf(Paragraphs(), name));
        Result r = Lirano({"convert", "--from", "auto", "--to", "Unicode", "--prefer-upper", d.Path("in.txt")});
        EXPECT_EQ(r.status, 0) << r.err;
        // What the library decodes (VIQR takes "u." at a sentence end for
        // "ụ", TCVN3's shared bytes come back as capitals here), and for
        // the others the paragraphs themselves.
        std::wstring encoded = Convert(Paragraphs(), BangMaUtils::Unicode, name);
        EXPECT_TRUE(r.out == Utf8(Convert(encoded, name, BangMaUtils::Unicode, ChuyenMaFlags_PreferUpper)));
        if (name != L"TCVN3 (ABC)" && name != L"VIQR") EXPECT_TRUE(r.out == Utf8(Paragraphs()));
        EXPECT_NE(r.err.find("detected charset " + Utf8(name) + " ("), std::string::npos) << r.err;

        r = Lirano({"detect", d.Path("in.txt")});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, Utf8(name) + "\n");
        EXPECT_EQ(r.err, "");
        r = Lirano({"detect"}, FileOf(Paragraphs(), name));
        EXPECT_EQ(r.out, Utf8(name) + "\n");
    }
    Result r = Lirano({"detect", "-"}, Utf8(Paragraphs()));
    EXPECT_EQ(r.out, "Unicode\n");
}

TEST(Cli, DetectBelowTheThresholdIsABestGuess)
{
    std::string mixed = FileOf(L"Tiếng Việt có dấu", L"VNI Windows") + " the quick brown fox jumps over";
    Result r = Lirano({"detect", "--threshold", "0.9"}, mixed);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "VNI Windows\n");
    EXPECT_NE(r.err.find("best guess"), std::string::npos);
    r = Lirano({"detect", "--threshold", "0"}, mixed);
    EXPECT_EQ(r.out, "Unicode\n");
}

TEST(Cli, Utf8FormOfLegacyText)
{
    std::wstring vni = Convert(Paragraphs(), BangMaUtils::Unicode, L"VNI Windows");
    Result r = Lirano({"convert", "--from", "Unicode", "--to", "VNI Windows", "--utf8"}, Utf8(Paragraphs()));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out == kBom + Utf8(vni)); // as the converter window writes it
    // Read back with --utf8, and without it thanks to the byte-order mark.
    for (bool flag : {true, false}) {
        std::vector<std::string> args = {"convert", "--from", "VNI Windows", "--to", "Unicode"};
        if (flag) args.push_back("--utf8");
        Result back = Lirano(args, r.out);
        EXPECT_EQ(back.status, 0) << back.err;
        EXPECT_TRUE(back.out == Utf8(Paragraphs()));
    }
    // UTF-8 form without a byte-order mark needs --utf8.
    Result back = Lirano({"convert", "--from", "VNI Windows", "--to", "Unicode", "--utf8"}, Utf8(vni));
    EXPECT_TRUE(back.out == Utf8(Paragraphs()));
}

TEST(Cli, CaseAndMarkOptions)
{
    std::string tcvn = FileOf(L"Ánh Đèn", L"TCVN3 (ABC)");
    EXPECT_EQ(Lirano({"convert", "--from", "TCVN3 (ABC)", "--to", "Unicode"}, tcvn).out, "ánh Đèn");
    EXPECT_EQ(Lirano({"convert", "--from", "TCVN3 (ABC)", "--to", "Unicode", "--prefer-upper"}, tcvn).out, "Ánh ĐÈn");
    EXPECT_EQ(Lirano({"convert", "--from", "TCVN3 (ABC)", "--to", "Unicode", "--upper"}, tcvn).out, "ÁNH ĐÈN");
    EXPECT_EQ(Lirano({"convert", "--from", "TCVN3 (ABC)", "--to", "Unicode", "--lower"}, tcvn).out, "ánh đèn");
    EXPECT_EQ(Lirano({"convert", "--from", "TCVN3 (ABC)", "--to", "VIQR", "--strip-marks"}, tcvn).out, "anh Den");
}

TEST(Cli, EmptyInputGivesEmptyOutput)
{
    TempDir d;
    Result r = Lirano({"convert", "--from", "Unicode", "--to", "VPS", "-o", d.Path("out.txt")}, "");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(d.Path("out.txt")));
    EXPECT_EQ(ReadBytes(d.Path("out.txt")), "");
    EXPECT_EQ(Lirano({"detect"}, "").out, "Unicode\n");
}

TEST(Cli, ErrorsExitWithStatusTwoAndWriteNothing)
{
    TempDir d;
    d.Write("in.txt", "Việt");
    d.Write("euro.txt", "Việt €");
    d.Write("out.txt", "old");
    const std::string in = d.Path("in.txt"), euro = d.Path("euro.txt"), out = d.Path("out.txt");
    struct Bad {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Bad> cases = {
        {{"convert", "--from", "Klingon", "--to", "Unicode", in, "-o", out}, "unknown charset 'Klingon'"},
        {{"convert", "--from", "Unicode", "--to", "auto", in, "-o", out}, "unknown charset 'auto'"},
        {{"convert", "--from", "Unicode", "--to", "VPS", d.Path("missing.txt"), "-o", out}, "missing.txt"},
        {{"convert", "--from", "Unicode", "--to", "VPS", d.Path(""), "-o", out}, "cannot read"},
        {{"convert", "--from", "Unicode", "--to", "VPS", in, "-o", d.Path("no/out.txt")}, "no/out.txt"},
        {{"convert", "--from", "Unicode", "--to", "VPS", in, "-o", d.Path("")}, "cannot write"},
        {{"convert", "--from", "Unicode", "--to", "VPS", "--lower", "--upper", in, "-o", out}, "exclude"},
        {{"convert", "--from", "Unicode", "--to", "VPS", "--bold", in, "-o", out}, "unknown option '--bold'"},
        {{"convert", "--from", "Unicode", "--to", "VPS", in, in, "-o", out}, "only one input"},
        {{"convert", "--to", "VPS", in, "-o", out}, "--from"},
        {{"convert", "--from", "Unicode", in, "-o", out}, "--to"},
        {{"convert", "--from", "Unicode", "--to", "VPS", "-o"}, "needs a value"},
        {{"convert", "--from", "auto", "--to", "VPS", "--threshold", "1.5", in, "-o", out}, "--threshold"},
        {{"convert", "--from", "auto", "--to", "VPS", "--threshold", "abc", in, "-o", out}, "--threshold"},
        {{"detect", "--threshold", "-0.1", in}, "--threshold"},
        {{"detect", "--from", "VPS", in}, "unknown option"},
        // "€" has no byte in TCVN3: refused rather than written as "?".
        {{"convert", "--from", "Unicode", "--to", "TCVN3 (ABC)", euro, "-o", out}, "U+20AC on line 1"},
    };
    for (const Bad& c : cases) {
        Result r = Lirano(c.args);
        std::string cmd;
        for (const std::string& a : c.args) cmd += a + " ";
        EXPECT_EQ(r.status, 2) << cmd;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << cmd << "\n" << r.err;
        EXPECT_EQ(r.out, "") << cmd;
        EXPECT_EQ(ReadBytes(out), "old") << cmd;
        EXPECT_EQ(FilesIn(d.Path("")), 3u) << cmd;
    }
    // Text that is not UTF-8 for a Unicode source.
    Result r = Lirano({"convert", "--from", "Unicode", "--to", "VNI Windows"}, "ab\xFF");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("not valid UTF-8 (byte 2)"), std::string::npos) << r.err;
    r = Lirano({"detect", "--utf8"}, "ab\xFF");
    EXPECT_EQ(r.status, 2);
    // With --utf8 the "€" goes out in the UTF-8 form.
    r = Lirano({"convert", "--from", "Unicode", "--to", "TCVN3 (ABC)", "--utf8", euro, "-o", out});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(out), kBom + Utf8(Convert(L"Việt €", BangMaUtils::Unicode, L"TCVN3 (ABC)")));
}

TEST(Cli, UnwritableStandardOutputIsAnError)
{
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    // -o naming a device writes to it directly; /dev/full refuses.
    Result r = Lirano({"convert", "--from", "Unicode", "--to", "VIQR", "-o", "/dev/full"}, "Việt");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("/dev/full"), std::string::npos) << r.err;
}

TEST(Cli, HelpAndUsage)
{
    Result r = Lirano({"convert", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: lirano convert"), std::string::npos);
    r = Lirano({"detect", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: lirano detect"), std::string::npos);
    r = Lirano({"convert"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage: lirano convert"), std::string::npos);
}

TEST(Cli, LongInputStreamsThroughInBoundedMemory)
{
    // 48 MB of VNI, whose keys span two bytes, from a pipe with detection:
    // the pipe is kept aside, detection reads the start, and the blocks cut
    // keys anywhere. Built on disk: the peak memory measured includes this
    // process's at the start.
    const std::string vni = FileOf(Paragraphs(), L"VNI Windows"), utf8 = Utf8(Paragraphs());
    const size_t copies = (48u << 20) / vni.size();
    TempDir d;
    {
        std::ofstream in(d.Path("vni.txt"), std::ios::binary), back(d.Path("utf8.txt"), std::ios::binary);
        for (size_t i = 0; i < copies; ++i) {
            in << vni;
            back << utf8;
        }
    }
    // AddressSanitizer keeps freed memory aside: the bound is for the real
    // program.
#ifdef __SANITIZE_ADDRESS__
    const long bound = 256 << 10;
#else
    const long bound = 64 << 10;
#endif
    Result r =
        RunLirano({"convert", "--from", "Unicode", "--to", "VNI Windows", d.Path("utf8.txt"), "-o", d.Path("out.txt")},
                  "/dev/null", false);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LT(r.maxResidentKb, bound);
    EXPECT_TRUE(SameFiles(d.Path("out.txt"), d.Path("vni.txt")));

    r = RunLirano({"convert", "--from", "auto", "--to", "Unicode"}, d.Path("vni.txt"), true);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("detected charset VNI Windows"), std::string::npos) << r.err;
    EXPECT_LT(r.maxResidentKb, bound);
    EXPECT_TRUE(r.out == ReadBytes(d.Path("utf8.txt")));
}

namespace {

// Sets an environment variable (or unsets it, for nullptr) for the tools
// the test runs, and puts it back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

std::string Mib(size_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", bytes / 1048576.0);
    return text;
}

} // namespace

TEST(Cli, ProgressLineOnlyForALargeInputIntoAFileOnATerminal)
{
    TempDir d;
    std::string big;
    while (big.size() < (6u << 20)) big += Utf8(Paragraphs());
    d.Write("big.txt", big);
    d.Write("small.txt", Utf8(Paragraphs()));
    const std::string vni = FileOf(Decode(big), L"VNI Windows");
    const std::string out = d.Path("out.txt");
    // LIRANO_PROGRESS=1 stands for a terminal on both standard streams;
    // here they are files.
    struct Case {
        const char* env;
        std::string input;
        bool piped, toFile;
        enum { Silent, WithSize, WithoutSize } shows;
    };
    const Case cases[] = {
        {"1", "big.txt", false, true, Case::WithSize},
        {"1", "big.txt", true, true, Case::WithoutSize}, // a pipe's size is unknown
        {"1", "small.txt", false, true, Case::Silent},
        {"1", "big.txt", false, false, Case::Silent}, // the text goes to standard output
        {nullptr, "big.txt", false, true, Case::Silent},
        {"0", "big.txt", false, true, Case::Silent},
    };
    const std::regex line(R"(lirano convert: \d+(\.\d)? (B|KiB|MiB|GiB)( of \d+\.\d MiB \((\d+)%\))?)"
                          R"((, \d+(\.\d)? (B|KiB|MiB|GiB|TiB)/s)? *)");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.env ? c.env : "unset") + " " + c.input + (c.piped ? " piped" : "") +
                     (c.toFile ? " -o" : ""));
        ScopedEnv env("LIRANO_PROGRESS", c.env);
        std::vector<std::string> args = {"convert", "--from", "Unicode", "--to", "VNI Windows"};
        if (c.toFile) args.insert(args.end(), {"-o", out});
        Result r = RunLirano(args, d.Path(c.input), c.piped);
        EXPECT_EQ(r.status, 0) << r.err;
        if (c.input == "big.txt") {
            EXPECT_TRUE((c.toFile ? ReadBytes(out) : r.out) == vni);
        }
        if (c.shows == Case::Silent) {
            EXPECT_EQ(r.err, "");
            continue;
        }
        // Lines redrawn after a carriage return, the last one ended.
        ASSERT_TRUE(std::regex_match(r.err, std::regex("(\r[^\r\n]+)+\n"))) << r.err;
        int percent = -1;
        std::string last;
        for (size_t at = 1, end; at < r.err.size(); at = end + 1) {
            end = r.err.find_first_of("\r\n", at);
            last = r.err.substr(at, end - at);
            std::smatch m;
            ASSERT_TRUE(std::regex_match(last, m, line)) << last;
            EXPECT_EQ(m[3].matched, c.shows == Case::WithSize) << last;
            if (m[4].matched) {
                EXPECT_GE(std::stoi(m[4]), percent) << last;
                percent = std::stoi(m[4]);
            }
        }
        std::string done = "lirano convert: " + Mib(big.size());
        EXPECT_EQ(last.rfind(c.shows == Case::WithSize ? done + " of " + Mib(big.size()) + " (100%)" : done, 0), 0u)
            << last;
    }
}

// Utils::ReplaceFile: all or nothing, and a replaced file stays what it was
// (mode, owner, links).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>

#include "core/IniFile.h"
#include "core/Utils.h"
#include "tests/common/TempDir.h"

namespace {

const uid_t kNobody = 65534;

std::set<std::string> Names(const std::string& folder)
{
    std::set<std::string> r;
    for (const auto& e : std::filesystem::directory_iterator(folder)) r.insert(e.path().filename().string());
    return r;
}

// Runs `f` in a child (it may change its user, limits or mounts) and hands
// back the text it returned.
std::string InChild(const std::function<std::string()>& f)
{
    int p[2];
    if (pipe(p) != 0) return "no pipe";
    pid_t pid = fork();
    if (pid == 0) {
        close(p[0]);
        std::string r = f();
        (void)!write(p[1], r.data(), r.size());
        _exit(0);
    }
    close(p[1]);
    std::string r;
    char buf[256];
    for (ssize_t n; (n = read(p[0], buf, sizeof buf)) > 0;) r.append(buf, (size_t)n);
    close(p[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? r : "child crashed";
}

// The write's result, then what the folder holds (long files by size).
std::string Outcome(bool ok, const std::string& folder)
{
    std::string r = ok ? "true" : "false";
    for (const std::string& n : Names(folder)) {
        std::string bytes = TempDir::Read(Utils::ToWString(folder + "/" + n));
        r += " " + n + "=" + (bytes.size() <= 16 ? bytes : std::to_string(bytes.size()) + " bytes");
    }
    return r;
}

// The disk is full: a small tmpfs where the process may mount one (in a
// mount namespace of its own), else a file-size limit (EFBIG).
void FillUp(const std::string& folder)
{
    if (unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
        mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k,mode=0700") == 0) {
        // The old file, made afresh on the new file system.
        std::ofstream(folder + "/LuaChon.ini") << "old";
        return;
    }
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
}

// The folder cannot be written (the old file itself could).
void ReadOnly(const std::string& folder)
{
    chmod((folder + "/LuaChon.ini").c_str(), 0666);
    if (geteuid() != 0) {
        chmod(folder.c_str(), 0555);
        return;
    }
    gid_t none[1] = {};
    (void)!setgroups(0, none);
    (void)!setresgid(kNobody, kNobody, kNobody);
    (void)!setresuid(kNobody, kNobody, kNobody);
}

} // namespace

TEST(ReplaceFile, AFailedWriteLeavesTheOldFile)
{
    const std::string big(1 << 20, 'x');
    struct Writer {
        const char* name;
        std::function<bool(const std::wstring&)> write;
    };
    const Writer writers[] = {
        {"ReplaceFile",
         [&](const std::wstring& p) {
             std::string error;
             // A failure without a reason counts as a success here.
             return Utils::ReplaceFile(p, big, error, Utils::UserFileMode) || error.empty();
         }},
        {"IniFile::Write",
         [&](const std::wstring& p) {
             return IniFile().Write(p, {{L"LuaChon", {{L"NA_PAC_DacBiet", Utils::ToWString(big)}}}});
         }},
    };
    struct Situation {
        const char* name;
        std::function<void(const std::string&)> make;
    };
    const Situation situations[] = {{"full file system", FillUp}, {"read-only folder", ReadOnly}};

    for (const Situation& s : situations) {
        for (const Writer& w : writers) {
            SCOPED_TRACE(std::string(s.name) + ", " + w.name);
            TempDir d;
            chmod(d.Path("").c_str(), 0755); // the child of another user must reach it
            const std::string folder = d.Path("cfg");
            mkdir(folder.c_str(), 0755);
            std::ofstream(folder + "/LuaChon.ini") << "old";
            std::string got = InChild([&] {
                s.make(folder);
                bool ok = w.write(Utils::ToWString(folder + "/LuaChon.ini"));
                return Outcome(ok, folder);
            });
            EXPECT_EQ(got, "false LuaChon.ini=old");
            chmod(folder.c_str(), 0755);
        }
    }
}

TEST(ReplaceFile, AReplacedFileStaysWhatItWas)
{
    const bool root = geteuid() == 0;
    struct stat st;
    auto Stat = [&](const std::string& p) {
        if (lstat(p.c_str(), &st) != 0) st = {};
        return st;
    };
    mode_t mask = umask(0);
    umask(mask);
    struct Case {
        const char* name;
        bool rootOnly;
        std::function<void(const TempDir&)> prepare; // beside "t", holding "old"
        std::string write;                           // in the folder, or a whole path
        mode_t newMode;
        const char* reason; // nullptr: the write succeeds
        std::function<void(const TempDir&)> check;
    };
    const Case cases[] = {
        {"mode 640 kept", false, [](const TempDir& d) { chmod(d.Path("t").c_str(), 0640); }, "t", 0600, nullptr,
         [&](const TempDir& d) {
             EXPECT_EQ(Stat(d.Path("t")).st_mode & 07777, 0640u);
             EXPECT_EQ(TempDir::Read(d.WPath("t")), "new");
         }},
        {"owner and group kept", true, [](const TempDir& d) { chown(d.Path("t").c_str(), kNobody, kNobody); }, "t",
         0600, nullptr,
         [&](const TempDir& d) {
             EXPECT_EQ(Stat(d.Path("t")).st_uid, kNobody);
             EXPECT_EQ(st.st_gid, kNobody);
             EXPECT_EQ(TempDir::Read(d.WPath("t")), "new");
         }},
        {"new file gets the mode asked for", false, nullptr, "n", 0600, nullptr,
         [&](const TempDir& d) { EXPECT_EQ(Stat(d.Path("n")).st_mode & 07777, 0600u & ~mask); }},
        {"new shared file as open() makes it", false, nullptr, "n", 0666, nullptr,
         [&](const TempDir& d) { EXPECT_EQ(Stat(d.Path("n")).st_mode & 07777, 0666u & ~mask); }},
        {"own link written through", false, [](const TempDir& d) { symlink("t", d.Path("l").c_str()); }, "l", 0600,
         nullptr,
         [&](const TempDir& d) {
             EXPECT_TRUE(S_ISLNK(Stat(d.Path("l")).st_mode));
             EXPECT_EQ(TempDir::Read(d.WPath("t")), "new");
         }},
        {"own dangling link makes its file", false, [](const TempDir& d) { symlink("m", d.Path("l").c_str()); }, "l",
         0600, nullptr,
         [&](const TempDir& d) {
             EXPECT_TRUE(S_ISLNK(Stat(d.Path("l")).st_mode));
             EXPECT_EQ(TempDir::Read(d.WPath("m")), "new");
         }},
        {"another user's link refused", true,
         [](const TempDir& d) {
             symlink("t", d.Path("l").c_str());
             lchown(d.Path("l").c_str(), kNobody, kNobody);
         },
         "l", 0600, "symbolic link",
         [&](const TempDir& d) {
             EXPECT_TRUE(S_ISLNK(Stat(d.Path("l")).st_mode));
             EXPECT_EQ(TempDir::Read(d.WPath("t")), "old");
         }},
        {"hard link refused", false, [](const TempDir& d) { link(d.Path("t").c_str(), d.Path("h").c_str()); }, "t",
         0600, "hard links",
         [&](const TempDir& d) {
             EXPECT_EQ(TempDir::Read(d.WPath("t")), "old");
             EXPECT_EQ(TempDir::Read(d.WPath("h")), "old");
             EXPECT_EQ(Stat(d.Path("t")).st_nlink, 2u);
         }},
        {"device written directly", false, nullptr, "/dev/null", 0600, nullptr,
         [&](const TempDir&) { EXPECT_TRUE(S_ISCHR(Stat("/dev/null").st_mode)); }},
        {"folder refused", false, [](const TempDir& d) { mkdir(d.Path("f").c_str(), 0700); }, "f", 0600,
         "Is a directory", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.rootOnly && !root) continue;
        TempDir d;
        d.Write("t", "old");
        if (c.prepare) c.prepare(d);
        std::string error;
        std::string path = c.write[0] == '/' ? c.write : d.Path(c.write);
        bool ok = Utils::ReplaceFile(Utils::ToWString(path), "new", error, c.newMode);
        EXPECT_EQ(ok, c.reason == nullptr) << error;
        if (c.reason) {
            EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        }
        if (c.check) c.check(d);
        for (const std::string& n : Names(d.Path(""))) EXPECT_NE(n[0], '.') << n; // no temporary file left
    }
}

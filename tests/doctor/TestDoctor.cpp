// `lirano doctor` run as the user would run it, against private IBus
// daemons in the states a broken desktop can be in, and against Fcitx 5
// set-ups made of files: a process table, addon folders and profiles.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/ibus/IBusHarness.h"

namespace {

enum class World {
    NoDaemon,      // nothing listens at the IBus address
    BareDaemon,    // a daemon that has no Lirano component
    WithComponent, // a daemon that reads the component Lirano-Qt --Install wrote
    Fcitx,         // no IBus daemon; fcitx5 in the process table, the addon installed
};

enum class Needs { Nothing, NonRoot, GnomeSchemas };

// Variables for lirano doctor beyond the session's own ("" unsets one);
// @DIR@ is the session's folder.
using Env = std::map<std::string, std::string>;

struct Case {
    const char* name;
    World world;
    Env env;
    int status;
    std::vector<std::string> lines; // each must begin a line of the output; "!TEXT": no line holds TEXT
    Needs needs = Needs::Nothing;
};

const Case kCases[] = {
    {"no address file",
     World::NoDaemon,
     {},
     1,
     {"note  input framework: neither ibus-daemon nor fcitx5 runs for this user; start one: ibus-daemon -drx, or "
      "fcitx5 -d",
      "FAIL  ibus-daemon: not running for this user", "      fix: ibus-daemon -drx",
      "FAIL  component: no Lirano.xml in @DIR@/component"}},
    {"IBUS_ADDRESS names no daemon",
     World::NoDaemon,
     {{"IBUS_ADDRESS", "unix:path=@DIR@/nowhere"}},
     1,
     {"FAIL  ibus-daemon: nothing answers at unix:path=@DIR@/nowhere (from IBUS_ADDRESS)",
      "      fix: unset IBUS_ADDRESS, or start the daemon: ibus-daemon -drx"}},

    {"no component anywhere",
     World::BareDaemon,
     {},
     1,
     {"ok    ibus-daemon: running",
      "FAIL  component: no Lirano.xml in @DIR@/component, and IBus lists no engine Lirano",
      "      fix: reinstall Lirano", "note  engine start: not tried"}},
    {"component the daemon has not read",
     World::BareDaemon,
     {{"IBUS_COMPONENT_PATH", "@DIR@/late"}},
     1,
     {"FAIL  component: @DIR@/late/Lirano.xml is there, but IBus lists no engine Lirano",
      "      fix: ibus write-cache; ibus restart", "ok    engine start"}},

    {"everything in place",
     World::WithComponent,
     {},
     0,
     {"ok    input framework: IBus (ibus-daemon runs, pid 4100)", "ok    ibus-daemon: running",
      "ok    component: @DIR@/component/Lirano.xml, and IBus lists the engine Lirano",
      "ok    engine start: a private ibus-daemon started the engine", "ok    GTK_IM_MODULE: ibus",
      "ok    QT_IM_MODULE: ibus", "ok    XMODIFIERS: @im=ibus", "note  session: X11",
      "ok    settings folder: @DIR@/.config/lirano", "Everything Lirano needs is in place.", "!Fcitx"}},
    {"IBus known by its answer alone",
     World::WithComponent,
     {{"LIRANO_DOCTOR_PROC", "@DIR@/proc/none"}},
     0,
     {"ok    input framework: IBus (its daemon answers)", "ok    ibus-daemon: running"}},
    {"IBus and Fcitx both run, the environment names IBus",
     World::WithComponent,
     {{"LIRANO_DOCTOR_PROC", "@DIR@/proc/both"}},
     0,
     {"note  input framework: IBus (ibus-daemon, pid 4100) and Fcitx 5 (fcitx5, pid 4200) both run; checking IBus",
      "ok    component: @DIR@/component/Lirano.xml", "!Fcitx addon"}},
    {"GTK_IM_MODULE unset",
     World::WithComponent,
     {{"GTK_IM_MODULE", ""}},
     1,
     {"FAIL  GTK_IM_MODULE: unset; it must be ibus", "      fix: im-config -n ibus", "ok    QT_IM_MODULE: ibus"}},
    {"QT_IM_MODULE wrong",
     World::WithComponent,
     {{"QT_IM_MODULE", "xim"}},
     1,
     {"FAIL  QT_IM_MODULE: \"xim\"; it must be ibus", "ok    XMODIFIERS"}},
    {"XMODIFIERS unset",
     World::WithComponent,
     {{"XMODIFIERS", ""}},
     1,
     {"FAIL  XMODIFIERS: unset; it must be @im=ibus"}},
    {"GNOME without Lirano among its sources",
     World::WithComponent,
     {{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}, {"GTK_IM_MODULE", ""}},
     1,
     {"ok    GTK_IM_MODULE: unset: GNOME's own IBus integration",
      "FAIL  GNOME input sources: @a(ss) [] has no ('ibus', 'Lirano')",
      "      fix: gsettings set org.gnome.desktop.input-sources sources \"[('ibus', 'Lirano')]\""},
     Needs::GnomeSchemas},
    {"GNOME with Lirano among its sources",
     World::WithComponent,
     {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"GSETTINGS_BACKEND", "keyfile"}, {"XDG_CONFIG_HOME", "@DIR@/gnome-lirano"}},
     0,
     {"ok    GNOME input sources: [('xkb', 'us'), ('ibus', 'Lirano')]"},
     Needs::GnomeSchemas},
    {"GNOME with other sources",
     World::WithComponent,
     {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"GSETTINGS_BACKEND", "keyfile"}, {"XDG_CONFIG_HOME", "@DIR@/gnome-us"}},
     1,
     {"      fix: gsettings set org.gnome.desktop.input-sources sources \"[('xkb', 'us'), ('ibus', 'Lirano')]\""},
     Needs::GnomeSchemas},
    {"Wayland",
     World::WithComponent,
     {{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-0"}},
     0,
     {"note  session: Wayland", "note  Wayland: QT_IM_MODULE and XMODIFIERS still matter"}},
    {"config folder under a file",
     World::WithComponent,
     {{"XDG_CONFIG_HOME", "/dev/null/x"}},
     1,
     {"FAIL  settings folder: /dev/null/x/lirano cannot be made: /dev/null is not a folder"}},
    {"config folder read-only",
     World::WithComponent,
     {{"XDG_CONFIG_HOME", "@DIR@/read-only"}},
     1,
     {"FAIL  settings folder: @DIR@/read-only/lirano cannot be made: @DIR@/read-only is not writable"},
     Needs::NonRoot},
    {"no environment at all",
     World::WithComponent,
     {{"HOME", "@DIR@/no-home"},
      {"XDG_CONFIG_HOME", ""},
      {"DISPLAY", ""},
      {"PATH", ""},
      {"GTK_IM_MODULE", ""},
      {"QT_IM_MODULE", ""},
      {"XMODIFIERS", ""}},
     1,
     {"ok    ibus-daemon: running", "ok    engine start", "FAIL  GTK_IM_MODULE: unset",
      "note  session: no DISPLAY or WAYLAND_DISPLAY",
      "FAIL  settings folder: @DIR@/no-home/.config/lirano cannot be made: neither it nor @DIR@/no-home/.config "
      "exists"}},
    {"Fcitx with everything in place",
     World::Fcitx,
     {},
     0,
     {"ok    input framework: Fcitx 5 (fcitx5 runs, pid 4200)", "ok    fcitx5: running, pid 4200",
      "ok    Fcitx addon: @DIR@/fcitx/addons/lirano.so, @DIR@/fcitx/share/fcitx5/addon/lirano.conf, "
      "@DIR@/fcitx/share/fcitx5/inputmethod/lirano.conf",
      "ok    Fcitx profile: @DIR@/fcitx/config/fcitx5/profile lists lirano (group \"Tiếng Việt\")",
      "ok    GTK_IM_MODULE: fcitx", "ok    QT_IM_MODULE: fcitx", "ok    XMODIFIERS: @im=fcitx",
      "Everything Lirano needs is in place.", "!IBus", "!ibus-daemon:"}},
    {"IBus and Fcitx both run, the environment names Fcitx",
     World::Fcitx,
     {{"LIRANO_DOCTOR_PROC", "@DIR@/proc/both"}},
     0,
     {"note  input framework: IBus (ibus-daemon, pid 4100) and Fcitx 5 (fcitx5, pid 4200) both run; checking "
      "Fcitx 5, which the environment names",
      "ok    Fcitx addon", "!ibus-daemon:"}},
    {"Fcitx's variables",
     World::Fcitx,
     {{"GTK_IM_MODULE", "fcitx5"}, {"QT_IM_MODULE", "ibus"}, {"XMODIFIERS", ""}},
     1,
     {"ok    GTK_IM_MODULE: fcitx5", "FAIL  QT_IM_MODULE: \"ibus\"; it must be fcitx",
      "      fix: im-config -n fcitx5, then log out and in (or QT_IM_MODULE=fcitx in "
      "~/.config/environment.d/fcitx5.conf)",
      "FAIL  XMODIFIERS: unset; it must be @im=fcitx"}},
    {"Fcitx on Plasma's Wayland",
     World::Fcitx,
     {{"GTK_IM_MODULE", ""}, {"XDG_CURRENT_DESKTOP", "KDE"}, {"XDG_SESSION_TYPE", "wayland"}},
     0,
     {"ok    GTK_IM_MODULE: unset: KDE's Wayland input method", "note  session: Wayland", "!IBus commits"}},
    {"Fcitx addon broken",
     World::Fcitx,
     {{"FCITX_ADDON_DIRS", "@DIR@/fcitx/none:@DIR@/fcitx/dangling"}, {"FCITX_DATA_DIRS", "@DIR@/fcitx/half"}},
     1,
     {"FAIL  Fcitx addon: @DIR@/fcitx/dangling/lirano.so links to @DIR@/fcitx/gone.so, which is not there; no "
      "inputmethod/lirano.conf in @DIR@/.local/share/fcitx5, @DIR@/fcitx/half",
      "      fix: reinstall Lirano (its package, or ./install.sh from the sources), then restart Fcitx: fcitx5 -rd"}},
    {"Fcitx addon data in the user's folder, no library",
     World::Fcitx,
     {{"FCITX_ADDON_DIRS", "@DIR@/fcitx/none"},
      {"XDG_DATA_DIRS", "@DIR@/nowhere"},
      {"FCITX_DATA_HOME", "@DIR@/fcitx/share/fcitx5"}},
     1,
     {"FAIL  Fcitx addon: no lirano.so in @DIR@/fcitx/none", "!lirano.conf in"}},
    {"Lirano not in the Fcitx profile",
     World::Fcitx,
     {{"XDG_CONFIG_HOME", "@DIR@/fcitx/config-without"}},
     1,
     {"FAIL  Fcitx profile: @DIR@/fcitx/config-without/fcitx5/profile has no input method lirano",
      "      fix: fcitx5-configtool, Input Method: add \"Lirano\"",
      "           or stop Fcitx (fcitx5-remote -e), add to @DIR@/fcitx/config-without/fcitx5/profile",
      "           [Groups/0/Items/2]", "           Name=lirano"}},
    {"no Fcitx profile",
     World::Fcitx,
     {{"XDG_CONFIG_HOME", "@DIR@/fcitx/config-none"}},
     1,
     {"FAIL  Fcitx profile: no @DIR@/fcitx/config-none/fcitx5/profile", "      fix: fcitx5-configtool"}},
    {"FCITX_CONFIG_HOME names the profile's folder",
     World::Fcitx,
     {{"XDG_CONFIG_HOME", "@DIR@/fcitx/config-none"}, {"FCITX_CONFIG_HOME", "@DIR@/fcitx/config/fcitx5"}},
     0,
     {"ok    Fcitx profile: @DIR@/fcitx/config/fcitx5/profile lists lirano"}},
    {"only another user's fcitx5, the environment names Fcitx",
     World::Fcitx,
     {{"LIRANO_DOCTOR_PROC", "@DIR@/proc/other"}},
     1,
     {"note  input framework: neither ibus-daemon nor fcitx5 runs", "FAIL  fcitx5: not running for this user",
      "      fix: fcitx5 -d (to start it at every login: im-config -n fcitx5, then log out and in)"}},
};

std::string Replace(std::string s, const std::string& dir)
{
    for (size_t at; (at = s.find("@DIR@")) != std::string::npos;) s.replace(at, 5, dir);
    return s;
}

bool HasLine(const std::string& out, const std::string& prefix)
{
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(prefix, 0) == 0) return true;
    return false;
}

class Doctor : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* p : {"lirano", "Lirano-IBus", "Lirano-Qt", "ibus_selfcheck.py"})
            if (!ibustest::FileExists(ibustest::BinDir() + "/" + p)) GTEST_SKIP() << p << " is not built yet";
        for (const char* p : {"/usr/bin/dbus-daemon", "/usr/bin/ibus-daemon", "/usr/bin/Xvfb"})
            if (!ibustest::FileExists(p)) GTEST_SKIP() << p << " is not installed (tools/deps.sh installs it)";
        std::string error;
        ASSERT_TRUE(session.Prepare(error)) << error;
        session.componentPath = session.Path("component");
        ::mkdir(session.componentPath.c_str(), 0755);
        ::mkdir(session.Path("read-only").c_str(), 0555);
        // GNOME's input sources as gsettings reads them from a key file.
        for (const auto& [name, sources] : {std::pair<std::string, std::string>{"gnome-us", "[('xkb', 'us')]"},
                                            {"gnome-lirano", "[('xkb', 'us'), ('ibus', 'Lirano')]"}}) {
            std::filesystem::create_directories(session.Path(name + "/glib-2.0/settings"));
            std::ofstream(session.Path(name + "/glib-2.0/settings/keyfile"))
                << "[org/gnome/desktop/input-sources]\nsources=" << sources << "\n";
        }
        // Process tables: status files as the kernel writes them.
        const std::string me = std::to_string(getuid()), other = std::to_string(getuid() + 1);
        std::filesystem::create_directories(session.Path("proc/none"));
        for (const auto& [table, pid, name, uid] :
             std::vector<std::tuple<std::string, std::string, std::string, std::string>>{
                 {"ibus", "4100", "ibus-daemon", me},
                 {"fcitx", "4200", "fcitx5", me},
                 {"fcitx", "4201", "bash", me},
                 {"both", "4100", "ibus-daemon", me},
                 {"both", "4200", "fcitx5", me},
                 {"other", "4300", "fcitx5", other},
                 {"other", "4301", "ibus-daemon", other}})
            Write("proc/" + table + "/" + pid + "/status", "Name:\t" + name + "\nState:\tS (sleeping)\nUid:\t" + uid +
                                                               "\t" + uid + "\t" + uid + "\t" + uid + "\n");
        // Fcitx's folders: the addon installed, broken, and profiles.
        Write("fcitx/lirano.so", "");
        std::filesystem::create_directories(session.Path("fcitx/addons"));
        std::filesystem::create_directories(session.Path("fcitx/dangling"));
        std::filesystem::create_symlink("../lirano.so", session.Path("fcitx/addons/lirano.so"));
        std::filesystem::create_symlink("../gone.so", session.Path("fcitx/dangling/lirano.so"));
        for (const char* conf : {"share/fcitx5/addon", "share/fcitx5/inputmethod", "half/addon"})
            Write(std::string("fcitx/") + conf + "/lirano.conf", "[Addon]\nName=Lirano\n");
        const std::string group0 =
            "[Groups/0]\n# Group Name\nName=Default\nDefault Layout=us\nDefaultIM=keyboard-us\n\n"
            "[Groups/0/Items/0]\n# Name\nName=keyboard-us\nLayout=\n\n";
        Write("fcitx/config/fcitx5/profile",
              group0 +
                  "[Groups/1]\nName=Tiếng Việt\nDefault Layout=us\nDefaultIM=lirano\n\n"
                  "[Groups/1/Items/0]\nName=keyboard-us\nLayout=\n\n[Groups/1/Items/1]\nName=lirano\nLayout=\n\n"
                  "[GroupOrder]\n0=Default\n1=Tiếng Việt\n");
        Write("fcitx/config-without/fcitx5/profile",
              group0 + "[Groups/0/Items/1]\n# Name=lirano\nName=keyboard-fr\nLayout=\n\n[GroupOrder]\n0=Default\n");
        std::filesystem::create_directories(session.Path("fcitx/config-none"));
    }

    void Write(const std::string& name, const std::string& text)
    {
        std::filesystem::create_directories(std::filesystem::path(session.Path(name)).parent_path());
        std::ofstream(session.Path(name)) << text;
    }

    void TearDown() override { session.StopAll(); }

    // The component names a copy of the engine, so what it writes stays in
    // the session's folder.
    void Install(const std::string& folder)
    {
        std::string error;
        if (copy.folder.empty()) {
            ASSERT_TRUE(copy.Make(session.Dir(), ibustest::BinDir() + "/Lirano-IBus", "", error)) << error;
            ASSERT_TRUE(copy.Add(ibustest::BinDir() + "/Lirano-Qt", error)) << error;
        }
        ::mkdir(folder.c_str(), 0755);
        int rc = session.Run({copy.folder + "/Lirano-Qt", "--Install"}, 30000, "install.log",
                             {{"LIRANO_IBUS_COMPONENT_DIRS", folder}, {"QT_QPA_PLATFORM", "offscreen"}});
        ASSERT_EQ(rc, 0) << session.ReadLog("install.log");
        ASSERT_TRUE(ibustest::FileExists(folder + "/Lirano.xml"));
    }

    void RunCases(World world)
    {
        for (const Case& c : kCases) {
            if (c.world != world) continue;
            SCOPED_TRACE(c.name);
            if (c.needs == Needs::NonRoot && geteuid() == 0) continue; // root writes anywhere
            if (c.needs == Needs::GnomeSchemas &&
                !ibustest::FileExists("/usr/share/glib-2.0/schemas/org.gnome.desktop.input-sources.gschema.xml"))
                continue;
            // Always a made-up process table: a real fcitx5 of this user
            // must not change the cases.
            Env env = {{"IBUS_COMPONENT_PATH", session.componentPath},
                       {"LIRANO_DOCTOR_PROC", "@DIR@/proc/" + std::string(world == World::NoDaemon ? "none" : "ibus")},
                       {"GTK_IM_MODULE", "ibus"},
                       {"QT_IM_MODULE", "ibus"},
                       {"XMODIFIERS", "@im=ibus"}};
            if (world == World::Fcitx)
                env = {{"LIRANO_DOCTOR_PROC", "@DIR@/proc/fcitx"},
                       {"GTK_IM_MODULE", "fcitx"},
                       {"QT_IM_MODULE", "fcitx"},
                       {"XMODIFIERS", "@im=fcitx"},
                       {"XDG_CONFIG_HOME", "@DIR@/fcitx/config"},
                       {"FCITX_ADDON_DIRS", "@DIR@/fcitx/addons"},
                       {"XDG_DATA_DIRS", "@DIR@/fcitx/share"},
                       {"SKIP_FCITX_PATH", "1"}};
            for (const char* fcitx :
                 {"FCITX_DATA_DIRS", "FCITX_DATA_HOME", "FCITX_CONFIG_HOME", "SKIP_FCITX_USER_PATH"})
                env[fcitx] = "";
            for (const auto& [k, v] : c.env) env[k] = v;
            for (auto& [k, v] : env) v = Replace(v, session.Dir());
            const std::string log = std::string("doctor-") + std::to_string(&c - kCases) + ".log";
            const bool hadFolder = ibustest::FileExists(session.Path(".config/lirano"));
            int status = session.Run({ibustest::BinDir() + "/lirano", "doctor"}, 60000, log, env);
            const std::string out = ibustest::ReadFile(session.Path(log));
            EXPECT_EQ(status, c.status) << out;
            // It looks, and makes nothing.
            EXPECT_EQ(ibustest::FileExists(session.Path(".config/lirano")), hadFolder);
            EXPECT_FALSE(ibustest::FileExists(session.Path("no-home")));
            for (const std::string& line : c.lines) {
                const std::string want = Replace(line, session.Dir());
                if (want[0] == '!')
                    EXPECT_EQ(out.find(want.substr(1)), std::string::npos) << "a line holds " << want << " in:\n"
                                                                           << out;
                else
                    EXPECT_TRUE(HasLine(out, want)) << "no line " << line << " in:\n" << out;
            }
        }
    }

    ibustest::PrivateSession session;
    ibustest::ProgramCopy copy;
};

TEST_F(Doctor, WithoutDaemon) { RunCases(World::NoDaemon); }

TEST_F(Doctor, DaemonWithoutComponent)
{
    std::string error;
    ASSERT_TRUE(session.Start(error)) << error;
    // Written after the daemon read its folder: there, but not known to it.
    Install(session.Path("late"));
    RunCases(World::BareDaemon);
}

// Fcitx's checks read files only: no daemon at all.
TEST_F(Doctor, Fcitx) { RunCases(World::Fcitx); }

TEST_F(Doctor, DaemonWithComponent)
{
    Install(session.componentPath);
    std::string error;
    ASSERT_TRUE(session.Start(error)) << error;
    RunCases(World::WithComponent);
}

} // namespace

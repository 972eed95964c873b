// `lirano doctor` run as the user would run it, against private IBus
// daemons in the states a broken desktop can be in.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/ibus/IBusHarness.h"

namespace {

enum class World {
    NoDaemon,      // nothing listens at the IBus address
    BareDaemon,    // a daemon that has no Lirano component
    WithComponent, // a daemon that reads the component Lirano-Qt --Install wrote
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
    std::vector<std::string> lines; // each must begin a line of the output
    Needs needs = Needs::Nothing;
};

const Case kCases[] = {
    {"no address file",
     World::NoDaemon,
     {},
     1,
     {"FAIL  ibus-daemon: not running for this user", "      fix: ibus-daemon -drx",
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
     {"ok    ibus-daemon: running", "ok    component: @DIR@/component/Lirano.xml, and IBus lists the engine Lirano",
      "ok    engine start: a private ibus-daemon started the engine", "ok    GTK_IM_MODULE: ibus",
      "ok    QT_IM_MODULE: ibus", "ok    XMODIFIERS: @im=ibus", "note  session: X11",
      "ok    settings folder: @DIR@/.config/lirano", "Everything Lirano needs is in place."}},
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
            Env env = {{"IBUS_COMPONENT_PATH", session.componentPath},
                       {"GTK_IM_MODULE", "ibus"},
                       {"QT_IM_MODULE", "ibus"},
                       {"XMODIFIERS", "@im=ibus"}};
            for (const auto& [k, v] : c.env) env[k] = Replace(v, session.Dir());
            const std::string log = std::string("doctor-") + std::to_string(&c - kCases) + ".log";
            const bool hadFolder = ibustest::FileExists(session.Path(".config/lirano"));
            int status = session.Run({ibustest::BinDir() + "/lirano", "doctor"}, 60000, log, env);
            const std::string out = ibustest::ReadFile(session.Path(log));
            EXPECT_EQ(status, c.status) << out;
            // It looks, and makes nothing.
            EXPECT_EQ(ibustest::FileExists(session.Path(".config/lirano")), hadFolder);
            EXPECT_FALSE(ibustest::FileExists(session.Path("no-home")));
            for (const std::string& line : c.lines)
                EXPECT_TRUE(HasLine(out, Replace(line, session.Dir()))) << "no line " << line << " in:\n" << out;
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

TEST_F(Doctor, DaemonWithComponent)
{
    Install(session.componentPath);
    std::string error;
    ASSERT_TRUE(session.Start(error)) << error;
    RunCases(World::WithComponent);
}

} // namespace

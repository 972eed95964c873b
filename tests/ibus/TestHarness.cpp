// The harness on its own, through the engine that takes no key.
#include <sys/wait.h>

#include "tests/ibus/IBusFixture.h"

namespace {

std::string NullEngine() { return ibustest::BinDir() + "/lirano-null-engine"; }

} // namespace

class NullEngineTest : public IBusEngineTest {};

TEST_F(NullEngineTest, KeysPassThroughAndNothingIsCommitted)
{
    LIRANO_LAUNCH_BY_HAND(NullEngine(), "LiranoNull");
    EXPECT_EQ(client.CurrentEngine(), "LiranoNull");
    EXPECT_EQ(client.TypeText("vieetj"), 0);
    EXPECT_FALSE(client.Press(' '));
    EXPECT_FALSE(client.Press(IBUS_KEY_BackSpace));
    EXPECT_FALSE(client.Press(IBUS_KEY_Return));
    EXPECT_FALSE(client.KeyDown(IBUS_KEY_Control_L));
    EXPECT_FALSE(client.KeyUp(IBUS_KEY_Control_L, IBUS_CONTROL_MASK));
    client.Sync();
    EXPECT_EQ(client.commits, "");
    EXPECT_EQ(client.VisiblePreedit(), "");
    EXPECT_TRUE(client.candidates.empty());
}

TEST_F(NullEngineTest, SessionIsPrivateAndStopsWhatItStarted)
{
    LIRANO_LAUNCH_BY_HAND(NullEngine(), "LiranoNull");
    // The children run under the temporary HOME, on the private display.
    std::string env = session.ReadLog("env.log");
    EXPECT_EQ(session.Run({"sh", "-c", "echo $HOME $DISPLAY $XDG_RUNTIME_DIR"}, 5000, "env.log"), 0);
    env = session.ReadLog("env.log");
    EXPECT_EQ(env, session.Dir() + " " + session.Display() + " " + session.Dir() + "/run\n");
    EXPECT_NE(session.Display(), "");
    // The program runs from its copy, not from the build tree.
    EXPECT_EQ(copy.program, session.Dir() + "/prog/lirano-null-engine");
    const pid_t engine = enginePid;
    const std::string dir = session.Dir();
    client.Close();
    session.StopAll();
    EXPECT_FALSE(ibustest::FileExists(dir));
    // Reaped by the session: no child of that PID is left.
    EXPECT_EQ(waitpid(engine, nullptr, WNOHANG), -1);
}

TEST_F(NullEngineTest, ResetFocusAndPropertiesAreHarmless)
{
    LIRANO_LAUNCH_BY_HAND(NullEngine(), "LiranoNull");
    client.Reset();
    client.FocusOut();
    client.FocusIn();
    client.ActivateProperty("Nothing");
    EXPECT_FALSE(client.Press('a'));
    client.Sync();
    EXPECT_EQ(client.commits, "");
    EXPECT_TRUE(session.Alive(enginePid));
}

TEST(NullEngineXml, PrintsItsDescription)
{
    const std::string program = NullEngine();
    if (!ibustest::FileExists(program)) GTEST_SKIP() << program << " is not built";
    FILE* p = popen(("env -u DBUS_SESSION_BUS_ADDRESS -u IBUS_ADDRESS '" + program + "' --xml").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof(buf), p)) out.append(buf, n);
    EXPECT_EQ(pclose(p), 0);
    EXPECT_NE(out.find("<name>LiranoNull</name>"), std::string::npos) << out;
}

// fcitx5 in place of ibus-daemon: up on the private bus with the input
// method of its profile, refused at start when it has no such method.
class FcitxSessionTest : public IBusEngineTest {};

TEST_F(FcitxSessionTest, StartsWithItsInputMethodAndStopsWhatItStarted)
{
    for (const char* tool : {"fcitx5", "dbus-send", "dbus-daemon", "Xvfb"})
        if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed";
    session.framework = ibustest::Framework::Fcitx5;
    std::string error;
    ASSERT_TRUE(session.Start(error)) << error;
    EXPECT_NE(ibustest::ReadFile(session.Dir() + "/.config/fcitx5/profile").find("Name=keyboard-us"),
              std::string::npos);
    EXPECT_EQ(session.Run({"dbus-send", "--session", "--print-reply", "--dest=org.fcitx.Fcitx5", "/controller",
                           "org.fcitx.Fcitx.Controller1.CurrentInputMethod"},
                          5000),
              0);
    const std::string dir = session.Dir();
    session.StopAll();
    EXPECT_FALSE(ibustest::FileExists(dir));

    session.framework = ibustest::Framework::Fcitx5;
    session.fcitxInputMethod = "no-such-method";
    EXPECT_FALSE(session.Start(error));
    EXPECT_NE(error.find("no input method no-such-method"), std::string::npos) << error;
}

#pragma once

// GoogleTest fixture over the private IBus session: each test starts its
// own D-Bus bus, Xvfb, ibus-daemon and a copy of the engine program, types
// through a client input context and stops everything again in TearDown.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <iostream>
#include <string>

#include "tests/ibus/IBusHarness.h"

class IBusEngineTest : public ::testing::Test {
protected:
    static constexpr guint kCapabilities =
        IBUS_CAP_PREEDIT_TEXT | IBUS_CAP_FOCUS | IBUS_CAP_LOOKUP_TABLE | IBUS_CAP_PROPERTY;
    // Bounds of every wait: start-up steps, and engine reactions that arrive
    // after the key call has returned (suggestion loading, pointer watch).
    static constexpr int kStartMs = 15000;
    static constexpr int kReactMs = 5000;

    // Does what a desktop does: installs a copy of `program` (a path in
    // build/bin, with `luaChon` as its options file) through the settings
    // tool's --Install into the session's component folder, starts the
    // daemon on that folder, and selects `engine` for a focused input
    // context, so that the daemon starts the engine itself. Skips the test
    // when the programs are not built; fails on anything else. Use through
    // LIRANO_LAUNCH, which returns from the test.
    void Launch(const std::string& program, const std::string& engine, const std::string& luaChon,
                guint capabilities = kCapabilities)
    {
        InstallAndStart(program, luaChon);
        if (IsSkipped() || HasFatalFailure()) return;
        std::string error;
        ASSERT_TRUE(client.Connect(session, error)) << error;
        ASSERT_TRUE(client.CreateContext(capabilities, error)) << error;
        ASSERT_TRUE(client.SelectEngine(engine, kStartMs)) << "the input context did not take " << engine << " (it has "
                                                           << client.CurrentEngine() << "); the daemon's output:\n"
                                                           << EngineLog();
        enginePid = session.DaemonChild(copy.program);
        ASSERT_GT(enginePid, 0) << "the engine in use is not the installed copy";
        client.ClearRecords();
    }

    // The first half of Launch: the copy installed, the daemon started on
    // its component; no engine runs yet.
    void InstallAndStart(const std::string& program, const std::string& luaChon)
    {
        const std::string installer = program.substr(0, program.rfind('/') + 1) + "Lirano-Qt";
        for (const std::string& p : {program, installer})
            if (!ibustest::FileExists(p)) GTEST_SKIP() << p << " is not built yet";
        SkipWithoutSessionTools();
        if (IsSkipped()) return;
        std::string error;
        ASSERT_TRUE(session.Prepare(error)) << error;
        ASSERT_TRUE(copy.Make(session.Dir(), program, luaChon, error)) << error;
        ASSERT_TRUE(copy.Add(installer, error)) << error;
        ASSERT_TRUE(InstallComponent(error)) << error;
        ASSERT_TRUE(session.Start(error)) << error;
    }

    // A test engine (not the product) that registers its component itself:
    // started by hand, and selected once the bus knows it.
    void LaunchByHand(const std::string& program, const std::string& engine)
    {
        if (!ibustest::FileExists(program)) GTEST_SKIP() << program << " is not built yet";
        SkipWithoutSessionTools();
        if (IsSkipped()) return;
        std::string error;
        ASSERT_TRUE(session.Start(error)) << error;
        ASSERT_TRUE(copy.Make(session.Dir(), program, "", error)) << error;
        enginePid = session.Spawn({copy.program}, "engine.log", error);
        ASSERT_GT(enginePid, 0) << error;
        ASSERT_TRUE(client.Connect(session, error)) << error;
        ASSERT_TRUE(client.WaitForEngine(engine, kStartMs, [&] { return session.Alive(enginePid); }))
            << "engine " << engine << " did not register; its output:\n"
            << session.ReadLog("engine.log");
        ASSERT_TRUE(client.CreateContext(kCapabilities, error)) << error;
        ASSERT_TRUE(client.SelectEngine(engine, kStartMs));
        client.ClearRecords();
    }

    // Lirano-Qt --Install, run from the copy, writes the component that
    // names the copy's engine; the daemon reads it from there.
    bool InstallComponent(std::string& error)
    {
        session.componentPath = session.Path("component");
        ::mkdir(session.componentPath.c_str(), 0755);
        int rc = session.Run({copy.folder + "/Lirano-Qt", "--Install"}, 30000, "install.log",
                             {{"LIRANO_IBUS_COMPONENT_DIRS", session.componentPath}, {"QT_QPA_PLATFORM", "offscreen"}});
        if (rc == 0 && ibustest::FileExists(session.componentPath + "/Lirano.xml")) {
            // Engines installed from Debian, compared with Lirano as black
            // boxes; nothing is written there.
            if (systemComponents) session.componentPath += ":/usr/share/ibus/component";
            return true;
        }
        error = "Lirano-Qt --Install failed (" + std::to_string(rc) + "): " + session.ReadLog("install.log");
        return false;
    }

    // The daemon also reads the system's components.
    bool systemComponents = false;

    // The daemon passes the output of the engines it starts on as its own.
    // (fcitx5 runs its addons in its own process.)
    std::string EngineLog() const
    {
        return session.ReadLog("ibus-daemon.log") + session.ReadLog("fcitx5.log") + session.ReadLog("engine.log");
    }

    void TearDown() override
    {
        // A sanitizer build's engine reports into the daemon's output.
        const std::string log = session.Dir().empty() ? std::string() : EngineLog();
        for (const char* report : {"ERROR: AddressSanitizer", ": runtime error:", "WARNING: ThreadSanitizer"})
            EXPECT_EQ(log.find(report), std::string::npos) << "the engine reported: " << report;
        if (HasFailure() && !session.Dir().empty()) {
            std::cerr << "---- daemon and engine output\n" << log << "\n----\n";
        }
        client.Close();
        session.StopAll();
    }

    void SkipWithoutSessionTools()
    {
        for (const char* tool : {"dbus-daemon", "ibus-daemon", "Xvfb"})
            if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed (tools/deps.sh installs it)";
    }

    static bool OnPath(const std::string& tool)
    {
        const char* path = getenv("PATH");
        std::string p = path ? path : "/usr/bin:/bin";
        size_t start = 0;
        while (start <= p.size()) {
            size_t end = p.find(':', start);
            if (end == std::string::npos) end = p.size();
            if (ibustest::FileExists(p.substr(start, end - start) + "/" + tool)) return true;
            start = end + 1;
        }
        return false;
    }

    ibustest::PrivateSession session;
    ibustest::ProgramCopy copy;
    ibustest::Client client;
    pid_t enginePid = -1;
};

#define LIRANO_LAUNCH_BY_HAND(...)                                                                                     \
    do {                                                                                                               \
        LaunchByHand(__VA_ARGS__);                                                                                     \
        if (IsSkipped() || HasFatalFailure()) return;                                                                  \
    } while (0)

#define LIRANO_LAUNCH(...)                                                                                             \
    do {                                                                                                               \
        Launch(__VA_ARGS__);                                                                                           \
        if (IsSkipped() || HasFatalFailure()) return;                                                                  \
    } while (0)

#pragma once

// GoogleTest fixture over the private IBus session: each test starts its
// own D-Bus bus, Xvfb, ibus-daemon and a copy of the engine program, types
// through a client input context and stops everything again in TearDown.

#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "IBusHarness.h"

class IBusEngineTest : public ::testing::Test {
protected:
    static constexpr guint kCapabilities =
        IBUS_CAP_PREEDIT_TEXT | IBUS_CAP_FOCUS | IBUS_CAP_LOOKUP_TABLE | IBUS_CAP_PROPERTY;
    // Bounds of every wait: start-up steps, and engine reactions that arrive
    // after the key call has returned (suggestion loading, pointer watch).
    static constexpr int kStartMs = 15000;
    static constexpr int kReactMs = 5000;

    // Starts the session and the copy of `program` (a path in build/bin) with
    // `luaChon` as its options file, then selects `engine` for a focused
    // input context. Skips the test when the program is not built; fails on
    // anything else. Use through LIRANO_LAUNCH, which returns from the test.
    void Launch(const std::string& program, const std::string& engine, const std::string& luaChon,
                guint capabilities = kCapabilities)
    {
        if (!ibustest::FileExists(program)) GTEST_SKIP() << program << " is not built yet";
        for (const char* tool : {"dbus-daemon", "ibus-daemon", "Xvfb"})
            if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed (tools/deps.sh installs it)";
        std::string error;
        ASSERT_TRUE(session.Start(error)) << error;
        ASSERT_TRUE(copy.Make(session.Dir(), program, luaChon, error)) << error;
        enginePid = session.Spawn({copy.program}, "engine.log", error);
        ASSERT_GT(enginePid, 0) << error;
        ASSERT_TRUE(client.Connect(session, error)) << error;
        ASSERT_TRUE(client.WaitForEngine(engine, kStartMs, [&] { return session.Alive(enginePid); }))
            << "engine " << engine << " did not register; its output:\n" << session.ReadLog("engine.log");
        ASSERT_TRUE(client.CreateContext(capabilities, error)) << error;
        ASSERT_TRUE(client.SelectEngine(engine, kStartMs)) << "the input context did not take " << engine
                                                            << " (it has " << client.CurrentEngine() << ")";
        client.ClearRecords();
    }

    void TearDown() override
    {
        if (HasFailure() && !session.Dir().empty()) {
            std::cerr << "---- engine output\n" << session.ReadLog("engine.log") << "\n---- ibus-daemon output\n"
                      << session.ReadLog("ibus-daemon.log") << "\n----\n";
        }
        client.Close();
        session.StopAll();
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

#define LIRANO_LAUNCH(...)                                                                                         \
    do {                                                                                                           \
        Launch(__VA_ARGS__);                                                                                       \
        if (IsSkipped() || HasFatalFailure()) return;                                                              \
    } while (0)

// Key round trip through a private ibus-daemon: the time from the client's
// ProcessKeyEvent call to its reply, for key presses and releases, while a
// real text is typed. Lirano-IBus, the engine that takes no key and the
// least pre-edit engine (both from lirano-null-engine) run in the same
// session, and the input context switches between them, so the differences
// are what Lirano adds to the daemon's own cost and to any pre-edit engine's.
//
// The text: phrases of Resources/TuDienTuGhep.txt in file order, typed in
// Telex 2 (each shape mark right after its letter, the tone key at the end
// of its syllable), a space between words and between phrases.
//
//   bench_ibus_roundtrip [--keys N] [--mouse-hook] [--program PATH]
//
// Without --mouse-hook EnableMouseHook=0 and a space ends each phrase; with
// it EnableMouseHook=1 (the default: the pointer watch is armed while a word
// is in the pre-edit) and a Return ends each phrase. Either way each word is
// committed at its end.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "bench/RoundTrip.h"
#include "core/UtfConverter.h"
#include "tests/ibus/IBusHarness.h"

namespace {

using roundtrip::Percentile;
using roundtrip::Report;
using roundtrip::Timing;

void Measure(ibustest::Client& client, const std::vector<unsigned>& keys, size_t from, size_t to, size_t warmup,
             Timing& t)
{
    for (size_t i = from; i < to; ++i) {
        IBusInputContext* ic = client.context();
        auto t0 = ibustest::Clock::now();
        bool consumed = ibus_input_context_process_key_event(ic, keys[i], 0, 0);
        auto t1 = ibustest::Clock::now();
        ibus_input_context_process_key_event(ic, keys[i], 0, IBUS_RELEASE_MASK);
        auto t2 = ibustest::Clock::now();
        // Signals (pre-edit, commits) are handled outside the timed calls.
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        if (i < warmup) continue;
        double p = std::chrono::duration<double, std::micro>(t1 - t0).count();
        double r = std::chrono::duration<double, std::micro>(t2 - t1).count();
        t.press.push_back(p);
        t.release.push_back(r);
        t.both.push_back(p + r);
        t.consumed += consumed ? 1 : 0;
    }
}

int Fail(const std::string& what, ibustest::PrivateSession& session)
{
    std::fprintf(stderr, "bench_ibus_roundtrip: %s\n--- engine output\n%s\n--- ibus-daemon output\n%s\n", what.c_str(),
                 session.ReadLog("engine.log").c_str(), session.ReadLog("ibus-daemon.log").c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    size_t wanted = 20000;
    bool mouseHook = false;
    std::string program = ibustest::BinDir() + "/Lirano-IBus";
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--keys") && i + 1 < argc)
            wanted = (size_t)std::atol(argv[++i]);
        else if (!std::strcmp(argv[i], "--mouse-hook"))
            mouseHook = true;
        else if (!std::strcmp(argv[i], "--program") && i + 1 < argc)
            program = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--keys N] [--mouse-hook] [--program PATH]\n", argv[0]);
            return 2;
        }
    }
    const std::string nullEngine = ibustest::BinDir() + "/lirano-null-engine";
    for (const std::string& p : {program, nullEngine})
        if (!ibustest::FileExists(p)) {
            std::fprintf(stderr, "bench_ibus_roundtrip: %s is not built\n", p.c_str());
            return 1;
        }

    std::wstring expected;
    size_t phrases = 0;
    std::vector<size_t> ends;
    const std::vector<unsigned> keys = roundtrip::MakeKeys(ibustest::BinDir() + "/Resources/TuDienTuGhep.txt", wanted,
                                                           mouseHook, expected, phrases, ends);
    if (keys.size() < wanted) {
        std::fprintf(stderr, "bench_ibus_roundtrip: only %zu keys from the dictionary\n", keys.size());
        return 1;
    }
    const size_t warmup = std::min<size_t>(500, keys.size() / 10);

    ibustest::PrivateSession session;
    ibustest::ProgramCopy copy;
    ibustest::Client client;
    std::string error;
    // As on a desktop: the settings tool installs the component and the
    // daemon starts the engine from it; the null engine registers itself.
    if (!session.Prepare(error)) return Fail(error, session);
    std::string ini = std::string("[LuaChon]\nEnableMouseHook=") + (mouseHook ? "1" : "0") + "\n";
    if (!copy.Make(session.Dir(), program, ini, error) ||
        !copy.Add(program.substr(0, program.rfind('/') + 1) + "Lirano-Qt", error))
        return Fail(error, session);
    const std::string components = session.Path("component");
    mkdir(components.c_str(), 0755);
    if (session.Run({copy.folder + "/Lirano-Qt", "--Install"}, 30000, "install.log",
                    {{"LIRANO_IBUS_COMPONENT_DIRS", components}, {"QT_QPA_PLATFORM", "offscreen"}}) != 0)
        return Fail("Lirano-Qt --Install failed: " + session.ReadLog("install.log"), session);
    // ibus-unikey, where its Debian package is installed, takes turns too:
    // a black box reached through its own component. The daemon reads that
    // folder as well; nothing is written there.
    const bool unikey = ibustest::FileExists("/usr/share/ibus/component/unikey.xml");
    session.componentPath = components + (unikey ? ":/usr/share/ibus/component" : "");
    if (!session.Start(error)) return Fail(error, session);
    pid_t null = session.Spawn({nullEngine}, "null-engine.log", error);
    if (null < 0) return Fail(error, session);
    if (!client.Connect(session, error)) return Fail(error, session);
    if (!client.WaitForEngine("LiranoNull", 15000, [&] { return session.Alive(null); }))
        return Fail("the null engine did not register", session);
    if (!client.CreateContext(IBUS_CAP_PREEDIT_TEXT | IBUS_CAP_FOCUS | IBUS_CAP_LOOKUP_TABLE, error))
        return Fail(error, session);

    std::printf(
        "private session up in %.0f ms (dbus-daemon, Xvfb %s, ibus-daemon; Lirano-IBus started by the daemon)\n",
        session.startMs, session.Display().c_str());
    std::printf(
        "%zu keys (%zu phrases of TuDienTuGhep.txt in Telex 2), %zu warm-up keys not counted, "
        "EnableMouseHook=%d\n",
        keys.size(), phrases, warmup, mouseHook ? 1 : 0);

    // The engines take turns, a block of whole phrases each (the block ends
    // with a space or Return, so the text is committed before the switch),
    // so that a slower or busier stretch of the machine weighs on both.
    std::string unikeyName;
    if (unikey) {
        GList* list = ibus_bus_list_engines(client.bus());
        for (GList* p = list; p; p = p->next) {
            std::string name = ibus_engine_desc_get_name(IBUS_ENGINE_DESC(p->data));
            if (unikeyName.empty() && (name == "Unikey" || name == "unikey")) unikeyName = name;
        }
        g_list_free_full(list, g_object_unref);
        if (unikeyName.empty()) std::printf("ibus-unikey is installed but its engine is not listed\n");
    }
    Timing lt, nt, pt, ut;
    std::string committed;
    size_t from = 0;
    for (size_t e = 0; e < ends.size(); ++e) {
        const size_t to = ends[e];
        if (to - from < roundtrip::kBlock && e + 1 < ends.size()) continue;
        if (!client.SelectEngine("Lirano", 15000)) return Fail("cannot select Lirano", session);
        client.ClearRecords();
        Measure(client, keys, from, to, warmup, lt);
        client.Sync();
        committed += client.commits;
        if (!client.SelectEngine("LiranoNull", 15000)) return Fail("cannot select LiranoNull", session);
        client.ClearRecords();
        Measure(client, keys, from, to, warmup, nt);
        client.Sync();
        if (!client.commits.empty()) std::printf("the null engine committed text (it should not)\n");
        if (!client.SelectEngine("LiranoPreedit", 15000)) return Fail("cannot select LiranoPreedit", session);
        client.ClearRecords();
        Measure(client, keys, from, to, warmup, pt);
        client.Sync();
        if (!unikeyName.empty()) {
            if (!client.SelectEngine(unikeyName, 15000)) return Fail("cannot select " + unikeyName, session);
            client.ClearRecords();
            Measure(client, keys, from, to, warmup, ut);
            client.Sync();
        }
        from = to;
    }

    Report("Lirano-IBus", lt);
    Report("null engine", nt);
    Report("pre-edit", pt);
    if (!unikeyName.empty()) Report("ibus-unikey", ut);
    std::printf("difference   key    median %+7.1f us  p99 %+7.1f us  (Lirano-IBus minus null engine)\n",
                Percentile(lt.both, 0.5) - Percentile(nt.both, 0.5),
                Percentile(lt.both, 0.99) - Percentile(nt.both, 0.99));
    std::printf(
        "against pre-edit press  median %+7.1f us  p99 x%.2f  (Lirano-IBus minus, and over, the least "
        "pre-edit engine)\n",
        Percentile(lt.press, 0.5) - Percentile(pt.press, 0.5),
        Percentile(lt.press, 0.99) / std::max(1.0, Percentile(pt.press, 0.99)));
    roundtrip::ReportCommitted("Lirano-IBus", committed, UtfConverter::ToUtf8(expected));
    client.Close();
    session.StopAll();
    return 0;
}

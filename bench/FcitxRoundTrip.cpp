// Key round trip through a private fcitx5: the time from the client's
// ProcessKeyEvent call to its reply, for key presses and releases, while a
// real text is typed (the text of bench_ibus_roundtrip). The client is what
// Fcitx's GTK and Qt modules are, an input context of the D-Bus frontend
// (org.fcitx.Fcitx.InputContext1), called here through GDBus. Lirano's addon
// and Fcitx's own keyboard-us, which passes every key on, take turns in the
// same input context, so the difference is what Lirano adds to the daemon's
// own cost.
//
//   bench_fcitx_roundtrip [--keys N] [--mouse-hook] [--addon PATH]
//
// Without --mouse-hook EnableMouseHook=0 and a space ends each phrase; with
// it EnableMouseHook=1 and a Return ends each phrase. Without the addon
// built, keyboard-us alone is measured.
#include <gio/gio.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "bench/RoundTrip.h"
#include "core/UtfConverter.h"
#include "tests/ibus/IBusHarness.h"

namespace {

using roundtrip::Percentile;
using roundtrip::Report;
using roundtrip::Timing;

constexpr const char* kService = "org.fcitx.Fcitx5";
constexpr const char* kContextInterface = "org.fcitx.Fcitx.InputContext1";
constexpr int kCallMs = 5000;

// One input context of the D-Bus frontend, with the text it commits.
class FcitxContext {
public:
    ~FcitxContext()
    {
        if (bus_ && watch_) g_dbus_connection_signal_unsubscribe(bus_, watch_);
        if (bus_) {
            if (!path_.empty()) Call(kContextInterface, "DestroyIC", nullptr);
            g_dbus_connection_close_sync(bus_, nullptr, nullptr);
            g_object_unref(bus_);
        }
    }

    bool Open(const std::string& address, std::string& error)
    {
        GError* e = nullptr;
        bus_ =
            g_dbus_connection_new_for_address_sync(address.c_str(),
                                                   GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                                                   nullptr, nullptr, &e);
        if (!bus_) return Failed(e, error);
        GVariantBuilder args;
        g_variant_builder_init(&args, G_VARIANT_TYPE("a(ss)"));
        g_variant_builder_add(&args, "(ss)", "program", "bench_fcitx_roundtrip");
        GVariant* r = g_dbus_connection_call_sync(
            bus_, kService, "/org/freedesktop/portal/inputmethod", "org.fcitx.Fcitx.InputMethod1", "CreateInputContext",
            g_variant_new("(a(ss))", &args), G_VARIANT_TYPE("(oay)"), G_DBUS_CALL_FLAGS_NONE, kCallMs, nullptr, &e);
        if (!r) return Failed(e, error);
        const gchar* path = nullptr;
        g_variant_get(r, "(&o@ay)", &path, nullptr);
        path_ = path;
        g_variant_unref(r);
        watch_ = g_dbus_connection_signal_subscribe(bus_, nullptr, kContextInterface, "CommitString", path_.c_str(),
                                                    nullptr, G_DBUS_SIGNAL_FLAGS_NONE, OnCommit, this, nullptr);
        // As a GTK entry: it shows the pre-edit.
        const guint64 preedit = 1 << 1, formattedPreedit = 1 << 4;
        if (!Call(kContextInterface, "SetCapability", g_variant_new("(t)", preedit | formattedPreedit)) ||
            !Call(kContextInterface, "FocusIn", nullptr)) {
            error = "the input context refused its set-up";
            return false;
        }
        return true;
    }

    // Selects the input method for the focused context, and waits until
    // the daemon reports it.
    bool Select(const std::string& name)
    {
        if (!Call("org.fcitx.Fcitx.Controller1", "SetCurrentIM", g_variant_new("(s)", name.c_str()), "/controller"))
            return false;
        auto deadline = ibustest::Clock::now() + std::chrono::seconds(10);
        while (ibustest::Clock::now() < deadline) {
            GVariant* r = g_dbus_connection_call_sync(bus_, kService, "/controller", "org.fcitx.Fcitx.Controller1",
                                                      "CurrentInputMethod", nullptr, G_VARIANT_TYPE("(s)"),
                                                      G_DBUS_CALL_FLAGS_NONE, kCallMs, nullptr, nullptr);
            std::string current;
            if (r) {
                const gchar* s = nullptr;
                g_variant_get(r, "(&s)", &s);
                current = s;
                g_variant_unref(r);
            }
            Pump();
            if (current == name) return true;
            g_usleep(2000);
        }
        return false;
    }

    // One key down or up, answered by the daemon: true when consumed; false
    // also when there is no answer in time.
    bool Key(unsigned keyval, bool release)
    {
        // Capitals come with Shift, as from a keyboard.
        const guint32 state = keyval >= 'A' && keyval <= 'Z' ? 1 : 0;
        GVariant* r =
            g_dbus_connection_call_sync(bus_, kService, path_.c_str(), kContextInterface, "ProcessKeyEvent",
                                        g_variant_new("(uuubu)", keyval, 0u, state, release, 0u), G_VARIANT_TYPE("(b)"),
                                        G_DBUS_CALL_FLAGS_NONE, kCallMs, nullptr, nullptr);
        if (!r) {
            ++lost;
            return false;
        }
        gboolean consumed = FALSE;
        g_variant_get(r, "(b)", &consumed);
        g_variant_unref(r);
        return consumed;
    }

    // Handles the signals queued so far (commits), outside any timing.
    void Pump()
    {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
    }

    // Every signal sent before the answer to a fresh call is queued here.
    void Sync()
    {
        Call("org.fcitx.Fcitx.Controller1", "CurrentInputMethod", nullptr, "/controller");
        Pump();
    }

    std::string commits;
    int lost = 0;

private:
    bool Call(const char* interface, const char* method, GVariant* params, const char* path = nullptr)
    {
        GVariant* r = g_dbus_connection_call_sync(bus_, kService, path ? path : path_.c_str(), interface, method,
                                                  params, nullptr, G_DBUS_CALL_FLAGS_NONE, kCallMs, nullptr, nullptr);
        if (r) g_variant_unref(r);
        return r != nullptr;
    }

    static bool Failed(GError* e, std::string& error)
    {
        error = e ? e->message : "unknown D-Bus error";
        if (e) g_error_free(e);
        return false;
    }

    static void OnCommit(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* params,
                         gpointer self)
    {
        const gchar* s = nullptr;
        g_variant_get(params, "(&s)", &s);
        static_cast<FcitxContext*>(self)->commits += s ? s : "";
    }

    GDBusConnection* bus_ = nullptr;
    std::string path_;
    guint watch_ = 0;
};

void Measure(FcitxContext& ic, const std::vector<unsigned>& keys, size_t from, size_t to, size_t warmup, Timing& t)
{
    for (size_t i = from; i < to; ++i) {
        auto t0 = ibustest::Clock::now();
        bool consumed = ic.Key(keys[i], false);
        auto t1 = ibustest::Clock::now();
        ic.Key(keys[i], true);
        auto t2 = ibustest::Clock::now();
        ic.Pump();
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
    std::fprintf(stderr, "bench_fcitx_roundtrip: %s\n--- fcitx5 output\n%s\n", what.c_str(),
                 session.ReadLog("fcitx5.log").c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    size_t wanted = 20000;
    bool mouseHook = false;
    std::string addon = ibustest::BinDir() + "/lirano.so";
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--keys") && i + 1 < argc)
            wanted = (size_t)std::atol(argv[++i]);
        else if (!std::strcmp(argv[i], "--mouse-hook"))
            mouseHook = true;
        else if (!std::strcmp(argv[i], "--addon") && i + 1 < argc)
            addon = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--keys N] [--mouse-hook] [--addon PATH]\n", argv[0]);
            return 2;
        }
    }
    const bool lirano = ibustest::FileExists(addon);
    if (!lirano) std::printf("%s is not built: keyboard-us alone\n", addon.c_str());

    std::wstring expected;
    size_t phrases = 0;
    std::vector<size_t> ends;
    const std::vector<unsigned> keys = roundtrip::MakeKeys(ibustest::BinDir() + "/Resources/TuDienTuGhep.txt", wanted,
                                                           mouseHook, expected, phrases, ends);
    if (keys.size() < wanted) {
        std::fprintf(stderr, "bench_fcitx_roundtrip: only %zu keys from the dictionary\n", keys.size());
        return 1;
    }
    const size_t warmup = std::min<size_t>(500, keys.size() / 10);

    ibustest::PrivateSession session;
    ibustest::ProgramCopy copy;
    std::string error;
    session.framework = ibustest::Framework::Fcitx5;
    if (!session.Prepare(error)) return Fail(error, session);
    if (lirano) {
        // A copy of the addon (with Resources/ beside it) and its options;
        // its .conf files from the build's share/ folder.
        std::string ini = std::string("[LuaChon]\nEnableMouseHook=") + (mouseHook ? "1" : "0") + "\n";
        if (!copy.Make(session.Dir(), addon, ini, error)) return Fail(error, session);
        session.fcitxInputMethod = session.fcitxAddon = "lirano";
        session.fcitxAddonDir = copy.folder;
        session.fcitxDataDir = std::filesystem::path(addon).parent_path().string() + "/../share";
    }
    if (!session.Start(error)) return Fail(error, session);
    FcitxContext ic;
    if (!ic.Open(session.DBusAddress(), error)) return Fail(error, session);

    std::printf("private session up in %.0f ms (dbus-daemon, Xvfb %s, fcitx5%s)\n", session.startMs,
                session.Display().c_str(), lirano ? " with a copy of lirano.so" : "");
    std::printf(
        "%zu keys (%zu phrases of TuDienTuGhep.txt in Telex 2), %zu warm-up keys not counted, "
        "EnableMouseHook=%d\n",
        keys.size(), phrases, warmup, mouseHook ? 1 : 0);

    // The input methods take turns, a block of whole phrases each (the
    // block ends with a space or Return, so the text is committed before
    // the switch), so that a slower or busier stretch of the machine weighs
    // on both.
    Timing lt, kt;
    std::string committed;
    size_t from = 0;
    for (size_t e = 0; e < ends.size(); ++e) {
        const size_t to = ends[e];
        if (to - from < roundtrip::kBlock && e + 1 < ends.size()) continue;
        if (lirano) {
            if (!ic.Select("lirano")) return Fail("cannot select lirano", session);
            ic.commits.clear();
            Measure(ic, keys, from, to, warmup, lt);
            ic.Sync();
            committed += ic.commits;
        }
        if (!ic.Select("keyboard-us")) return Fail("cannot select keyboard-us", session);
        ic.commits.clear();
        Measure(ic, keys, from, to, warmup, kt);
        ic.Sync();
        if (!ic.commits.empty()) std::printf("keyboard-us committed text (it should not)\n");
        from = to;
    }
    if (ic.lost) std::printf("%d key events had no answer within %d ms\n", ic.lost, kCallMs);

    if (lirano) Report("Lirano-Fcitx", lt);
    Report("keyboard-us", kt);
    if (lirano) {
        std::printf("difference   key    median %+7.1f us  p99 %+7.1f us  (Lirano-Fcitx minus keyboard-us)\n",
                    Percentile(lt.both, 0.5) - Percentile(kt.both, 0.5),
                    Percentile(lt.both, 0.99) - Percentile(kt.both, 0.99));
        roundtrip::ReportCommitted("Lirano-Fcitx", committed, UtfConverter::ToUtf8(expected));
    }
    session.StopAll();
    return 0;
}

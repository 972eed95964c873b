// Real applications typed into as a user types, on a private Xvfb display
// with its own ibus-daemon, which starts the installed engine itself: GTK 3
// and GTK 4 windows through IBus's GTK modules, Qt 6 and Qt 5 windows
// through Qt's IBus input contexts, Chromium and Firefox on a local page, a
// LibreOffice Writer document, a VTE terminal, and xterm through XIM; and
// the GTK 3, Qt 6 and Qt 5 windows again through a private fcitx5 with
// Fcitx's own GTK and Qt modules. Keys go in through XTest (xdotool). What
// every field holds at the end must equal what the typing engine gives for
// the same keys.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "core/SettingUtils.h"
#include "core/UtfConverter.h"
#include "core/Utils.h"
#include "engine/LuaChon.h"
#include "engine/TextHost.h"
#include "tests/common/KeyStreams.h"
#include "tests/ibus/IBusFixture.h"

namespace {

// Keys as the driver presses them: printable characters, plus these.
constexpr wchar_t kBackspace = L'\b', kReturn = L'\n', kTab = L'\t';

// One field as the application sees it: the engine's run, committed where
// the engine program commits it (at every word end with the default
// options), and the field's own edits (a Backspace the engine leaves to it,
// a Tab or Return it takes as a character).
class FieldModel {
public:
    // `raw`: for the pre-edit engine that types keys as they are.
    explicit FieldModel(const std::wstring& method, bool raw = false) : raw_(raw)
    {
        LuaChon options;
        options.KieuGo = method;
        options.ApDung(host_.BoGo);
    }
    void Keys(const std::wstring& keys)
    {
        for (wchar_t c : keys) {
            if (raw_) {
                if (c != kBackspace)
                    host_.Committed += c;
                else if (!host_.Committed.empty())
                    host_.Committed.pop_back();
            } else if (c == kBackspace) {
                host_.BackspaceKey();
            } else if (c == kReturn || c == kTab) {
                host_.Commit();
                host_.Insert(c);
            } else {
                host_.Key(c);
                if (c == L' ') host_.Commit();
            }
        }
    }
    // Focus leaves the field, or Tab, which the field does not keep.
    void Leave() { host_.Commit(); }
    // Text the page puts in the field itself.
    void Set(const std::wstring& text)
    {
        host_.Commit();
        host_.Committed = text;
    }
    std::string Text()
    {
        host_.Commit();
        return UtfConverter::ToUtf8(host_.Committed);
    }
    // The field's text with the pre-edit, as a browser shows it.
    std::string Shown() const { return UtfConverter::ToUtf8(host_.Committed + (raw_ ? L"" : host_.Text)); }
    std::string Before() const { return UtfConverter::ToUtf8(host_.Committed); }
    // The field's text while nothing is in the pre-edit.
    bool Settled(std::string& text) const
    {
        if (!raw_ && host_.BoGo.DaGo) return false;
        text = UtfConverter::ToUtf8(host_.Committed);
        return true;
    }

private:
    bool raw_;
    CTextHost host_;
};

// Keys for a Vietnamese text: each word's keys, its punctuation after it.
std::wstring KeysFor(const std::wstring& text, const std::wstring& method)
{
    std::wstring out, word;
    auto flush = [&] {
        size_t end = word.size();
        while (end > 0 && (word[end - 1] == L'.' || word[end - 1] == L',')) --end;
        if (end > 0) out += keys::Syllable(word.substr(0, end), method);
        out += word.substr(end);
        word.clear();
    };
    for (wchar_t c : text) {
        if (c == L' ') {
            flush();
            out += c;
        } else {
            word += c;
        }
    }
    flush();
    return out;
}

std::wstring Join(const std::vector<std::wstring>& words)
{
    std::wstring out;
    for (const std::wstring& w : words) out += (out.empty() ? L"" : L" ") + w;
    return out;
}

std::vector<std::wstring> ReadLines(const std::string& path)
{
    std::vector<std::wstring> lines;
    std::ifstream in(path);
    for (std::string l; std::getline(in, l);)
        if (!l.empty()) lines.push_back(UtfConverter::FromUtf8(l));
    return lines;
}

// The text typed into the big field: real words, ten to a line, and real
// sentences, each line ended by Return; only entries the engine types back
// exactly as written (some are written in the other tone style).
std::vector<std::wstring> CorpusLines(const std::wstring& method, size_t& words)
{
    std::vector<std::wstring> lines, line;
    words = 0;
    auto exact = [&](const std::wstring& text) {
        FieldModel m(method);
        m.Keys(KeysFor(text, method));
        return m.Text() == UtfConverter::ToUtf8(text);
    };
    const auto dictionary = ReadLines(ibustest::BinDir() + "/Resources/TuDienTuGhep.txt");
    for (size_t i = 1; i < dictionary.size() && words < 300; i += dictionary.size() / 330) {
        if (!exact(dictionary[i])) continue;
        line.push_back(dictionary[i]);
        ++words;
        if (line.size() == 10) {
            lines.push_back(Join(line));
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(Join(line));
    for (const std::wstring& s : ReadLines(LIRANO_SOURCE_DIR "/tests/desktop/sentences.txt"))
        if (exact(s)) lines.push_back(s);
    return lines;
}

// What a real application runs in: the session's variables plus the IM
// module settings a desktop sets (and no compiled Python left in the tree).
std::map<std::string, std::string> ClientEnv(const std::string& folder, bool wayland = false, bool fcitx = false)
{
    if (fcitx)
        return {{"GTK_IM_MODULE", "fcitx"}, {"QT_IM_MODULE", "fcitx"},       {"XMODIFIERS", "@im=fcitx"},
                {"LC_ALL", "C.UTF-8"},      {"QT_QPA_PLATFORM", "xcb"},      {"LIRANO_CLIENT_DIR", folder},
                {"GDK_BACKEND", "x11"},     {"PYTHONDONTWRITEBYTECODE", "1"}};
    if (wayland)
        return {{"GTK_IM_MODULE", "ibus"},       {"QT_IM_MODULE", "ibus"},   {"LC_ALL", "C.UTF-8"},
                {"QT_QPA_PLATFORM", "wayland"},  {"GDK_BACKEND", "wayland"}, {"LIRANO_CLIENT_DIR", folder},
                {"PYTHONDONTWRITEBYTECODE", "1"}};
    return {{"GTK_IM_MODULE", "ibus"}, {"QT_IM_MODULE", "ibus"},        {"XMODIFIERS", "@im=ibus"},
            {"LC_ALL", "C.UTF-8"},     {"QT_QPA_PLATFORM", "xcb"},      {"LIRANO_CLIENT_DIR", folder},
            {"GDK_BACKEND", "x11"},    {"PYTHONDONTWRITEBYTECODE", "1"}};
}

// Where sway shows a window, by its title: "X Y" of its content.
const char* kSwayWindowAt = R"(
import json, subprocess, sys
tree = json.loads(subprocess.check_output(["swaymsg", "-s", sys.argv[1], "-r", "-t", "get_tree"]))
def walk(n):
    if n.get("name") == sys.argv[2]:
        r, w = n["rect"], n.get("window_rect", {"x": 0, "y": 0})
        print(r["x"] + w["x"], r["y"] + w["y"])
        sys.exit(0)
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        walk(c)
walk(tree)
sys.exit(1)
)";

struct State {
    std::map<std::string, std::string> texts;
    std::map<std::string, std::pair<int, int>> places;
    std::map<std::string, unsigned long> windows;
    std::map<std::string, std::string> titles; // on Wayland
    std::string focus;
};

std::string Unhex(const std::string& hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += (char)std::stoi(hex.substr(i, 2), nullptr, 16);
    return out;
}

// An application as the tests meet it: what starts it, what it needs
// installed, and which fields it has. Every one has the window "other" with
// the field "other", for switches between windows.
struct ClientKind {
    const char* name;
    std::vector<std::string> argv;
    std::string needs; // a file that must exist, or a program on the PATH
    std::string big;   // the field that takes lines
    bool entries;      // entry1 to entry3 and password, with Tab between them
    bool page;         // the browser page's own fields
    bool wayland;      // in a headless sway session, no X server at all
};

const std::string kPython = "/usr/bin/python3";
const std::string kLib = "/usr/lib/x86_64-linux-gnu/";

std::vector<ClientKind> Clients()
{
    auto script = [](const char* name) { return std::string(LIRANO_SOURCE_DIR "/tests/desktop/") + name; };
    return {
        {"Gtk3",
         {kPython, script("gtk_client.py")},
         kLib + "gtk-3.0/3.0.0/immodules/im-ibus.so",
         "text",
         true,
         false,
         false},
        {"Gtk4",
         {kPython, script("gtk4_client.py")},
         kLib + "gtk-4.0/4.0.0/immodules/libim-ibus.so",
         "text",
         true,
         false,
         false},
        {"Qt6", {ibustest::BinDir() + "/lirano-qt-client"}, "", "text", true, false, false},
        {"WaylandGtk3",
         {kPython, script("gtk_client.py")},
         kLib + "gtk-3.0/3.0.0/immodules/im-ibus.so",
         "text",
         true,
         false,
         true},
        {"WaylandGtk4",
         {kPython, script("gtk4_client.py")},
         kLib + "gtk-4.0/4.0.0/immodules/libim-ibus.so",
         "text",
         true,
         false,
         true},
        {"WaylandQt6",
         {ibustest::BinDir() + "/lirano-qt-client"},
         kLib + "qt6/plugins/platforms/libqwayland-generic.so",
         "text",
         true,
         false,
         true},
        {"Qt5",
         {kPython, script("qt5_client.py")},
         kLib + "qt5/plugins/platforminputcontexts/libibusplatforminputcontextplugin.so",
         "text",
         true,
         false,
         false},
        {"Chromium", {kPython, script("browser_client.py"), "chromium"}, "chromium", "text", true, true, false},
        {"Firefox", {kPython, script("browser_client.py"), "firefox"}, "firefox-esr", "text", true, true, false},
        {"Writer", {kPython, script("writer_client.py")}, "soffice", "doc", false, false, false},
        {"Vte",
         {kPython, script("vte_client.py")},
         kLib + "girepository-1.0/Vte-2.91.typelib",
         "term",
         false,
         false,
         false},
    };
}

struct TypingRun {
    ClientKind client;
    std::wstring method;
    bool mouseHook;
    bool fcitx = false; // through the private fcitx5
};

void PrintTo(const TypingRun& r, std::ostream* os) { *os << r.client.name; }

// Each application with both typing methods and both settings of the
// mouse watch, one pairing a run.
std::vector<TypingRun> Runs(bool pending)
{
    // Kept apart, as they lose and reorder keys typed through IBus by
    // themselves: Firefox now and then drops or moves a letter, GTK 4 (on
    // X11 and on Wayland) reorders the keys of a password entry and drops
    // letters and Returns. The least pre-edit engine fails the same way in both
    // (LIRANO_DESKTOP_ENGINE=LiranoPreedit, --gtest_also_run_disabled_tests).
    std::vector<TypingRun> runs;
    for (const ClientKind& c : Clients()) {
        const std::string name = c.name;
        if (pending != (name == "Firefox" || name == "Gtk4" || name == "WaylandGtk4")) continue;
        // Without X there is no mouse watch to set: one run each.
        if (!c.wayland || name != "WaylandQt6") runs.push_back({c, L"Telex 2", true});
        if (!c.wayland || name == "WaylandQt6") runs.push_back({c, L"VNI", false});
    }
    return runs;
}

// The X windows that Fcitx has modules for, through them: each with Telex
// and the mouse watch, and with VNI without it.
std::vector<TypingRun> FcitxRuns()
{
    const std::map<std::string, std::string> modules = {
        {"Gtk3", kLib + "gtk-3.0/3.0.0/immodules/im-fcitx5.so"},
        {"Qt6", kLib + "qt6/plugins/platforminputcontexts/libfcitx5platforminputcontextplugin.so"},
        {"Qt5", kLib + "qt5/plugins/platforminputcontexts/libfcitx5platforminputcontextplugin.so"}};
    std::vector<TypingRun> runs;
    for (ClientKind c : Clients()) {
        if (!modules.count(c.name)) continue;
        c.needs = modules.at(c.name);
        runs.push_back({c, L"Telex 2", true, true});
        runs.push_back({c, L"VNI", false, true});
    }
    return runs;
}

std::string RunName(const ::testing::TestParamInfo<TypingRun>& info)
{
    const TypingRun& r = info.param;
    return std::string(r.client.name) + (r.method == L"VNI" ? "Vni" : "Telex") +
           (r.mouseHook ? "WithMouseHook" : "WithoutMouseHook");
}

// The keyboard and pointer of a Wayland session: lirano-wl-input, one
// virtual keyboard for the whole run (a new one per key would look to the
// clients like a keyboard plugged in each time), told what to do a line at
// a time; it answers each line once the compositor has it.
class WaylandInput {
public:
    ~WaylandInput() { Stop(); }
    bool Start(const std::vector<std::string>& env, std::string& error)
    {
        // A driver that died shows as a failed command, not as SIGPIPE.
        signal(SIGPIPE, SIG_IGN);
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
            error = "pipe failed";
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        const std::string program = ibustest::BinDir() + "/lirano-wl-input";
        std::vector<char*> argv = {const_cast<char*>(program.c_str()), nullptr}, envp;
        for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        toDriver_ = in[1];
        fromDriver_ = out[0];
        if (rc != 0) {
            pid_ = -1;
            error = "cannot start " + program;
            return false;
        }
        return true;
    }
    // Sends one command; the driver's answer, or why there is none.
    std::string Do(const std::string& command, int timeoutMs = 60000)
    {
        const std::string line = command + "\n";
        if (write(toDriver_, line.data(), line.size()) != (ssize_t)line.size()) return "error: the driver is gone";
        std::string answer;
        auto deadline = ibustest::Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (char c = 0; c != '\n';) {
            const int left =
                (int)std::chrono::duration_cast<std::chrono::milliseconds>(deadline - ibustest::Clock::now()).count();
            pollfd fd{fromDriver_, POLLIN, 0};
            if (left <= 0 || poll(&fd, 1, left) <= 0 || read(fromDriver_, &c, 1) != 1)
                return "error: no answer to " + command;
            if (c != '\n') answer += c;
        }
        return answer;
    }
    void Stop()
    {
        if (toDriver_ >= 0) close(toDriver_);
        if (fromDriver_ >= 0) close(fromDriver_);
        toDriver_ = fromDriver_ = -1;
        if (pid_ <= 0) return;
        // It ends with its input; killed if it does not.
        for (int i = 0; i < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (kill(pid_, SIGKILL) == 0) waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int toDriver_ = -1, fromDriver_ = -1;
};

} // namespace

class DesktopTest : public IBusEngineTest {
protected:
    // Installs the engine with `luaChon`, starts the daemon (with XIM) on
    // the session's display. By hand, LIRANO_DESKTOP_ENGINE names another
    // engine to type with: LiranoPreedit, the least pre-edit engine, tells an
    // application's own faults from Lirano's; an engine installed from
    // Debian (Unikey) is typed with as a black box, to compare.
    void StartDesktop(const std::string& luaChon)
    {
        if (fcitx) return StartFcitx(luaChon);
        const char* other = getenv("LIRANO_DESKTOP_ENGINE");
        if (other && *other) engineName = other;
        systemComponents = !TestEngine() && engineName != "Lirano";
        for (const char* tool : {wayland ? "sway" : "xdotool", wayland ? "swaymsg" : "Xvfb", "ibus-daemon"})
            if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed (tools/deps.sh installs it)";
        session.xim = !wayland;
        session.wayland = wayland;
        session.swayConfig = LIRANO_SOURCE_DIR "/tests/desktop/sway.conf";
        InstallAndStart(ibustest::BinDir() + "/Lirano-IBus", luaChon);
        if (IsSkipped() || HasFatalFailure()) return;
        if (wayland) {
            // Before the clients, which then see the keyboard from the start.
            std::string error;
            ASSERT_TRUE(input.Start(session.ChildEnvironment(), error)) << error;
            ASSERT_EQ(input.Do("delay " + delay), "ok") << session.ReadLog("sway.log");
        }
        if (!TestEngine()) return;
        std::string error;
        ASSERT_GT(session.Spawn({ibustest::BinDir() + "/lirano-null-engine"}, "null-engine.log", error), 0) << error;
        // Registered by the program itself: it can be chosen once it is up.
        ASSERT_TRUE(WaitUntil([&] {
            return Ibus({"engine", engineName}) == 0;
        })) << engineName
            << " did not register: " << session.ReadLog("null-engine.log");
    }
    // The same through a private fcitx5 that loads a copy of the addon,
    // with `luaChon` as its options file. By hand, LIRANO_FCITX_ENGINE
    // names another input method: keyboard-us, Fcitx's own, which passes
    // every key on, tells the application's and Fcitx's faults from Lirano's.
    void StartFcitx(const std::string& luaChon)
    {
        const char* other = getenv("LIRANO_FCITX_ENGINE");
        engineName = other && *other ? other : "lirano";
        for (const char* tool : {"xdotool", "Xvfb", "dbus-daemon", "dbus-send", "fcitx5"})
            if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed";
        session.framework = ibustest::Framework::Fcitx5;
        session.fcitxInputMethod = engineName;
        std::string error;
        ASSERT_TRUE(session.Prepare(error)) << error;
        if (engineName == "lirano") {
            const std::string addon = ibustest::BinDir() + "/lirano.so";
            if (!ibustest::FileExists(addon)) GTEST_SKIP() << addon << " is not built yet";
            ASSERT_TRUE(copy.Make(session.Dir(), addon, luaChon, error)) << error;
            session.fcitxAddon = "lirano";
            session.fcitxAddonDir = copy.folder;
            // Where the build writes the addon's and the input method's .conf.
            session.fcitxDataDir = ibustest::BinDir() + "/../share";
        }
        ASSERT_TRUE(session.Start(error)) << error;
    }
    bool TestEngine() const { return engineName == "LiranoPreedit" || engineName == "LiranoNull"; }
    // The test engines and keyboard-us type the keys as they are.
    bool Raw() const { return TestEngine() || engineName == "keyboard-us"; }

    // Selects Lirano as a desktop does at login, before any application has
    // focus, then starts a client and waits for its first state.
    void StartClient(const ClientKind& kind)
    {
        if (!kind.needs.empty() && !ibustest::FileExists(kind.needs) && !OnPath(kind.needs.c_str()))
            GTEST_SKIP() << kind.needs << " is not installed (tools/deps.sh installs it)";
        if (fcitx) return StartFcitxClient(kind);
        // The daemon starts the engine itself. The tool then sets the X
        // keyboard layout, which fails where there is no X: the engine is
        // chosen all the same, as the check below shows.
        const int chosen = Ibus({"engine", engineName});
        if (!wayland && !systemComponents) { // and with a layout setxkbmap does not know
            ASSERT_EQ(chosen, 0) << session.ReadLog("ibus.log");
        }
        ASSERT_TRUE(WaitUntil([&] {
            return Ibus({"engine"}) == 0 && session.ReadLog("ibus.log") == engineName + "\n";
        })) << session.ReadLog("ibus.log");
        clientDir = session.Path("client");
        ::mkdir(clientDir.c_str(), 0700);
        std::string error;
        const pid_t clientPid = session.Spawn(kind.argv, "client.log", error, ClientEnv(clientDir, wayland));
        ASSERT_GT(clientPid, 0) << error;
        // Writer and the browsers take seconds to come up on a busy machine.
        ASSERT_TRUE(Read(
            state, [](const State& s) { return s.windows.size() == 2; }, 90000))
            << "the client did not come up: " << session.ReadLog("client.log");
        if (wayland) {
            // sway tiles the windows as they come: the places hold once both
            // stand side by side and the client has laid itself out again.
            std::pair<int, int> main, other;
            ASSERT_TRUE(WaitUntil([&] {
                main = WindowAt("main");
                other = WindowAt("other");
                return main.first >= 0 && other.first >= 0 && main.first != other.first;
            })) << "windows "
                << state.titles["main"] << " at " << main.first << "," << main.second << " and "
                << state.titles["other"] << " at " << other.first << "," << other.second;
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            ASSERT_TRUE(Read(state));
        }
        Focus("main");
    }

    // Every input context starts in the input method. Fcitx's Qt module
    // makes a window's input context only when the window first has the
    // focus, and hands keys to the window uncooked until the daemon has
    // answered (a typist never beats that): so each window has the focus
    // once, and its context stands in the input method, before any key.
    void StartFcitxClient(const ClientKind& kind)
    {
        clientDir = session.Path("client");
        ::mkdir(clientDir.c_str(), 0700);
        std::string error;
        ASSERT_GT(session.Spawn(kind.argv, "client.log", error, ClientEnv(clientDir, false, true)), 0) << error;
        ASSERT_TRUE(Read(
            state, [](const State& s) { return s.windows.size() == 2; }, 90000))
            << "the client did not come up: " << session.ReadLog("client.log");
        int contexts = 0;
        for (const char* window : {"other", "main"}) {
            Focus(window);
            if (HasFatalFailure()) return;
            ++contexts;
            std::string current, info;
            ASSERT_TRUE(WaitUntil([&] {
                return FcitxCall("DebugInfo", info) && Count(info, "frontend:dbus") >= contexts &&
                       FcitxCall("CurrentInputMethod", current) && current == engineName;
            })) << "the focused field of window "
                << window << " is in " << current << ", not in " << engineName << "; the daemon's contexts:\n"
                << info;
        }
    }

    // A string the daemon's controller answers with.
    bool FcitxCall(const std::string& method, std::string& answer)
    {
        std::remove(session.Path("controller.log").c_str());
        if (session.Run({"dbus-send", "--session", "--print-reply=literal", "--dest=org.fcitx.Fcitx5", "/controller",
                         "org.fcitx.Fcitx.Controller1." + method},
                        10000, "controller.log") != 0)
            return false;
        answer = session.ReadLog("controller.log");
        // The literal reply: the string indented, a line end after it.
        answer.erase(0, answer.find_first_not_of(' '));
        while (!answer.empty() && (answer.back() == '\n' || answer.back() == ' ')) answer.pop_back();
        return true;
    }

    static int Count(const std::string& text, const std::string& what)
    {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }

    int Ibus(std::vector<std::string> args)
    {
        args.insert(args.begin(), "ibus");
        std::remove(session.Path("ibus.log").c_str());
        return session.Run(args, 10000, "ibus.log");
    }

    void Xdo(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv = {"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        ASSERT_EQ(session.Run(argv, 60000, "xdotool.log"), 0) << session.ReadLog("xdotool.log");
    }

    void Drive(const std::string& command)
    {
        const std::string answer = input.Do(command);
        ASSERT_EQ(answer, "ok") << command;
    }

    // Presses the keys; printable runs in one call.
    void Type(const std::wstring& keys)
    {
        std::wstring run;
        auto flush = [&] {
            if (run.empty()) return;
            if (wayland)
                Drive("type " + UtfConverter::ToUtf8(run));
            else
                Xdo({"type", "--delay", delay, "--", UtfConverter::ToUtf8(run)});
            run.clear();
        };
        for (wchar_t c : keys) {
            const char* name = c == kBackspace ? "BackSpace" : c == kReturn ? "Return" : c == kTab ? "Tab" : nullptr;
            if (!name) {
                run += c;
                continue;
            }
            flush();
            if (wayland)
                Drive(std::string("key ") + name);
            else
                Xdo({"key", "--delay", delay, name});
        }
        flush();
    }

    // Where sway shows the window, on Wayland; -1, -1 while it does not.
    std::pair<int, int> WindowAt(const std::string& window)
    {
        const std::string title = state.titles[window];
        std::remove(session.Path("tree.log").c_str()); // logs are appended to
        if (session.Run({kPython, "-c", kSwayWindowAt, session.SwaySocket(), title}, 10000, "tree.log") != 0)
            return {-1, -1};
        std::istringstream at(session.ReadLog("tree.log"));
        int x = -1, y = -1;
        at >> x >> y;
        return {x, y};
    }

    void Focus(const std::string& window)
    {
        if (wayland)
            ASSERT_EQ(session.Run(
                          {"swaymsg", "-s", session.SwaySocket(), "[title=\"" + state.titles[window] + "\"]", "focus"},
                          10000, "swaymsg.log"),
                      0)
                << session.ReadLog("swaymsg.log");
        else
            Xdo({"windowfocus", "--sync", std::to_string(state.windows[window])});
        ASSERT_TRUE(WaitUntil([&] { return Read(state) && !state.focus.empty(); }))
            << "no field has the focus in window " << window;
    }

    void Click(const std::string& field)
    {
        auto [x, y] = state.places[field];
        if (wayland) {
            // Places are within the window there.
            auto [wx, wy] = WindowAt(field == "other" ? "other" : "main");
            ASSERT_GE(wx, 0) << "sway shows no such window: " << session.ReadLog("tree.log");
            x += wx;
            y += wy;
            Drive("click " + std::to_string(x) + " " + std::to_string(y));
        } else {
            Xdo({"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
        }
        ASSERT_TRUE(WaitUntil([&] { return Read(state) && state.focus == field; }))
            << "the click at " << x << "," << y << " did not focus " << field << " (focus: " << state.focus << ")";
    }

    // Asks the client for its state and reads it; with `done`, until it holds.
    bool Read(State& out, const std::function<bool(const State&)>& done = nullptr, int timeoutMs = 15000)
    {
        auto deadline = ibustest::Clock::now() + std::chrono::milliseconds(timeoutMs);
        do {
            std::remove((clientDir + "/state.txt").c_str());
            std::ofstream(clientDir + "/state.req").put('\n');
            for (int i = 0; i < 200 && !ibustest::FileExists(clientDir + "/state.txt"); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            State s;
            std::istringstream lines(ibustest::ReadFile(clientDir + "/state.txt"));
            for (std::string kind, name; lines >> kind >> name;) {
                if (kind == "text") {
                    std::string hex;
                    std::getline(lines, hex);
                    s.texts[name] = Unhex(hex.substr(
                        hex.find_first_not_of(' ') == std::string::npos ? hex.size() : hex.find_first_not_of(' ')));
                } else if (kind == "place") {
                    lines >> s.places[name].first >> s.places[name].second;
                } else if (kind == "window") {
                    lines >> s.windows[name];
                } else if (kind == "title") {
                    lines >> s.titles[name];
                } else if (kind == "focus") {
                    s.focus = name;
                }
            }
            if (!s.windows.empty()) {
                out = s;
                if (!done || done(out)) return true;
            }
        } while (ibustest::Clock::now() < deadline);
        return false;
    }

    bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 15000)
    {
        auto deadline = ibustest::Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            if (ibustest::Clock::now() >= deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    // The fields' texts once they equal `expected` (the application may
    // still be working through the keys), or as they are after the wait.
    void ExpectTexts(const std::map<std::string, std::string>& expected)
    {
        Read(state, [&](const State& s) {
            for (const auto& [name, text] : expected)
                if (!s.texts.count(name) || s.texts.at(name) != text) return false;
            return true;
        });
        for (const auto& [name, text] : expected) {
            const std::string& got = state.texts[name];
            if (got == text) continue;
            // Where they part, with some text around it: the fields are long.
            size_t at =
                std::mismatch(got.begin(), got.begin() + std::min(got.size(), text.size()), text.begin()).first -
                got.begin();
            const size_t from = at > 60 ? at - 60 : 0;
            ADD_FAILURE() << "field " << name << " differs at byte " << at << " of " << text.size()
                          << "\n  got:      " << got.substr(from, 120) << "\n  expected: " << text.substr(from, 120);
        }
    }

    // Makes the page move the focus to `field` by script, as pages do.
    void ScriptFocus(const std::string& field)
    {
        std::ofstream(clientDir + "/focus.req") << field;
        ASSERT_TRUE(WaitUntil([&] { return !ibustest::FileExists(clientDir + "/focus.req"); }))
            << "the page did not move the focus";
        ASSERT_TRUE(WaitUntil([&] { return Read(state) && state.focus == field; })) << state.focus;
    }

    // The whole session of one application: the corpus into its big field,
    // then the word-level cases across fields and windows.
    void TypeEverything(const TypingRun& run)
    {
        const std::wstring& method = run.method;
        wayland = run.client.wayland;
        fcitx = run.fcitx;
        StartDesktop("[LuaChon]\nKieuGo=" + UtfConverter::ToUtf8(method) +
                     "\nEnableMouseHook=" + (run.mouseHook ? "1" : "0") + "\n");
        if (IsSkipped() || HasFatalFailure()) return;
        StartClient(run.client);
        if (IsSkipped() || HasFatalFailure()) return;
        const std::string big = run.client.big;
        std::map<std::string, FieldModel> model;
        auto field = [&](const std::string& name) -> FieldModel& {
            return model.try_emplace(name, method, Raw()).first->second;
        };
        // A key the engine hands on to the application is put back in the
        // application's queue behind the keys that came meanwhile (IBus's
        // GTK module does so): keys faster than the round trip reorder. So,
        // as a typist who looks up at the end of a line, the next keys wait
        // until the application has taken such a key (a terminal shows its
        // line only at Return).
        // Once a field falls behind for good, the end shows how.
        const bool lineBuffered = big == "term";
        bool inStep = true;
        auto type = [&](const std::string& name, const std::wstring& keys) {
            std::wstring run;
            for (wchar_t c : keys) {
                run += c;
                if (c != kReturn && c != kTab && c != kBackspace) continue;
                field(name).Keys(run);
                Type(run);
                run.clear();
                std::string text;
                if (!inStep || (lineBuffered && name == big && c != kReturn) || !field(name).Settled(text)) continue;
                inStep = WaitUntil([&] { return Read(state) && state.texts[name] == text; }, 5000);
            }
            field(name).Keys(run);
            Type(run);
        };
        auto k = [&](const std::wstring& text) { return KeysFor(text, method); };
        // Before the focus leaves a field mid-word: the keys typed reach it
        // first, as they do for anyone slower than the round trip (browsers
        // show the pre-edit in the field; the others show the text before).
        auto leave = [&](const std::string& name) {
            const std::string shown = field(name).Shown(), before = field(name).Before();
            if (inStep)
                inStep = WaitUntil(
                    [&] { return Read(state) && (state.texts[name] == shown || state.texts[name] == before); }, 5000);
            field(name).Leave();
        };
        std::map<std::string, std::string> expected;

        size_t words = 0;
        const auto lines = CorpusLines(method, words);
        ASSERT_GE(words, 280u);
        ASSERT_GE(lines.size(), 55u);
        Click(big);
        for (const std::wstring& line : lines) type(big, k(line) + kReturn);

        if (run.client.entries) {
            // Backspace inside a word and into the word before, an English
            // word that must come back as typed, and Tab in the middle of a
            // word to the second field.
            Click("entry1");
            type("entry1", k(L"Tiếng Việt") + kBackspace + kBackspace + L"et " + kBackspace + kBackspace + L"t ");
            type("entry1", L"windows " + k(L"người") + L" ");
            type("entry1", k(L"dân").substr(0, 2));
            leave("entry1");
            Type(std::wstring(1, kTab));
            ASSERT_TRUE(WaitUntil([&] { return Read(state) && state.focus == "entry2"; })) << state.focus;
            // A click into the third field in the middle of a word.
            type("entry2", k(L"xin chào") + L" " + k(L"bạn").substr(0, 2));
            leave("entry2");
            Click("entry3");
            // A switch to another window in the middle of a word, and back.
            type("entry3", k(L"một hai"));
            leave("entry3");
            Focus("other");
            type("other", k(L"cửa sổ khác"));
            leave("other");
            Focus("main");
            Click("password");
            Type(k(L"mật khẩu"));
            expected["password"] = UtfConverter::ToUtf8(k(L"mật khẩu"));
        } else {
            // One field: the same cases in it, Tab and Return as characters;
            // the click goes to the field of the other window (without a
            // window manager a click does not move the focus between
            // windows, so the window gets it first).
            type(big, k(L"Tiếng Việt") + kBackspace + kBackspace + L"et " + kBackspace + kBackspace + L"t ");
            type(big, L"windows " + k(L"người") + L" " + k(L"dân").substr(0, 2) + kTab + k(L"xin chào"));
            leave(big);
            Focus("other");
            Click("other");
            type("other", k(L"cửa sổ"));
            leave("other");
            Focus("main");
            type(big, L" " + k(L"một hai"));
            leave(big);
            Focus("other");
            type("other", L" " + k(L"khác"));
            leave("other");
            Focus("main");
            type(big, L" " + k(L"ba") + kReturn);
        }

        if (run.client.page) {
            // A chat box that sends on Enter and empties itself: Enter in the
            // middle of a word sends exactly what was typed, once.
            Click("chat");
            std::wstring sent;
            for (const std::wstring& message : {std::wstring(L"xin chào các bạn"), std::wstring(L"hẹn gặp lại")}) {
                Type(k(message) + kReturn);
                sent += (Raw() ? k(message) : message) + L"\n";
            }
            expected["sent"] = UtfConverter::ToUtf8(sent);
            expected["chat"] = "";
            // A field that completes inline, the completion selected after
            // the caret: no letter is lost to it.
            Click("complete");
            type("complete", k(L"tiếng Việt Nam") + L" ");
            leave("complete");
            // A pick from the list after a space.
            Click("datalist");
            type("datalist", k(L"Hà") + L" ");
            // The list opens once the page has the text.
            const std::string typed = field("datalist").Text();
            ASSERT_TRUE(WaitUntil([&] { return Read(state) && state.texts["datalist"] == typed; }))
                << state.texts["datalist"];
            // The list opens when the browser gets to it: Down opens it if
            // it is not open yet, and Return picks nothing while it is shut.
            for (int i = 0; i < 3 && !Raw(); ++i) {
                Xdo({"key", "Down"});
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                Xdo({"key", "Return"});
                if (WaitUntil([&] { return Read(state) && state.texts["datalist"] != typed; }, 4000)) break;
            }
            if (!Raw()) field("datalist").Set(L"Hà Nội");
            // The page moves the focus in the middle of a word; the next
            // word goes where the focus now is.
            Click("entry3");
            type("entry3", L" " + k(L"bốn"));
            leave("entry3");
            ScriptFocus("entry1");
            type("entry1", k(L"năm sáu"));
        }

        for (auto& [name, m] : model) expected[name] = m.Text();
        ExpectTexts(expected);
    }

    // xterm through XIM: lines go to a file as Return ends each of them.
    void TypeIntoXterm(const std::wstring& method, bool mouseHook)
    {
        if (!OnPath("xterm")) GTEST_SKIP() << "xterm is not installed (tools/deps.sh installs it)";
        StartDesktop("[LuaChon]\nKieuGo=" + UtfConverter::ToUtf8(method) +
                     "\nEnableMouseHook=" + (mouseHook ? "1" : "0") + "\n");
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_EQ(Ibus({"engine", "Lirano"}), 0) << session.ReadLog("ibus.log");
        delay = "15";
        const std::string out = session.Path("xterm.txt");
        std::string before;
        bool joined = false;
        // xterm joins the input method once, as it starts, and a bridge
        // that is still starting lets it down silently: a probe word tells,
        // and a terminal that typed it raw is started again.
        for (int attempt = 0; attempt < 5 && !joined; ++attempt) {
            std::remove(out.c_str());
            std::string error;
            const std::string title = "lirano-xterm-" + std::to_string(attempt);
            pid_t xterm = session.Spawn({"xterm", "-T", title, "-geometry", "100x20+0+0", "-xrm",
                                         "XTerm*preeditType: Root", "-e", "sh", "-c", "stty iutf8; exec cat >" + out},
                                        "xterm.log", error, ClientEnv(session.Dir()));
            ASSERT_GT(xterm, 0) << error;
            // Its mapped top-level window: xterm makes and drops other
            // windows as it starts. (Logs are appended to: a window of an
            // earlier attempt is not this one's.)
            std::remove(session.Path("search.log").c_str());
            std::remove(session.Path("xwininfo.log").c_str());
            ASSERT_EQ(session.Run({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^" + title + "$"}, 15000,
                                  "search.log"),
                      0);
            // Its text window, inside the top one, takes the keys (and the
            // input method's focus) as a window manager would give it.
            const std::string found = session.ReadLog("search.log");
            ASSERT_EQ(
                session.Run({"xwininfo", "-children", "-id", found.substr(0, found.find('\n'))}, 10000, "xwininfo.log"),
                0);
            const std::string tree = session.ReadLog("xwininfo.log");
            const size_t child = tree.find("0x", tree.find("child"));
            ASSERT_NE(child, std::string::npos) << tree;
            const std::string vt = std::to_string(std::stoul(tree.substr(child), nullptr, 16));
            WaitUntil([&] { return ibustest::FileExists(out); });
            for (int i = 0; i < 5 && !joined; ++i) {
                Xdo({"windowfocus", "--sync", vt});
                Type(KeysFor(L"việt", method) + kReturn);
                WaitUntil([&] { return (before = ibustest::ReadFile(out)).find('\n') != std::string::npos; }, 2000);
                joined = before.size() >= 7 && before.compare(before.size() - 7, 7, "vi\xE1\xBB\x87t\n") == 0;
            }
            if (!joined) session.Stop(xterm);
        }
        ASSERT_TRUE(joined) << "xterm never typed through the input method: " << before.substr(0, 40)
                            << session.ReadLog("xterm.log");

        FieldModel model(method);
        auto type = [&](const std::wstring& keys) {
            model.Keys(keys);
            Type(keys);
        };
        size_t words = 0;
        const auto lines = CorpusLines(method, words);
        for (size_t i = 0; i < lines.size(); i += 2) type(KeysFor(lines[i], method) + kReturn);
        type(KeysFor(L"Tiếng Việt", method) + kBackspace + kBackspace + L"et " + kBackspace + kBackspace + L"t " +
             L"windows " + kReturn);
        const std::string expected = before + model.Text();
        EXPECT_NE(expected.find(" windows \n"), std::string::npos) << expected;
        WaitUntil([&] { return ibustest::ReadFile(out) == expected; });
        EXPECT_EQ(ibustest::ReadFile(out), expected) << session.ReadLog("xterm.log");
    }

    std::string clientDir;
    std::string engineName = "Lirano";
    bool wayland = false;
    bool fcitx = false;
    WaylandInput input;
    // Milliseconds between keys. XIM's bridge hands keys on out of order
    // when they come faster than a busy machine serves it, far faster than
    // anyone types: xterm gets them slower.
    std::string delay = "6";
    State state;
};

class DesktopClientTest : public DesktopTest, public ::testing::WithParamInterface<TypingRun> {};

TEST_P(DesktopClientTest, TypesEverything) { TypeEverything(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Clients, DesktopClientTest, ::testing::ValuesIn(Runs(false)), RunName);
INSTANTIATE_TEST_SUITE_P(DISABLED_Pending, DesktopClientTest, ::testing::ValuesIn(Runs(true)), RunName);
INSTANTIATE_TEST_SUITE_P(Fcitx5, DesktopClientTest, ::testing::ValuesIn(FcitxRuns()), RunName);

// Vietnamese, then English by the chord, a switch of windows and back, and
// Vietnamese again: each field holds exactly what was typed in each mode.
TEST_F(DesktopTest, Gtk3SwitchesToEnglishAndBack)
{
    StartDesktop("[LuaChon]\nKieuGo=Telex 2\nEnableMouseHook=1\n");
    if (IsSkipped() || HasFatalFailure()) return;
    StartClient(Clients().front());
    if (IsSkipped() || HasFatalFailure()) return;
    Click("entry1");
    if (HasFatalFailure()) return;
    Type(L"tieengs vieetj ");
    Xdo({"key", "--delay", delay, "ctrl+shift"}); // Ctrl+Shift released alone
    Type(L"english wordds ");
    Focus("other"); // the same application: still English
    Type(L"aa ow ");
    Focus("main");
    Type(L"xin");
    Xdo({"key", "--delay", delay, "ctrl+shift"});
    Type(L" chaof");
    Xdo({"key", "--delay", delay, "Return"}); // the word ends: committed
    ExpectTexts({{"entry1", "tiếng việt english wordds xin chào"}, {"other", "aa ow "}});
}

TEST_F(DesktopTest, XtermTelexWithMouseHook) { TypeIntoXterm(L"Telex 2", true); }
TEST_F(DesktopTest, XtermVniWithoutMouseHook) { TypeIntoXterm(L"VNI", false); }

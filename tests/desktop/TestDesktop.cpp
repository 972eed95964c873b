// Real applications typed into as a user types, on a private Xvfb display
// with its own ibus-daemon, which starts the installed engine itself: GTK 3
// and GTK 4 windows through IBus's GTK modules, Qt 6 and Qt 5 windows
// through Qt's IBus input contexts, Chromium and Firefox on a local page, a
// LibreOffice Writer document, a VTE terminal, and xterm through XIM. Keys
// go in through XTest (xdotool). What every field holds at the end must
// equal what the typing engine gives for the same keys.
#include <sys/stat.h>

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
// module settings a desktop sets.
std::map<std::string, std::string> ClientEnv(const std::string& folder)
{
    return {{"GTK_IM_MODULE", "ibus"}, {"QT_IM_MODULE", "ibus"},   {"XMODIFIERS", "@im=ibus"},
            {"LC_ALL", "C.UTF-8"},     {"QT_QPA_PLATFORM", "xcb"}, {"LIRANO_CLIENT_DIR", folder},
            {"GDK_BACKEND", "x11"}};
}

struct State {
    std::map<std::string, std::string> texts;
    std::map<std::string, std::pair<int, int>> places;
    std::map<std::string, unsigned long> windows;
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
};

const std::string kPython = "/usr/bin/python3";
const std::string kLib = "/usr/lib/x86_64-linux-gnu/";

std::vector<ClientKind> Clients()
{
    auto script = [](const char* name) { return std::string(LIRANO_SOURCE_DIR "/tests/desktop/") + name; };
    return {
        {"Gtk3", {kPython, script("gtk_client.py")}, kLib + "gtk-3.0/3.0.0/immodules/im-ibus.so", "text", true, false},
        {"Gtk4",
         {kPython, script("gtk4_client.py")},
         kLib + "gtk-4.0/4.0.0/immodules/libim-ibus.so",
         "text",
         true,
         false},
        {"Qt6", {ibustest::BinDir() + "/lirano-qt-client"}, "", "text", true, false},
        {"Qt5",
         {kPython, script("qt5_client.py")},
         kLib + "qt5/plugins/platforminputcontexts/libibusplatforminputcontextplugin.so",
         "text",
         true,
         false},
        {"Chromium", {kPython, script("browser_client.py"), "chromium"}, "chromium", "text", true, true},
        {"Firefox", {kPython, script("browser_client.py"), "firefox"}, "firefox-esr", "text", true, true},
        {"Writer", {kPython, script("writer_client.py")}, "soffice", "doc", false, false},
        {"Vte", {kPython, script("vte_client.py")}, kLib + "girepository-1.0/Vte-2.91.typelib", "term", false, false},
    };
}

struct TypingRun {
    ClientKind client;
    std::wstring method;
    bool mouseHook;
};

void PrintTo(const TypingRun& r, std::ostream* os) { *os << r.client.name; }

// Each application with both typing methods and both settings of the
// mouse watch, one pairing a run.
std::vector<TypingRun> Runs(bool pending)
{
    // Kept apart, as they lose and reorder keys typed through IBus by
    // themselves: Firefox now and then drops or moves a letter, GTK 4
    // reorders the keys of a password entry and drops letters after a
    // Return. The least pre-edit engine fails the same way in both
    // (LIRANO_DESKTOP_ENGINE=LiranoPreedit, --gtest_also_run_disabled_tests).
    std::vector<TypingRun> runs;
    for (const ClientKind& c : Clients()) {
        if (pending != (c.name == std::string("Firefox") || c.name == std::string("Gtk4"))) continue;
        runs.push_back({c, L"Telex 2", true});
        runs.push_back({c, L"VNI", false});
    }
    return runs;
}

std::string RunName(const ::testing::TestParamInfo<TypingRun>& info)
{
    const TypingRun& r = info.param;
    return std::string(r.client.name) + (r.method == L"VNI" ? "Vni" : "Telex") +
           (r.mouseHook ? "WithMouseHook" : "WithoutMouseHook");
}

} // namespace

class DesktopTest : public IBusEngineTest {
protected:
    // Installs the engine with `luaChon`, starts the daemon (with XIM) on
    // the session's display. LIRANO_DESKTOP_ENGINE=LiranoPreedit types with
    // the least pre-edit engine instead, to tell an application's own
    // faults from Lirano's (by hand; the test command does not).
    void StartDesktop(const std::string& luaChon)
    {
        for (const char* tool : {"xdotool", "Xvfb", "ibus-daemon"})
            if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed (tools/deps.sh installs it)";
        session.xim = true;
        InstallAndStart(ibustest::BinDir() + "/Lirano-IBus", luaChon);
        if (IsSkipped() || HasFatalFailure()) return;
        const char* other = getenv("LIRANO_DESKTOP_ENGINE");
        if (!other || !*other || engineName == other) return;
        engineName = other;
        std::string error;
        ASSERT_GT(session.Spawn({ibustest::BinDir() + "/lirano-null-engine"}, "null-engine.log", error), 0) << error;
        // Registered by the program itself: it can be chosen once it is up.
        ASSERT_TRUE(WaitUntil([&] {
            return Ibus({"engine", engineName}) == 0;
        })) << engineName
            << " did not register: " << session.ReadLog("null-engine.log");
    }
    bool Raw() const { return engineName != "Lirano"; }

    // Selects Lirano as a desktop does at login, before any application has
    // focus, then starts a client and waits for its first state.
    void StartClient(const ClientKind& kind)
    {
        if (!kind.needs.empty() && !ibustest::FileExists(kind.needs) && !OnPath(kind.needs.c_str()))
            GTEST_SKIP() << kind.needs << " is not installed (tools/deps.sh installs it)";
        // The daemon starts the engine itself.
        ASSERT_EQ(Ibus({"engine", engineName}), 0) << session.ReadLog("ibus.log");
        ASSERT_TRUE(WaitUntil([&] {
            return Ibus({"engine"}) == 0 && session.ReadLog("ibus.log") == engineName + "\n";
        })) << session.ReadLog("ibus.log");
        clientDir = session.Path("client");
        ::mkdir(clientDir.c_str(), 0700);
        std::string error;
        const pid_t clientPid = session.Spawn(kind.argv, "client.log", error, ClientEnv(clientDir));
        ASSERT_GT(clientPid, 0) << error;
        // Writer and the browsers take seconds to come up on a busy machine.
        ASSERT_TRUE(Read(
            state, [](const State& s) { return s.windows.size() == 2; }, 90000))
            << "the client did not come up: " << session.ReadLog("client.log");
        Focus("main");
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

    // Presses the keys; printable runs in one xdotool call.
    void Type(const std::wstring& keys)
    {
        std::wstring run;
        auto flush = [&] {
            if (!run.empty()) Xdo({"type", "--delay", delay, "--", UtfConverter::ToUtf8(run)});
            run.clear();
        };
        for (wchar_t c : keys) {
            const char* name = c == kBackspace ? "BackSpace" : c == kReturn ? "Return" : c == kTab ? "Tab" : nullptr;
            if (!name) {
                run += c;
                continue;
            }
            flush();
            Xdo({"key", "--delay", delay, name});
        }
        flush();
    }

    void Focus(const std::string& window)
    {
        Xdo({"windowfocus", "--sync", std::to_string(state.windows[window])});
        ASSERT_TRUE(WaitUntil([&] { return Read(state) && !state.focus.empty(); }))
            << "no field has the focus in window " << window;
    }

    void Click(const std::string& field)
    {
        auto [x, y] = state.places[field];
        Xdo({"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
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
        auto type = [&](const std::string& name, const std::wstring& keys) {
            field(name).Keys(keys);
            Type(keys);
        };
        auto k = [&](const std::wstring& text) { return KeysFor(text, method); };
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
            field("entry1").Leave();
            Type(std::wstring(1, kTab));
            ASSERT_TRUE(WaitUntil([&] { return Read(state) && state.focus == "entry2"; })) << state.focus;
            // A click into the third field in the middle of a word.
            type("entry2", k(L"xin chào") + L" " + k(L"bạn").substr(0, 2));
            field("entry2").Leave();
            Click("entry3");
            // A switch to another window in the middle of a word, and back.
            type("entry3", k(L"một hai"));
            field("entry3").Leave();
            Focus("other");
            type("other", k(L"cửa sổ khác"));
            field("other").Leave();
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
            field(big).Leave();
            Focus("other");
            Click("other");
            type("other", k(L"cửa sổ"));
            field("other").Leave();
            Focus("main");
            type(big, L" " + k(L"một hai"));
            field(big).Leave();
            Focus("other");
            type("other", L" " + k(L"khác"));
            field("other").Leave();
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
            type("complete", k(L"tiếng Việt Nam"));
            // A pick from the list after a space.
            Click("datalist");
            type("datalist", k(L"Hà") + L" ");
            // The list opens once the page has the text.
            const std::string typed = field("datalist").Text();
            ASSERT_TRUE(WaitUntil([&] { return Read(state) && state.texts["datalist"] == typed; }))
                << state.texts["datalist"];
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            Xdo({"key", "Down"});
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            Xdo({"key", "Return"});
            if (!Raw()) field("datalist").Set(L"Hà Nội");
            // The page moves the focus in the middle of a word; the next
            // word goes where the focus now is.
            Click("entry3");
            type("entry3", L" " + k(L"bốn"));
            field("entry3").Leave();
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
            // windows as it starts.
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

TEST_F(DesktopTest, XtermTelexWithMouseHook) { TypeIntoXterm(L"Telex 2", true); }
TEST_F(DesktopTest, XtermVniWithoutMouseHook) { TypeIntoXterm(L"VNI", false); }

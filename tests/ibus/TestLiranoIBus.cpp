// The engine program Lirano-IBus as an application sees it: keys through a
// private ibus-daemon, and what comes back as pre-edit, commits, candidate
// lists and panel properties. Typing method Telex 2 and charset Unicode
// unless a test picks others.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include <sys/wait.h>

#include "core/BangMaUtils.h"
#include "tests/ibus/IBusFixture.h"

namespace {

const char* kEngine = "Lirano";

// The program under test; LIRANO_IBUS_PROGRAM names another build of it.
std::string Program()
{
    const char* other = getenv("LIRANO_IBUS_PROGRAM");
    return other && *other ? std::string(other) : ibustest::BinDir() + "/Lirano-IBus";
}

std::string Options(const std::string& lines) { return "[LuaChon]\n" + lines; }

const std::string kMouseOn = Options("EnableMouseHook=1\n");
const std::string kMouseOff = Options("EnableMouseHook=0\n");

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

bool Contains(const std::vector<std::string>& v, const std::string& x)
{
    return std::find(v.begin(), v.end(), x) != v.end();
}

// A text in a legacy charset, each code unit as the character of that value,
// as the engine shows and commits it.
std::string Encoded(const std::wstring& text, const std::wstring& charset)
{
    BangMaMap table = BangMaUtils::LayBangMa(charset);
    std::wstring out;
    for (wchar_t c : text) {
        auto it = table.find(c);
        out += it == table.end() ? std::wstring(1, c) : it->second;
    }
    return ibustest::ToUtf8(out);
}

} // namespace

class LiranoIBusTest : public IBusEngineTest {
protected:
    // What reached the application or is about to: commits, then the pre-edit.
    std::string Text() { return client.commits + client.VisiblePreedit(); }

    // The compound dictionary loads in the background after start; until
    // then no list shows. Probes with one key until a list comes.
    bool WaitForSuggestions()
    {
        auto deadline = ibustest::Clock::now() + std::chrono::milliseconds(kStartMs);
        while (ibustest::Clock::now() < deadline) {
            client.TypeText("vi");
            client.Sync();
            bool shown = client.tableVisible && !client.candidates.empty();
            client.Press(IBUS_KEY_BackSpace);
            client.Press(IBUS_KEY_BackSpace);
            client.Sync();
            if (shown) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // The engine registers its menu at focus-in, which the daemon passes on
    // without waiting: the list may come after the engine is selected.
    bool WaitForMenu()
    {
        return client.WaitFor([&] { return client.propertyRegistrations > 0 && !client.propertyKeys.empty(); },
                              kReactMs);
    }
};

// ---------------------------------------------------------------- typing

// What a desktop does: the daemon reads the component that --Install wrote,
// lists the engine, and starts the program itself when a client selects it.
TEST_F(LiranoIBusTest, InstalledComponentIsStartedByTheDaemon)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOff);
    const std::string xml = ibustest::ReadFile(session.componentPath + "/Lirano.xml");
    EXPECT_NE(xml.find("<name>org.freedesktop.IBus.Lirano</name>"), std::string::npos) << xml;
    ASSERT_EQ(session.Run({"ibus", "list-engine"}, 10000, "list-engine.log"), 0);
    EXPECT_NE(session.ReadLog("list-engine.log").find("Lirano - Lirano"), std::string::npos)
        << session.ReadLog("list-engine.log");
    const std::string cmdline = ibustest::ReadFile("/proc/" + std::to_string(enginePid) + "/cmdline");
    EXPECT_EQ(cmdline, copy.program + std::string("\0--ibus\0", 8));
    client.TypeText("Tieesng Vieejt");
    EXPECT_FALSE(client.Press(IBUS_KEY_Return));
    EXPECT_EQ(client.commits, "Tiếng Việt");
}

// The engine sends only what changes what the user sees: per consumed key
// one pre-edit update, per word end one hide and one commit, and no hide of
// a pre-edit or list that is not shown.
TEST_F(LiranoIBusTest, MessagesOnlyForWhatChanges)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOff);
    std::string error;
    ASSERT_TRUE(client.WatchEngineSignals(error)) << error;
    client.TypeText("vieetj ");
    client.Press(IBUS_KEY_BackSpace); // nothing in the engine: passed on
    client.Press(IBUS_KEY_Shift_L);   // a modifier alone changes nothing
    client.Sync();
    client.WaitFor([] { return false; }, 200);
    EXPECT_EQ(client.commits, "việt ");
    // The focus-in of the launch may land after the watch began: it
    // registers the menu, once.
    EXPECT_LE(client.engineSignals["RegisterProperties"], 1);
    client.engineSignals.erase("RegisterProperties");
    std::map<std::string, int> expected = {{"UpdatePreeditText", 6}, {"HidePreeditText", 1}, {"CommitText", 1}};
    EXPECT_EQ(client.engineSignals, expected);
}

// A word longer than any word goes to the application as typed, so the
// pre-edit never grows with the line.
TEST_F(LiranoIBusTest, AnOverlongWordIsCommittedAsTyped)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    const std::string line(150, 'b');
    client.TypeText(line);
    client.Sync();
    EXPECT_EQ(client.commits, line.substr(0, 128));
    EXPECT_EQ(client.VisiblePreedit(), line.substr(128));
}

// Password and PIN fields get the keys as they are, and nothing is kept.
TEST_F(LiranoIBusTest, PasswordFieldsTakeKeysUntouched)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    client.TypeText("vieetj");
    for (guint purpose : {IBUS_INPUT_PURPOSE_PASSWORD, IBUS_INPUT_PURPOSE_PIN}) {
        // The word typed before the switch is committed, not carried over.
        ibus_input_context_set_content_type(client.context(), purpose, IBUS_INPUT_HINT_NONE);
        EXPECT_TRUE(client.WaitFor([&] { return client.commits == "việt"; }, kReactMs)) << client.commits;
        EXPECT_EQ(client.TypeText("aas12"), 0);
        EXPECT_FALSE(client.Press(IBUS_KEY_BackSpace));
        EXPECT_FALSE(client.Press(' '));
        client.Sync();
        EXPECT_EQ(client.VisiblePreedit(), "");
        EXPECT_EQ(client.commits, "việt");
    }
    ibus_input_context_set_content_type(client.context(), IBUS_INPUT_PURPOSE_FREE_FORM, IBUS_INPUT_HINT_NONE);
    // The property reaches the engine on its own way: wait until keys count.
    EXPECT_TRUE(client.WaitFor([&] { return client.Press('a') && client.Press('a'); }, kReactMs));
    EXPECT_EQ(client.VisiblePreedit(), "â");
}

TEST_F(LiranoIBusTest, TelexWordShowsInThePreedit)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    EXPECT_TRUE(client.Press('v'));
    EXPECT_EQ(client.VisiblePreedit(), "v");
    EXPECT_EQ(client.TypeText("ieet"), 4);
    EXPECT_EQ(client.VisiblePreedit(), "viêt");
    EXPECT_TRUE(client.Press('j'));
    EXPECT_EQ(client.VisiblePreedit(), "việt");
    EXPECT_EQ(client.preeditCursor, 4u); // the caret at the end, in characters
    EXPECT_EQ(client.commits, "");
}

TEST_F(LiranoIBusTest, KeyReleasesAreNeverConsumed)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    EXPECT_TRUE(client.KeyDown('a'));
    EXPECT_FALSE(client.KeyUp('a'));
    EXPECT_FALSE(client.KeyUp(IBUS_KEY_BackSpace));
    EXPECT_EQ(client.VisiblePreedit(), "a");
}

// Each word reaches the application at its end, unless a feature that is
// on may still rewrite it: then the words stay in the pre-edit until Return.
TEST_F(LiranoIBusTest, MouseHookKeepsWordsOnlyWhileTheyMayBeRewritten)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    client.TypeText("vieetj");
    EXPECT_TRUE(client.Press(' '));
    EXPECT_EQ(client.commits, "việt ");
    EXPECT_EQ(client.VisiblePreedit(), "");
}

TEST_F(LiranoIBusTest, CompoundWordCorrectionKeepsThePairInThePreedit)
{
    LIRANO_LAUNCH(Program(), kEngine, Options("EnableMouseHook=1\nSuaLoiChinhTaTuGhep=1\n"));
    client.TypeText("truwowng chinhf ");
    EXPECT_EQ(client.VisiblePreedit(), "chương trình ");
    EXPECT_EQ(client.commits, "");
    // Return ends the word; the text is committed and the key goes on to
    // the application.
    EXPECT_FALSE(client.Press(IBUS_KEY_Return));
    EXPECT_EQ(client.commits, "chương trình ");
    EXPECT_EQ(client.VisiblePreedit(), "");
}

TEST_F(LiranoIBusTest, WithoutMouseHookSpaceCommitsTheWord)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOff);
    client.TypeText("vieetj");
    EXPECT_EQ(client.VisiblePreedit(), "việt");
    EXPECT_TRUE(client.Press(' '));
    EXPECT_EQ(client.commits, "việt ");
    EXPECT_EQ(client.VisiblePreedit(), "");
    client.TypeText("namw");
    EXPECT_EQ(client.VisiblePreedit(), "năm");
    EXPECT_FALSE(client.Press(IBUS_KEY_Return));
    EXPECT_EQ(client.commits, "việt năm");
    EXPECT_EQ(client.VisiblePreedit(), "");
}

TEST_F(LiranoIBusTest, SpaceAndReturnWithNothingTypedPassThrough)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    EXPECT_FALSE(client.Press(' '));
    EXPECT_FALSE(client.Press(IBUS_KEY_Return));
    EXPECT_FALSE(client.Press(IBUS_KEY_Tab));
    EXPECT_EQ(client.commits, "");
}

TEST_F(LiranoIBusTest, BackspaceEditsThePreeditAndThenPasses)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    EXPECT_FALSE(client.Press(IBUS_KEY_BackSpace)); // nothing typed: the application's
    client.TypeText("vieetj");
    EXPECT_TRUE(client.Press(IBUS_KEY_BackSpace));
    EXPECT_EQ(client.VisiblePreedit(), "việ");
    EXPECT_TRUE(client.Press(IBUS_KEY_BackSpace));
    EXPECT_TRUE(client.Press(IBUS_KEY_BackSpace));
    EXPECT_EQ(client.VisiblePreedit(), "v");
    EXPECT_TRUE(client.Press(IBUS_KEY_BackSpace)); // the last character: pre-edit hidden
    EXPECT_EQ(client.VisiblePreedit(), "");
    EXPECT_FALSE(client.Press(IBUS_KEY_BackSpace));
    EXPECT_EQ(client.commits, "");
}

TEST_F(LiranoIBusTest, NavigationKeyCommitsAndPasses)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    client.TypeText("vieetj");
    EXPECT_FALSE(client.Press(IBUS_KEY_Left));
    EXPECT_EQ(client.commits, "việt");
    EXPECT_EQ(client.VisiblePreedit(), "");
}

TEST_F(LiranoIBusTest, ShiftTypesCapitalsWithoutCommitting)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    EXPECT_FALSE(client.KeyDown(IBUS_KEY_Shift_L));
    EXPECT_TRUE(client.KeyDown('V', IBUS_SHIFT_MASK));
    client.KeyUp('V', IBUS_SHIFT_MASK);
    EXPECT_FALSE(client.KeyUp(IBUS_KEY_Shift_L, IBUS_SHIFT_MASK));
    client.TypeText("ieetj");
    EXPECT_EQ(client.VisiblePreedit(), "Việt");
    EXPECT_EQ(client.commits, "");
}

// ---------------------------------------------------------------- hot keys

TEST_F(LiranoIBusTest, CtrlPressedAndReleasedAloneCommits)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    client.TypeText("vieetj");
    EXPECT_FALSE(client.KeyDown(IBUS_KEY_Control_L));
    EXPECT_EQ(client.commits, "");
    EXPECT_FALSE(client.KeyUp(IBUS_KEY_Control_L, IBUS_CONTROL_MASK));
    EXPECT_EQ(client.commits, "việt");
    EXPECT_EQ(client.VisiblePreedit(), "");
    // Once more with nothing typed: nothing reaches the application.
    client.KeyDown(IBUS_KEY_Control_L);
    client.KeyUp(IBUS_KEY_Control_L, IBUS_CONTROL_MASK);
    EXPECT_EQ(client.commits, "việt");
}

TEST_F(LiranoIBusTest, CtrlAltReleasedAloneRestoresTheKeys)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    client.TypeText("vieetj");
    ASSERT_EQ(client.VisiblePreedit(), "việt");
    EXPECT_FALSE(client.KeyDown(IBUS_KEY_Control_L));
    EXPECT_FALSE(client.KeyDown(IBUS_KEY_Alt_L, IBUS_CONTROL_MASK));
    EXPECT_FALSE(client.KeyUp(IBUS_KEY_Alt_L, IBUS_CONTROL_MASK | IBUS_MOD1_MASK));
    EXPECT_FALSE(client.KeyUp(IBUS_KEY_Control_L, IBUS_CONTROL_MASK));
    // The word is back to its keys, still in the pre-edit; the Ctrl release
    // that followed fired nothing (no commit).
    EXPECT_EQ(client.VisiblePreedit(), "vieetj");
    EXPECT_EQ(client.commits, "");
}

TEST_F(LiranoIBusTest, CtrlAltRestoreCommitsWithoutMouseHook)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOff);
    client.TypeText("vieetj");
    client.KeyDown(IBUS_KEY_Control_L);
    client.KeyDown(IBUS_KEY_Alt_L, IBUS_CONTROL_MASK);
    client.KeyUp(IBUS_KEY_Control_L, IBUS_CONTROL_MASK | IBUS_MOD1_MASK);
    client.KeyUp(IBUS_KEY_Alt_L, IBUS_MOD1_MASK);
    EXPECT_EQ(client.commits, "vieetj");
    EXPECT_EQ(client.VisiblePreedit(), "");
}

TEST_F(LiranoIBusTest, CtrlCCommitsAndPassesTheKey)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    client.TypeText("vieetj");
    EXPECT_FALSE(client.KeyDown(IBUS_KEY_Control_L));
    EXPECT_FALSE(client.KeyDown('c', IBUS_CONTROL_MASK)); // the application copies
    EXPECT_EQ(client.commits, "việt");
    EXPECT_EQ(client.VisiblePreedit(), "");
    EXPECT_FALSE(client.KeyUp('c', IBUS_CONTROL_MASK));
    EXPECT_FALSE(client.KeyUp(IBUS_KEY_Control_L, IBUS_CONTROL_MASK));
    EXPECT_EQ(client.commits, "việt"); // the Ctrl release fired nothing
    // Typing goes on afresh.
    client.TypeText("a");
    EXPECT_EQ(client.VisiblePreedit(), "a");
}

// ---------------------------------------------------------------- focus, reset, disable

// Whatever ends the pre-edit from outside (a reset, which a click sends, or
// a focus change) gets the text shown committed once, by IBus, and the
// engine starts afresh.
TEST_F(LiranoIBusTest, ResetCommitsWhatIsShownOnce)
{
    LIRANO_LAUNCH(Program(), kEngine, Options("EnableMouseHook=1\nSuaLoiChinhTaTuGhep=1\n"));
    client.TypeText("Tieengs Vieetj nguwowif");
    ASSERT_EQ(client.VisiblePreedit(), "Tiếng Việt người");
    client.Reset();
    EXPECT_TRUE(client.WaitFor([&] { return client.commits == "Tiếng Việt người"; }, kReactMs))
        << "committed \"" << client.commits << "\"";
    client.TypeText("a");
    client.Sync();
    EXPECT_EQ(client.VisiblePreedit(), "a");
    EXPECT_EQ(client.commits, "Tiếng Việt người");
    EXPECT_NE(EngineLog().find("reset "), std::string::npos);
}

TEST_F(LiranoIBusTest, FocusChangesCommitToTheirOwnContextOnce)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    ibustest::Client other;
    std::string error;
    ASSERT_TRUE(other.Connect(session, error)) << error;
    ASSERT_TRUE(other.CreateContext(kCapabilities, error)) << error;
    client.FocusIn();
    client.TypeText("vieetj nam");
    client.FocusOut();
    other.FocusIn();
    ASSERT_TRUE(other.SelectEngine(kEngine, kStartMs));
    other.TypeText("hoaf");
    other.FocusOut();
    client.FocusIn();
    client.TypeText("xin");
    client.Sync();
    other.Sync();
    EXPECT_EQ(client.commits, "việt nam");
    EXPECT_EQ(client.VisiblePreedit(), "xin");
    EXPECT_EQ(other.commits, "hòa");
    EXPECT_EQ(other.VisiblePreedit(), "");
    other.Close();
}

TEST_F(LiranoIBusTest, DisableCommitsThePreedit)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    // A second engine to switch to: the one that takes no key.
    std::string error;
    pid_t other = session.Spawn({ibustest::BinDir() + "/lirano-null-engine"}, "null-engine.log", error);
    ASSERT_GT(other, 0) << error;
    ASSERT_TRUE(client.WaitForEngine("LiranoNull", kStartMs, [&] { return session.Alive(other); }));
    client.TypeText("vieetj");
    ASSERT_EQ(client.VisiblePreedit(), "việt");
    // Switching the input context to another engine takes the focus from
    // this one (IBus commits what is shown) and disables it (the engine
    // commits what is left): the text arrives once.
    ASSERT_TRUE(client.SelectEngine("LiranoNull", kStartMs));
    client.WaitFor([&] { return false; }, 500);
    EXPECT_EQ(client.commits, "việt");
    EXPECT_TRUE(client.WaitFor([&] { return EngineLog().find("disable") != std::string::npos; }, kReactMs));
    // Back to Lirano: focus-in starts afresh.
    client.commits.clear();
    ASSERT_TRUE(client.SelectEngine(kEngine, kStartMs));
    client.TypeText("a");
    EXPECT_EQ(client.VisiblePreedit(), "a");
}

// ---------------------------------------------------------------- Vietnamese or English

// Each application keeps the mode last used in it, across focus changes and
// a restart of the engine; the chord commits what was typed first, English
// passes every key, and the panel shows the mode.
TEST_F(LiranoIBusTest, EachApplicationKeepsItsModeAcrossARestart)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    client.FocusOut();
    ibustest::Client term, chat;
    std::string error;
    for (auto [c, name] : {std::pair{&term, "gtk3-im:konsole"}, std::pair{&chat, "gtk4-im:telegram"}}) {
        ASSERT_TRUE(c->Connect(session, error)) << error;
        ASSERT_TRUE(c->CreateContext(kCapabilities, error, name)) << error;
        ASSERT_TRUE(c->SelectEngine(kEngine, kStartMs));
        c->FocusOut();
    }
    // The daemon moves its one engine object between contexts on its own
    // time: keys typed before the engine has heard of the focus go to the
    // context that had it.
    auto focus = [&](ibustest::Client& c, const std::string& name) {
        auto seen = [&] {
            const std::string log = EngineLog();
            size_t n = 0;
            for (size_t at = log.find("focus_in_id "); at != std::string::npos; at = log.find("focus_in_id ", at + 1))
                n += log.compare(log.find(' ', at + 12) + 1, name.size(), name) == 0;
            return n;
        };
        const size_t before = seen();
        c.FocusIn();
        ASSERT_TRUE(c.WaitFor([&] { return seen() > before; }, kReactMs)) << name << " never had the focus";
    };
    // Even then the daemon may hand a first key to the context it still
    // holds as focused: a first key is pressed until it reaches this one
    // (shows in its pre-edit, or in English passes).
    auto reach = [&](ibustest::Client& c, const std::string& key, const std::string& shown) {
        ASSERT_TRUE(c.WaitFor(
            [&] {
                const int consumed = c.TypeText(key);
                return shown.empty() ? consumed == 0 : c.VisiblePreedit() == shown;
            },
            kReactMs));
    };
    focus(term, "gtk3-im:konsole");
    reach(term, "v", "v");
    term.TypeText("ieetj");
    EXPECT_FALSE(term.KeyDown(IBUS_KEY_Control_L));
    EXPECT_FALSE(term.KeyDown(IBUS_KEY_Shift_L, IBUS_CONTROL_MASK));
    EXPECT_FALSE(term.KeyUp(IBUS_KEY_Shift_L, IBUS_CONTROL_MASK | IBUS_SHIFT_MASK));
    EXPECT_FALSE(term.KeyUp(IBUS_KEY_Control_L, IBUS_CONTROL_MASK));
    EXPECT_EQ(term.commits, "việt");
    EXPECT_EQ(term.TypeText("aas"), 0);
    EXPECT_FALSE(term.Press(IBUS_KEY_BackSpace));
    EXPECT_TRUE(term.WaitFor([&] { return term.propertyLabels["Mode"] == "E"; }, kReactMs));
    term.FocusOut();

    focus(chat, "gtk4-im:telegram"); // a new application: Vietnamese
    reach(chat, "a", "a");
    EXPECT_EQ(chat.TypeText("a"), 1);
    EXPECT_EQ(chat.VisiblePreedit(), "â");
    chat.FocusOut();
    focus(term, "gtk3-im:konsole");
    reach(term, "a", "");
    EXPECT_EQ(term.TypeText("aa"), 0);
    term.FocusOut();

    // The engine goes; the daemon starts it again for the next selection.
    session.Stop(enginePid);
    for (ibustest::Client* c : {&term, &chat}) {
        ASSERT_TRUE(c->WaitFor([&] { return c->CurrentEngine() != kEngine; }, kStartMs));
        c->FocusIn();
        ASSERT_TRUE(c->SelectEngine(kEngine, kStartMs)) << c->CurrentEngine() << "\n" << EngineLog();
        c->FocusOut();
    }
    focus(term, "gtk3-im:konsole");
    reach(term, "a", "");
    EXPECT_EQ(term.TypeText("aa"), 0);
    term.FocusOut();
    focus(chat, "gtk4-im:telegram");
    reach(chat, "a", "a");
    EXPECT_EQ(chat.TypeText("a"), 1);
    EXPECT_EQ(chat.VisiblePreedit(), "â");
    term.Close();
    chat.Close();
}

// ---------------------------------------------------------------- suggestions

TEST_F(LiranoIBusTest, SuggestionsShowAndF1TakesTheFirst)
{
    LIRANO_LAUNCH(Program(), kEngine, Options("EnableMouseHook=1\nSuggestion=1\n"));
    ASSERT_TRUE(WaitForSuggestions()) << "no suggestion list within " << kStartMs << " ms";
    client.ClearRecords();
    client.TypeText("vieetj");
    ASSERT_TRUE(client.tableVisible);
    ASSERT_FALSE(client.candidates.empty());
    EXPECT_LE(client.candidates.size(), 12u);
    EXPECT_EQ(client.tablePageSize, 12u);
    EXPECT_EQ(client.tableCursor, 0u);
    for (const auto& c : client.candidates) EXPECT_TRUE(StartsWith(c, "việt")) << c;
    const std::string first = client.candidates[0];
    EXPECT_TRUE(client.Press(IBUS_KEY_F1));
    EXPECT_TRUE(StartsWith(Text(), first)) << Text();
}

TEST_F(LiranoIBusTest, SuggestionTabTakesTheSelectedOne)
{
    LIRANO_LAUNCH(Program(), kEngine, Options("EnableMouseHook=1\nSuggestion=1\nSuggestionUIHookUpDownKey=1\n"));
    ASSERT_TRUE(WaitForSuggestions());
    client.ClearRecords();
    client.TypeText("vieetj");
    ASSERT_TRUE(client.tableVisible);
    ASSERT_GE(client.candidates.size(), 2u);
    EXPECT_TRUE(client.Press(IBUS_KEY_Down));
    EXPECT_EQ(client.tableCursor, 1u);
    const std::string second = client.candidates[1];
    EXPECT_TRUE(client.Press(IBUS_KEY_Tab));
    EXPECT_TRUE(StartsWith(Text(), second)) << Text();
}

TEST_F(LiranoIBusTest, EscapeHidesTheListAndKeepsThePreedit)
{
    LIRANO_LAUNCH(Program(), kEngine, Options("EnableMouseHook=1\nSuggestion=1\n"));
    ASSERT_TRUE(WaitForSuggestions());
    client.TypeText("vieetj");
    ASSERT_TRUE(client.tableVisible);
    EXPECT_TRUE(client.Press(IBUS_KEY_Escape));
    EXPECT_FALSE(client.tableVisible);
    EXPECT_EQ(client.VisiblePreedit(), "việt");
    EXPECT_EQ(client.commits, "");
}

TEST_F(LiranoIBusTest, CandidateClickOnPageTwoTakesTheWordShownThere)
{
    LIRANO_LAUNCH(Program(), kEngine, Options("EnableMouseHook=1\nSuggestion=1\n"));
    ASSERT_TRUE(WaitForSuggestions());
    client.TypeText("nam");
    ASSERT_TRUE(client.tableVisible);
    ASSERT_EQ(client.candidates.size(), 12u) << "a word with more than one page of candidates";
    const std::vector<std::string> page1 = client.candidates;
    EXPECT_TRUE(client.Press(IBUS_KEY_Page_Down));
    ASSERT_TRUE(client.tableVisible);
    ASSERT_FALSE(client.candidates.empty());
    ASSERT_NE(client.candidates, page1);
    const std::string shown = client.candidates[1 < client.candidates.size() ? 1 : 0];
    const guint index = 1 < client.candidates.size() ? 1 : 0;
    std::string error;
    ASSERT_TRUE(client.ClickCandidate(index, error)) << error;
    EXPECT_TRUE(client.WaitFor([&] { return StartsWith(Text(), shown); }, kReactMs))
        << "took \"" << Text() << "\", the page shows \"" << shown << "\"";
    EXPECT_FALSE(StartsWith(Text(), page1[index]));
}

TEST_F(LiranoIBusTest, ShiftF3TakesTheThirdCandidateOfTheNextPage)
{
    LIRANO_LAUNCH(Program(), kEngine, Options("EnableMouseHook=1\nSuggestion=1\n"));
    ASSERT_TRUE(WaitForSuggestions());
    client.TypeText("nam");
    ASSERT_EQ(client.candidates.size(), 12u);
    // What the second page holds, then back to the first.
    EXPECT_TRUE(client.Press(IBUS_KEY_Page_Down));
    ASSERT_GE(client.candidates.size(), 3u);
    const std::string third = client.candidates[2];
    EXPECT_TRUE(client.Press(IBUS_KEY_Page_Up));
    EXPECT_EQ(client.tableCursor, 0u);
    // F1 to F12 with Shift count from the 13th candidate of the page shown.
    client.KeyDown(IBUS_KEY_Shift_L);
    EXPECT_TRUE(client.Press(IBUS_KEY_F3, IBUS_SHIFT_MASK));
    client.KeyUp(IBUS_KEY_Shift_L, IBUS_SHIFT_MASK);
    EXPECT_TRUE(StartsWith(Text(), third)) << Text() << " / " << third;
}

TEST_F(LiranoIBusTest, UpDownCommitAndPassUnlessTheListTakesThem)
{
    LIRANO_LAUNCH(Program(), kEngine, Options("EnableMouseHook=1\nSuggestion=1\n"));
    ASSERT_TRUE(WaitForSuggestions());
    client.TypeText("vieetj");
    ASSERT_TRUE(client.tableVisible);
    EXPECT_FALSE(client.Press(IBUS_KEY_Down));
    EXPECT_EQ(client.commits, "việt");
    EXPECT_EQ(client.VisiblePreedit(), "");
}

// ---------------------------------------------------------------- panel menu

TEST_F(LiranoIBusTest, PanelPropertiesAreRegistered)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    ASSERT_TRUE(WaitForMenu()) << "no property list registered";
    const auto& keys = client.propertyKeys;
    for (const char* k : {"KieuGo", "BangMa", "More", "KieuGo-Telex 2", "BangMa-Unicode", "BangMa-VNI Windows",
                          "ChuyenMa", "GoTat", "MainWindow"})
        EXPECT_TRUE(Contains(keys, k)) << k;
    EXPECT_EQ(client.propertyLabels["KieuGo"], "Telex 2");
    EXPECT_EQ(client.propertyLabels["BangMa"], "Unicode");
    // The three top-level entries come first, in this order.
    ASSERT_GE(keys.size(), 3u);
    EXPECT_EQ(keys[0], "KieuGo");
}

TEST_F(LiranoIBusTest, ChoosingACharsetSwitchesTheOutputAndSavesIt)
{
    LIRANO_LAUNCH(Program(), kEngine, Options("EnableMouseHook=1\nGoTat=1\n"));
    ASSERT_TRUE(WaitForMenu()) << "no property list registered";
    client.ActivateProperty("BangMa-VNI Windows");
    EXPECT_TRUE(client.WaitFor(
        [&] { return copy.ReadFile("LuaChon.ini").find("BangMa=VNI Windows") != std::string::npos; }, kReactMs))
        << copy.ReadFile("LuaChon.ini");
    const std::string ini = copy.ReadFile("LuaChon.ini");
    EXPECT_NE(ini.find("[LuaChon]"), std::string::npos);
    EXPECT_NE(ini.find("EnableMouseHook=1"), std::string::npos) << ini; // other keys stay
    EXPECT_NE(ini.find("GoTat=1"), std::string::npos) << ini;
    EXPECT_NE(ini.find("KieuGo=Telex 2"), std::string::npos) << ini;
    // The menu shows the new charset and checks its entry.
    EXPECT_TRUE(client.WaitFor([&] { return client.propertyLabels["BangMa"] == "VNI Windows"; }, kReactMs))
        << client.propertyLabels["BangMa"];
    client.TypeText("vieetj");
    EXPECT_EQ(client.VisiblePreedit(), Encoded(L"việt", L"VNI Windows"));
    EXPECT_NE(client.VisiblePreedit(), "việt");
    EXPECT_FALSE(client.Press(IBUS_KEY_Left));
    EXPECT_EQ(client.commits, Encoded(L"việt", L"VNI Windows"));
}

TEST_F(LiranoIBusTest, ChoosingATypingMethodSwitchesTheKeys)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    ASSERT_TRUE(WaitForMenu()) << "no property list registered";
    ASSERT_TRUE(Contains(client.propertyKeys, "KieuGo-VNI"));
    client.ActivateProperty("KieuGo-VNI");
    EXPECT_TRUE(
        client.WaitFor([&] { return copy.ReadFile("LuaChon.ini").find("KieuGo=VNI") != std::string::npos; }, kReactMs));
    EXPECT_TRUE(client.WaitFor([&] { return client.propertyLabels["KieuGo"] == "VNI"; }, kReactMs));
    client.TypeText("vie6t5");
    EXPECT_EQ(client.VisiblePreedit(), "việt");
}

TEST_F(LiranoIBusTest, ChoosingTheCurrentMethodStillSavesTheOptions)
{
    LIRANO_LAUNCH(Program(), kEngine, Options("EnableMouseHook=1\n"));
    ASSERT_TRUE(WaitForMenu()) << "no property list registered";
    client.ActivateProperty("KieuGo-Telex 2");
    EXPECT_TRUE(client.WaitFor([&] { return copy.ReadFile("LuaChon.ini").find("KieuGo=Telex 2") != std::string::npos; },
                               kReactMs));
    const std::string ini = copy.ReadFile("LuaChon.ini");
    EXPECT_NE(ini.find("BangMa=Unicode"), std::string::npos) << ini;
    EXPECT_NE(ini.find("EnableMouseHook=1"), std::string::npos) << ini;
    client.TypeText("vieetj");
    EXPECT_EQ(client.VisiblePreedit(), "việt");
}

TEST_F(LiranoIBusTest, NoOptionsFileMeansTheDefaults)
{
    LIRANO_LAUNCH(Program(), kEngine, ""); // no LuaChon.ini in the program folder
    ASSERT_TRUE(WaitForMenu()) << "no property list registered";
    EXPECT_EQ(client.propertyLabels["KieuGo"], "Telex 2");
    EXPECT_EQ(client.propertyLabels["BangMa"], "Unicode");
    // The mouse watch is on by default, and nothing may rewrite an ended
    // word: each goes to the application at its end.
    client.TypeText("vieetj namw");
    EXPECT_EQ(client.VisiblePreedit(), "năm");
    EXPECT_EQ(client.commits, "việt ");
    EXPECT_FALSE(ibustest::FileExists(copy.settings + "/LuaChon.ini")); // nothing written unasked
}

// ---------------------------------------------------------------- pointer

// The watch sees pointer buttons (and device motion; a warp, which is all
// xdotool's mousemove does, moves no device) without taking them: this
// client does nothing on a click, so the watch commits.
TEST_F(LiranoIBusTest, PointerClickCommitsWithMouseHook)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    client.TypeText("vieetj");
    ASSERT_EQ(client.VisiblePreedit(), "việt");
    // The watch starts on a thread of its own shortly after the pre-edit
    // appears; a click before that is not seen, so click until the commit.
    bool committed = false;
    auto deadline = ibustest::Clock::now() + std::chrono::milliseconds(kReactMs);
    while (!committed && ibustest::Clock::now() < deadline) {
        ASSERT_EQ(session.Run({"xdotool", "click", "1"}, 5000, "xdotool.log"), 0) << session.ReadLog("xdotool.log");
        committed = client.WaitFor([&] { return !client.commits.empty(); }, 400);
    }
    EXPECT_TRUE(committed);
    client.WaitFor([] { return false; }, 300);
    EXPECT_EQ(client.commits, "việt");
    EXPECT_EQ(client.VisiblePreedit(), "");
    client.TypeText("a");
    EXPECT_EQ(client.VisiblePreedit(), "a");
}

TEST_F(LiranoIBusTest, PointerDoesNothingWithoutMouseHook)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOff);
    client.TypeText("vieetj");
    ASSERT_EQ(session.Run({"xdotool", "click", "1"}, 5000, "xdotool.log"), 0);
    ASSERT_EQ(session.Run({"xdotool", "click", "1"}, 5000, "xdotool.log"), 0);
    client.WaitFor([] { return false; }, 200);
    EXPECT_EQ(client.commits, "");
    EXPECT_EQ(client.VisiblePreedit(), "việt");
}

// ---------------------------------------------------------------- --xml

namespace {

struct XmlCheck {
    std::vector<std::string> open;
    bool inEngineName = false;
    std::vector<std::string> engineNames;
    int engines = 0;
};

void XmlStart(GMarkupParseContext*, const gchar* element, const gchar**, const gchar**, gpointer data, GError**)
{
    auto* x = static_cast<XmlCheck*>(data);
    if (g_strcmp0(element, "engine") == 0) ++x->engines;
    x->inEngineName = g_strcmp0(element, "name") == 0 && !x->open.empty() && x->open.back() == "engine";
    x->open.push_back(element);
}

void XmlEnd(GMarkupParseContext*, const gchar*, gpointer data, GError**)
{
    auto* x = static_cast<XmlCheck*>(data);
    x->open.pop_back();
    x->inEngineName = false;
}

void XmlText(GMarkupParseContext*, const gchar* text, gsize len, gpointer data, GError**)
{
    auto* x = static_cast<XmlCheck*>(data);
    if (x->inEngineName) x->engineNames.emplace_back(text, len);
}

} // namespace

TEST(LiranoIBusXml, PrintsTheEngineDescriptionWithoutABus)
{
    if (!ibustest::FileExists(Program())) GTEST_SKIP() << Program() << " is not built yet";
    char tmpl[] = "/tmp/lirano-xml-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string home = tmpl;
    // No bus of any kind: neither D-Bus nor IBus nor X is named, HOME is empty.
    const std::string cmd = "env -u DBUS_SESSION_BUS_ADDRESS -u IBUS_ADDRESS -u DISPLAY -u WAYLAND_DISPLAY HOME='" +
                            home + "' XDG_CONFIG_HOME='" + home + "' timeout 10 '" + Program() + "' --xml";
    auto t0 = ibustest::Clock::now();
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[1024];
    while (size_t n = fread(buf, 1, sizeof(buf), p)) out.append(buf, n);
    const int status = pclose(p);
    const double ms = std::chrono::duration<double, std::milli>(ibustest::Clock::now() - t0).count();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_LT(ms, 3000.0);
    std::error_code ec;
    std::filesystem::remove_all(home, ec);

    XmlCheck x;
    GMarkupParser parser = {XmlStart, XmlEnd, XmlText, nullptr, nullptr};
    GMarkupParseContext* ctx = g_markup_parse_context_new(&parser, (GMarkupParseFlags)0, &x, nullptr);
    GError* error = nullptr;
    bool ok = g_markup_parse_context_parse(ctx, out.data(), (gssize)out.size(), &error) &&
              g_markup_parse_context_end_parse(ctx, &error);
    EXPECT_TRUE(ok) << (error ? error->message : "") << "\n" << out;
    if (error) g_error_free(error);
    g_markup_parse_context_free(ctx);
    EXPECT_EQ(x.engines, 1) << out;
    EXPECT_TRUE(Contains(x.engineNames, "Lirano")) << out;
    EXPECT_NE(out.find("<engine>"), std::string::npos);
    EXPECT_NE(out.find("<name>Lirano</name>"), std::string::npos);
    EXPECT_NE(out.find("<language>vi</language>"), std::string::npos);
}

// ---------------------------------------------------------------- settings tool

namespace {

// Processes whose parent is `parent` and whose command is `name`.
std::vector<pid_t> ChildrenNamed(pid_t parent, const std::string& name)
{
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        FILE* f = fopen(("/proc/" + pid + "/stat").c_str(), "r");
        if (!f) continue;
        char comm[256] = {0};
        char state;
        int ppid = 0;
        bool ok = fscanf(f, "%*d (%255[^)]) %c %d", comm, &state, &ppid) == 3;
        fclose(f);
        if (ok && ppid == parent && name.compare(0, 15, comm) == 0) found.push_back(std::stoi(pid));
    }
    return found;
}

} // namespace

TEST_F(LiranoIBusTest, MainWindowFromTheMenuAndTheReloadAfterIt)
{
    LIRANO_LAUNCH(Program(), kEngine, kMouseOn);
    ASSERT_TRUE(WaitForMenu()) << "no property list registered";
    client.ActivateProperty("MainWindow");
    // The engine starts the settings window through the shell.
    std::vector<pid_t> windows;
    ASSERT_TRUE(client.WaitFor(
        [&] {
            for (pid_t sh : ChildrenNamed(enginePid, "sh")) {
                auto w = ChildrenNamed(sh, "Lirano-Qt");
                windows.insert(windows.end(), w.begin(), w.end());
            }
            auto direct = ChildrenNamed(enginePid, "Lirano-Qt");
            windows.insert(windows.end(), direct.begin(), direct.end());
            return !windows.empty();
        },
        kStartMs))
        << "the settings window did not start";
    // Choosing it again while the window is open starts nothing more.
    client.ActivateProperty("MainWindow");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    // Options saved while the window is open, then the window closes.
    copy.WriteFile("LuaChon.ini", "\xEF\xBB\xBF[LuaChon]\nKieuGo=VNI\nEnableMouseHook=1\n");
    for (pid_t w : windows) kill(w, SIGTERM);
    // The engine reloads after the window's exit: VNI keys now.
    EXPECT_TRUE(client.WaitFor(
        [&] {
            client.Press(IBUS_KEY_Escape);
            client.Press('a');
            client.Press('1');
            bool vni = client.VisiblePreedit() == "á";
            client.Press(IBUS_KEY_BackSpace);
            client.Press(IBUS_KEY_BackSpace);
            return vni;
        },
        kStartMs))
        << "the engine did not reload the options; pre-edit " << client.VisiblePreedit();
}

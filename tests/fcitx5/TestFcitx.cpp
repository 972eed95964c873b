// Lirano in Fcitx 5 as an application sees it: an Fcitx instance that loads
// the built addon as Fcitx loads any addon, input contexts from Fcitx's own
// test front-end, keys sent to them, and the pre-edit, every commit in
// order, the candidate list and the status area read back.
//
// Fcitx runs its loop on the main thread, as in the daemon; the tests run
// on a second thread and hand every step to the loop, so the work the
// engine posts (the suggestion loader, the settings tool) runs between
// them as it would between key events.
#include <gtest/gtest.h>

#include <fcitx-utils/eventdispatcher.h>
#include <fcitx-utils/log.h>
#include <fcitx-utils/testing.h>
#include <fcitx/action.h>
#include <fcitx/addonmanager.h>
#include <fcitx/candidatelist.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/inputmethodgroup.h>
#include <fcitx/inputmethodmanager.h>
#include <fcitx/inputpanel.h>
#include <fcitx/instance.h>
#include <fcitx/menu.h>
#include <fcitx/statusarea.h>
#include <fcitx/userinterfacemanager.h>
#include <testfrontend_public.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using fcitx::CapabilityFlag;

fcitx::Instance* g_instance = nullptr;
fcitx::EventDispatcher* g_dispatcher = nullptr;
// Every commit, per input context, in order.
std::map<fcitx::InputContext*, std::string> g_commits;

// Runs `step` on Fcitx's loop and waits for it (10 s at most).
template <typename F> auto OnLoop(F step) -> decltype(step())
{
    using R = decltype(step());
    auto task = std::make_shared<std::packaged_task<R()>>(step);
    auto result = task->get_future();
    g_dispatcher->schedule([task] { (*task)(); });
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "Fcitx's loop did not run the step within 10 s";
        std::abort(); // the loop is stuck: nothing after this can run
    }
    return result.get();
}

void WriteOptions(const std::string& lines)
{
    std::filesystem::path dir = std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "lirano";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "LuaChon.ini") << "[LuaChon]\n" << lines;
}

const std::string kMouseOn = "EnableMouseHook=1\n";
const std::string kMouseOff = "EnableMouseHook=0\n";

// One input context of a test application.
class Context {
public:
    explicit Context(const std::string& program, fcitx::CapabilityFlags caps = CapabilityFlag::Preedit)
    {
        IC = OnLoop([&] {
            auto* frontend = g_instance->addonManager().addon("testfrontend");
            auto uuid = frontend->call<fcitx::ITestFrontend::createInputContext>(program);
            fcitx::InputContext* ic = g_instance->inputContextManager().findByUUID(uuid);
            ic->setCapabilityFlags(caps);
            g_commits[ic].clear();
            return ic;
        });
    }
    ~Context()
    {
        OnLoop([ic = IC] {
            g_commits.erase(ic);
            delete ic;
        });
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    void FocusIn()
    {
        OnLoop([&] { IC->focusIn(); });
    }
    void FocusOut()
    {
        OnLoop([&] { IC->focusOut(); });
    }
    void Reset()
    {
        OnLoop([&] { IC->reset(); });
    }

    // Types a script: a character is a key pressed and released; <Name> a
    // key by its name; <+Name> and <-Name> press or release it alone (a
    // modifier pressed so stays held for the keys after it). Returns the
    // pressed keys the engine passed on, by name, space-separated.
    std::string Type(const std::string& script)
    {
        return OnLoop([&] {
            if (!IC->hasFocus()) IC->focusIn();
            std::string passed;
            fcitx::KeyStates held;
            for (size_t i = 0; i < script.size(); ++i) {
                std::string name(1, script[i]);
                bool press = true, release = true;
                if (script[i] == '<') {
                    size_t end = script.find('>', i);
                    name = script.substr(i + 1, end - i - 1);
                    i = end;
                    if (name[0] == '+' || name[0] == '-') {
                        (name[0] == '+' ? release : press) = false;
                        name.erase(0, 1);
                    }
                }
                fcitx::Key key(name == " " ? "space" : name);
                auto send = [&](bool isRelease) {
                    fcitx::KeyEvent event(IC, fcitx::Key(key.sym(), held), isRelease);
                    IC->keyEvent(event);
                    return event.accepted();
                };
                if (press && !send(false)) passed += (passed.empty() ? "" : " ") + key.toString();
                if (key.isModifier() && press && !release) held |= fcitx::Key::keySymToStates(key.sym());
                if (release) send(true);
                if (key.isModifier() && release && !press) held = held.unset(fcitx::Key::keySymToStates(key.sym()));
            }
            return passed;
        });
    }

    std::string Commits()
    {
        return OnLoop([&] { return g_commits[IC]; });
    }
    std::string Preedit()
    {
        return OnLoop([&] {
            return IC->capabilityFlags().test(CapabilityFlag::Preedit) ? IC->inputPanel().clientPreedit().toString()
                                                                       : IC->inputPanel().preedit().toString();
        });
    }
    std::vector<std::string> Candidates()
    {
        return OnLoop([&] {
            std::vector<std::string> texts;
            if (auto list = IC->inputPanel().candidateList())
                for (int i = 0; i < list->size(); ++i) texts.push_back(list->candidate(i).text().toString());
            return texts;
        });
    }

    fcitx::InputContext* IC;
};

class FcitxTest : public ::testing::Test {
protected:
    void TearDown() override { WriteOptions(kMouseOn); }
    // Options for the contexts made after this.
    void Options(const std::string& lines) { WriteOptions(lines); }

    // The compound dictionary loads in the background: probes until a list
    // comes, 20 s at most.
    bool WaitForSuggestions(Context& c)
    {
        for (auto end = Clock::now() + std::chrono::seconds(20); Clock::now() < end;) {
            c.Type("vi");
            bool shown = !c.Candidates().empty();
            c.Type("<BackSpace><BackSpace>");
            if (shown) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
};

// ---------------------------------------------------------------- typing

struct TypingCase {
    const char* name;
    std::string options;
    std::string script;
    std::string commits, preedit, passed;
};

void PrintTo(const TypingCase& c, std::ostream* out) { *out << c.name; }

class FcitxTyping : public FcitxTest, public ::testing::WithParamInterface<TypingCase> {};

const TypingCase kTyping[] = {
    {"TelexWordInThePreedit", kMouseOn, "Tieengs", "", "Tiếng", ""},
    {"SpaceCommitsTheWord", kMouseOn, "vieetj namw", "việt ", "năm", ""},
    {"ReturnCommitsAndPasses", kMouseOff, "vieetj namw<Return>", "việt năm", "", "Return"},
    {"CompoundCorrectionKeepsThePair", kMouseOn + "SuaLoiChinhTaTuGhep=1\n", "truwowng chinhf ", "", "chương trình ",
     ""},
    {"CompoundPairCommittedByReturn", kMouseOn + "SuaLoiChinhTaTuGhep=1\n", "truwowng chinhf <Return>", "chương trình ",
     "", "Return"},
    {"NothingTypedPassesEditingKeys", kMouseOn, "< ><Return><Tab><BackSpace>", "", "", "space Return Tab BackSpace"},
    {"BackspaceEditsThePreedit", kMouseOn, "vieetj<BackSpace>", "", "việ", ""},
    {"BackspacePassesOnceEmpty", kMouseOn, "vieetj<BackSpace><BackSpace><BackSpace><BackSpace><BackSpace>", "", "",
     "BackSpace"},
    {"NavigationKeyCommitsAndPasses", kMouseOn, "vieetj<Left>", "việt", "", "Left"},
    {"ShiftTypesCapitals", kMouseOn, "<+Shift_L>V<-Shift_L>ieetj", "", "Việt", "Shift_L"},
    {"CtrlAloneCommits", kMouseOn, "vieetj<Control_L><Control_L>", "việt", "", "Control_L Control_L"},
    {"CtrlAltRestoresTheKeys", kMouseOn, "vieetj<+Control_L><+Alt_L><-Alt_L><-Control_L>", "", "vieetj",
     "Control_L Alt_L"},
    {"CtrlAltRestoreCommitsWithoutMouseHook", kMouseOff, "vieetj<+Control_L><+Alt_L><-Control_L><-Alt_L>", "vieetj", "",
     "Control_L Alt_L"},
    {"CtrlCCommitsAndPasses", kMouseOn, "vieetj<+Control_L>c<-Control_L>a", "việt", "a", "Control_L c"},
    {"VniWithItsOwnKeys", kMouseOn + "KieuGo=VNI\n", "Vie6t5", "", "Việt", ""},
    {"OverlongWordCommittedAsTyped", kMouseOn, std::string(150, 'b'), std::string(128, 'b'), std::string(22, 'b'), ""},
};

TEST_P(FcitxTyping, KeysGiveTheTextOfTheIBusEngine)
{
    const TypingCase& c = GetParam();
    Options(c.options);
    Context app("gedit");
    EXPECT_EQ(app.Type(c.script), c.passed);
    EXPECT_EQ(app.Commits(), c.commits);
    EXPECT_EQ(app.Preedit(), c.preedit);
}

INSTANTIATE_TEST_SUITE_P(Cases, FcitxTyping, ::testing::ValuesIn(kTyping),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- focus, reset, deactivation

// Whatever ends the pre-edit from outside commits it once, in its own
// context: a reset, a focus change (Fcitx commits the client's pre-edit
// there; the engine must not do it again), a pre-edit shown in Fcitx's own
// panel, a switch to another input method.
TEST_F(FcitxTest, ResetCommitsWhatIsShownOnce)
{
    Options(kMouseOn + "SuaLoiChinhTaTuGhep=1\n");
    // A client that commits its own copy on reset and focus out (Qt's)
    // gets nothing more from the engine.
    for (bool clientCommits : {false, true}) {
        SCOPED_TRACE(clientCommits ? "the client commits" : "the engine commits");
        Context app("gedit", clientCommits
                                 ? fcitx::CapabilityFlags{CapabilityFlag::Preedit, CapabilityFlag::ClientUnfocusCommit}
                                 : fcitx::CapabilityFlags{CapabilityFlag::Preedit});
        app.Type("Tieengs Vieetj nguwowif");
        ASSERT_EQ(app.Preedit(), "Tiếng Việt người");
        app.Reset();
        EXPECT_EQ(app.Commits(), clientCommits ? "" : "Tiếng Việt người");
        app.Type("a");
        EXPECT_EQ(app.Preedit(), "a");
    }
}

TEST_F(FcitxTest, FocusChangesCommitToTheirOwnContextOnce)
{
    for (auto caps : {fcitx::CapabilityFlags(CapabilityFlag::Preedit), fcitx::CapabilityFlags()}) {
        SCOPED_TRACE(caps.test(CapabilityFlag::Preedit) ? "pre-edit in the application" : "pre-edit in the panel");
        Context app("gedit", caps), other("kate", caps);
        app.Type("vieetj");
        app.FocusOut();
        other.Type("hoaf");
        other.FocusOut();
        app.Type("xin");
        EXPECT_EQ(app.Commits(), "việt");
        EXPECT_EQ(app.Preedit(), "xin");
        EXPECT_EQ(other.Commits(), "hòa");
        EXPECT_EQ(other.Preedit(), "");
    }
}

TEST_F(FcitxTest, SwitchingToAnotherInputMethodCommitsOnce)
{
    Context app("gedit");
    app.Type("vieetj");
    OnLoop([&] { g_instance->setCurrentInputMethod(app.IC, "keyboard-us", true); });
    EXPECT_EQ(app.Commits(), "việt");
    EXPECT_EQ(app.Type("aa"), "a a");
    OnLoop([&] { g_instance->setCurrentInputMethod(app.IC, "lirano", true); });
    app.Type("aa");
    EXPECT_EQ(app.Preedit(), "â");
    EXPECT_EQ(app.Commits(), "việt");
}

// Password and other private fields get the keys as they are.
TEST_F(FcitxTest, PrivateFieldsTakeKeysUntouched)
{
    Context app("gedit");
    app.Type("vieetj");
    OnLoop([&] {
        app.IC->setCapabilityFlags(fcitx::CapabilityFlags{CapabilityFlag::Preedit, CapabilityFlag::Sensitive});
    });
    EXPECT_EQ(app.Commits(), "việt");
    EXPECT_EQ(app.Type("aas<BackSpace>< >"), "a a s BackSpace space");
    EXPECT_EQ(app.Preedit(), "");
    OnLoop([&] { app.IC->setCapabilityFlags(CapabilityFlag::Preedit); });
    app.Type("aa");
    EXPECT_EQ(app.Preedit(), "â");
}

// ---------------------------------------------------------------- Vietnamese or English

std::string StatusText(Context& app, const char* action)
{
    return OnLoop([&] { return g_instance->userInterfaceManager().lookupAction(action)->shortText(app.IC); });
}

// Each program keeps the mode last used in it, across focus changes and a
// new reading of the user's files (as after a restart); English passes
// every key; the status area shows the mode and switches it. Fcitx takes
// Ctrl+Shift itself by default (to go through its input methods): the
// chord here is Alt+Shift.
TEST_F(FcitxTest, EachProgramKeepsItsMode)
{
    std::filesystem::remove(std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "lirano" / "UngDung.ini");
    Options(kMouseOn + "PhimChuyenCheDo=327680\n");
    Context term("konsole"), chat("telegram");
    term.Type("vieetj");
    EXPECT_EQ(term.Type("<+Alt_L><+Shift_L><-Shift_L><-Alt_L>"), "Alt_L Shift_L");
    EXPECT_EQ(term.Commits(), "việt");
    EXPECT_EQ(StatusText(term, "lirano-mode"), "E");
    EXPECT_EQ(term.Type("aas< ><BackSpace>"), "a a s space BackSpace");
    EXPECT_EQ(term.Preedit(), "");
    term.FocusOut();
    chat.Type("aa"); // a new program: Vietnamese
    EXPECT_EQ(chat.Preedit(), "â");
    EXPECT_EQ(StatusText(chat, "lirano-mode"), "V");
    chat.FocusOut();
    EXPECT_EQ(term.Type("aa"), "a a");

    OnLoop([&] { g_instance->reloadAddonConfig("lirano"); });
    term.FocusOut();
    chat.FocusIn();
    term.FocusIn();
    EXPECT_EQ(term.Type("aa"), "a a");
    // A click on the mode in the status area switches it back.
    OnLoop([&] { g_instance->userInterfaceManager().lookupAction("lirano-mode")->activate(term.IC); });
    EXPECT_EQ(StatusText(term, "lirano-mode"), "V");
    term.Type("aa");
    EXPECT_EQ(term.Preedit(), "â");
}

// ---------------------------------------------------------------- suggestions and menu

TEST_F(FcitxTest, SuggestionsInTheCandidateListAndF1TakesTheFirst)
{
    Options(kMouseOn + "Suggestion=1\n");
    Context app("gedit");
    ASSERT_TRUE(WaitForSuggestions(app)) << "no suggestion list within 20 s";
    app.Type("vieetj");
    std::vector<std::string> shown = app.Candidates();
    ASSERT_FALSE(shown.empty());
    EXPECT_LE(shown.size(), 12u);
    for (const std::string& s : shown) EXPECT_EQ(s.rfind("việt", 0), 0u) << s;
    EXPECT_EQ(app.Type("<F1>"), "");
    EXPECT_EQ((app.Commits() + app.Preedit()).rfind(shown[0], 0), 0u) << app.Commits() + app.Preedit();
}

TEST_F(FcitxTest, StatusAreaChoosesTheCharsetAndSavesIt)
{
    Context app("gedit");
    app.Type("vieetj");
    auto labels = OnLoop([&] {
        std::vector<std::string> texts;
        for (fcitx::Action* a : app.IC->statusArea().allActions()) texts.push_back(a->shortText(app.IC));
        return texts;
    });
    EXPECT_NE(std::find(labels.begin(), labels.end(), "Telex 2"), labels.end());
    EXPECT_NE(std::find(labels.begin(), labels.end(), "Unicode"), labels.end());
    // The charset menu's "VNI Windows" item.
    OnLoop([&] {
        fcitx::Action* charset = g_instance->userInterfaceManager().lookupAction("lirano-bangma");
        for (fcitx::Action* item : charset->menu()->actions())
            if (item->shortText(app.IC) == "VNI Windows") item->activate(app.IC);
    });
    std::ifstream in(std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "lirano" / "LuaChon.ini");
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(file.find("BangMa=VNI Windows"), std::string::npos) << file;
    EXPECT_NE(app.Preedit(), "việt"); // shown in the new charset's units
    WriteOptions(kMouseOn);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    WriteOptions(kMouseOn);
    fcitx::Log::setLogRule("*=3"); // warnings and errors
    fcitx::setupTestingEnvironment("", {LIRANO_BIN_DIR},
                                   {LIRANO_FCITX_DATA_DIR, "/usr/share/fcitx5/testing", "/usr/share/fcitx5"});
    char arg0[] = "test_fcitx", arg1[] = "--disable=all", arg2[] = "--enable=testfrontend,testim,lirano";
    char* args[] = {arg0, arg1, arg2};
    fcitx::Instance instance(3, args);
    instance.addonManager().registerDefaultLoader(nullptr);
    fcitx::EventDispatcher dispatcher;
    dispatcher.attach(&instance.eventLoop());
    g_instance = &instance;
    g_dispatcher = &dispatcher;
    auto commitWatch = instance.watchEvent(fcitx::EventType::InputContextCommitString,
                                           fcitx::EventWatcherPhase::PreInputMethod, [](fcitx::Event& event) {
                                               auto& commit = static_cast<fcitx::CommitStringEvent&>(event);
                                               g_commits[commit.inputContext()] += commit.text();
                                           });
    int result = 1;
    std::thread tests;
    dispatcher.schedule([&] {
        // Lirano first: a new context types in it.
        fcitx::InputMethodGroup group = instance.inputMethodManager().currentGroup();
        group.inputMethodList().clear();
        group.inputMethodList().emplace_back("lirano");
        group.inputMethodList().emplace_back("keyboard-us");
        instance.inputMethodManager().setGroup(group);
        tests = std::thread([&] {
            result = RUN_ALL_TESTS();
            dispatcher.schedule([&] { instance.exit(); });
        });
    });
    instance.exec();
    tests.join();
    dispatcher.detach();
    return result;
}

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/SettingUtils.h"
#include "core/Utils.h"
#include "engine/MainLoop.h"
#include "ibus/IBusPanel.h"
#include "ibus/LiranoIBusApp.h"
#include "tests/common/TempDir.h"

namespace {

// Runs the main loop's posted work until `done` holds or time runs out.
template <typename F> bool DrainUntil(F done, int ms = 10000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        MainLoop().Drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

CInputMethodService& Service() { return theApp.Service; }

void Keys(const std::string& s)
{
    for (char c : s) Service().OnKeyDown((unsigned char)c);
}

void Reset()
{
    CInputMethodService& s = Service();
    s.Commit();
    s.modifiers = 0;
    s.otherKeyWithModifiers = false;
    s.enableMouseHook = false;
    s.pointerWatchUnavailable = false;
    s.Suggestion(false);
    s.english = false;
    s.application.clear();
    DrainUntil([] { return MainLoop().Empty(); });
}

enum : unsigned { Control_L = 0xffe3, Alt_L = 0xffe9, BackSpace = 0xff08, Left = 0xff51 };

} // namespace

TEST(ServiceKeys, TypingAndHotKeys)
{
    Reset();
    CInputMethodService& s = Service();
    EXPECT_FALSE(s.OnKeyDown(BackSpace)); // nothing typed: the application's
    EXPECT_FALSE(s.OnKeyDown(' '));
    Keys("vieetj");
    EXPECT_EQ(s.boGo->TatCaKT(false), L"việt");
    EXPECT_TRUE(s.OnKeyDown(BackSpace));
    EXPECT_EQ(s.boGo->TatCaKT(false), L"việ");
    EXPECT_TRUE(s.OnKeyDown(' '));
    EXPECT_EQ(s.boGo->TatCaKT(false), L""); // committed at once without the mouse hook

    // Ctrl pressed and released alone commits.
    Keys("xin");
    s.OnKeyDown(Control_L);
    s.OnKeyUp(Control_L);
    EXPECT_FALSE(s.boGo->DaGo);

    // Ctrl+Alt restores the raw keys of the word (kept in the pre-edit with
    // the mouse hook on, committed without it).
    s.enableMouseHook = true;
    s.pointerWatchUnavailable = true;
    Keys("vieetj");
    s.OnKeyDown(Control_L);
    s.OnKeyDown(Alt_L);
    s.OnKeyUp(Alt_L);
    EXPECT_EQ(s.boGo->TatCaKT(false), L"vieetj");
    s.OnKeyUp(Control_L); // the second release fires nothing
    EXPECT_EQ(s.boGo->TatCaKT(false), L"vieetj");
    s.enableMouseHook = false;

    // Ctrl+C commits and passes the key.
    s.OnKeyDown(Control_L);
    EXPECT_FALSE(s.OnKeyDown('c'));
    EXPECT_FALSE(s.boGo->DaGo);
    s.OnKeyUp(Control_L);

    // Shift alone is no modifier for typing.
    s.OnKeyDown(0xffe1);
    Keys("A");
    s.OnKeyUp(0xffe1);
    EXPECT_EQ(s.boGo->TatCaKT(false), L"A");
    // A navigation key commits and passes.
    EXPECT_FALSE(s.OnKeyDown(Left));
    EXPECT_FALSE(s.boGo->DaGo);
    EXPECT_FALSE(s.OnKeyUp('a'));
}

TEST(ServiceKeys, EndedWordsStayOnlyWhileSomethingMayRewriteThem)
{
    struct Case {
        const char* what;
        bool mouseHook, pairCorrection;
        std::wstring abbreviation;
        bool kept;
    };
    const Case cases[] = {
        {"mouse hook alone", true, false, L"vn", false},
        {"compound-word correction", true, true, L"", true},
        {"an abbreviation over two words", true, false, L"v n", true},
        {"no mouse hook", false, true, L"v n", false},
    };
    for (const Case& c : cases) {
        Reset();
        CInputMethodService& s = Service();
        s.enableMouseHook = c.mouseHook;
        s.pointerWatchUnavailable = true; // no X here
        s.boGo->SuaLoiChinhTaTuGhepEnabled = c.pairCorrection;
        s.boGo->GoTat_Search = {c.abbreviation};
        s.boGo->GoTat_Replace = {L"Việt Nam"};
        Keys("xin chaof");
        EXPECT_EQ(s.boGo->TatCaKT(false), c.kept ? L"xin chào" : L"chào") << c.what;
        // Return ends the word, commits it and reaches the application.
        EXPECT_FALSE(s.OnKeyDown(0xff0d)) << c.what;
        EXPECT_FALSE(s.boGo->DaGo) << c.what;
        s.boGo->SuaLoiChinhTaTuGhepEnabled = false;
        s.boGo->GoTat_Search.clear();
        s.boGo->GoTat_Replace.clear();
    }
}

TEST(ServiceOptions, NamesAndSpecialPairs)
{
    Reset();
    CInputMethodService& s = Service();
    s.KieuGo(L"VNI");
    Keys("a1");
    EXPECT_EQ(s.boGo->TatCaKT(false), L"á");
    s.Commit();
    s.KieuGo(L"Telex 2");
    s.NA_PAC_DacBiet(L"  oong  ooc ");
    EXPECT_EQ(s.boGo->GhepVan.CacNA_PAC_DacBiet.size(), 1u); // one final per vowel group
    s.NA_PAC_DacBiet(L"");
    EXPECT_TRUE(s.boGo->GhepVan.CacNA_PAC_DacBiet.empty());
}

TEST(ServiceThreads, SuggestionLoaderFinishesOnTheMainLoop)
{
    Reset();
    CInputMethodService& s = Service();
    s.Suggestion(true);
    // Meanwhile the key path turns compound correction on: the dictionary
    // is read once, never while the loader fills it.
    s.boGo->SuaLoiChinhTaTuGhep(true);
    EXPECT_TRUE(s.boGo->SuaLoiChinhTaTuGhepEnabled);
    EXPECT_FALSE(s.suggestionOn); // set only by the main loop
    ASSERT_TRUE(DrainUntil([&] { return s.suggestionOn; }));
    EXPECT_GT(s.TDTG.Words.size(), 50000u);
    EXPECT_EQ(s.TDTG.Hashes.size(), s.TDTG.Words.size());
    Keys("chuwowng tr");
    ASSERT_TRUE(s.suggestionUI);
    EXPECT_TRUE(s.suggestionUI->Visible());
    EXPECT_FALSE(s.suggestion->Results.empty());
    s.boGo->SuaLoiChinhTaTuGhep(false);
    EXPECT_FALSE(s.TDTG.Words.empty()); // still used by suggestions
    s.Suggestion(false);
    EXPECT_TRUE(s.TDTG.Words.empty());

    // Switched off while loading: the load never turns suggestions on.
    s.Suggestion(true);
    s.Suggestion(false);
    DrainUntil([] { return false; }, 300);
    EXPECT_FALSE(s.suggestionOn);
}

TEST(ServiceThreads, NoDisplayStartsNoWatch)
{
    Reset();
    CInputMethodService& s = Service();
    std::string display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
    unsetenv("DISPLAY");
    s.enableMouseHook = true;
    for (int i = 0; i < 20; ++i) Keys("a");
    EXPECT_TRUE(s.pointerWatchUnavailable);
    EXPECT_FALSE(s.PointerWatchRunning());
    if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
    Reset();
}

namespace {

// A private X server for the pointer watch, stopped by its PID.
struct Xvfb {
    pid_t pid = -1;
    std::string display;
    Xvfb()
    {
        if (system("command -v Xvfb >/dev/null 2>&1") != 0) return;
        for (int n = 90; n < 140; ++n) {
            if (access(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), F_OK) == 0 ||
                access(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), F_OK) == 0)
                continue;
            display = ":" + std::to_string(n);
            break;
        }
        pid = fork();
        if (pid == 0) {
            // A test that dies (a sanitizer report) must not leave the server
            // holding its output open.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp", (char*)nullptr);
            _exit(127);
        }
        for (int i = 0; i < 200; ++i) {
            if (access(("/tmp/.X11-unix/X" + display.substr(1)).c_str(), F_OK) == 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~Xvfb()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    bool Ok() const { return pid > 0; }
};

// The descriptors this process has open.
long OpenFds()
{
    auto fds = std::filesystem::directory_iterator("/proc/self/fd");
    return std::distance(begin(fds), end(fds));
}

} // namespace

TEST(ServiceThreads, PointerWatchCommitsOnTheMainLoopAndADisarmedOneNever)
{
    Xvfb x;
    if (!x.Ok()) GTEST_SKIP() << "Xvfb is not installed";
    if (system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
    Reset();
    setenv("DISPLAY", x.display.c_str(), 1);
    CInputMethodService& s = Service();
    s.enableMouseHook = true;
    const std::string click = "DISPLAY=" + x.display + " xdotool click 1 >/dev/null 2>&1";
    auto clickUntil = [&](const std::function<bool()>& done) {
        // The first arming connects on the watch's thread: a click before
        // that is not seen.
        for (int i = 0; i < 20; ++i) {
            if (system(click.c_str()) != 0) return false;
            if (DrainUntil(done, 250)) return true;
        }
        return false;
    };

    // A click commits, through the main loop.
    Keys("xin");
    ASSERT_TRUE(s.PointerWatchRunning());
    ASSERT_TRUE(clickUntil([&] { return !s.boGo->DaGo; }));
    EXPECT_FALSE(s.PointerWatchRunning());

    // One connection for the engine's life: arming and disarming opens
    // and closes nothing.
    const long fds = OpenFds();
    for (int i = 0; i < 50; ++i) {
        Keys("vieetj");
        s.Clear();
    }
    EXPECT_EQ(OpenFds(), fds);

    // Disarmed, the watch commits nothing, however the pointer moves.
    Keys("vieetj");
    s.enableMouseHook = false;
    s.Commit();
    Keys("xin");
    EXPECT_FALSE(s.PointerWatchRunning());
    EXPECT_EQ(system(click.c_str()), 0);
    DrainUntil([] { return false; }, 400);
    EXPECT_TRUE(s.boGo->DaGo);
    unsetenv("DISPLAY");
    Reset();
}

TEST(ServiceThreads, ToolsStartFromAnyFolderAndReloadOnTheMainLoop)
{
    Reset();
    TempDir d;
    std::string folder = d.Path("prog 'dir' $HOME;x");
    std::filesystem::create_directories(folder + "/Resources");
    std::filesystem::copy(Utils::ToString(Utils::GetExeFolder()) + "/Resources", folder + "/Resources",
                          std::filesystem::copy_options::recursive);
    // A stand-in settings tool: records its arguments and saves options.
    std::string tool = folder + "/Lirano-Qt";
    {
        std::ofstream f(tool);
        f << "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/args\"\n"
             "printf '\\357\\273\\277[LuaChon]\\nKieuGo=VNI\\n' > \"$(dirname \"$0\")/LuaChon.ini\"\n";
    }
    std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
    std::wstring saved = Utils::ExeFolder;
    Utils::ExeFolder = Utils::ToWString(folder);

    CInputMethodService& s = Service();
    ASSERT_EQ(s.kieuGoName, L"Telex 2");
    ASSERT_TRUE(IBusPanel::StartTool(IBusPanel::MainWindow, [] { theApp.LoadSettings(); }));
    EXPECT_FALSE(IBusPanel::StartTool(IBusPanel::MainWindow, nullptr)); // already running
    // A key while the tool runs and before the reload is handled as usual.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(s.OnKeyDown('a'));
    ASSERT_TRUE(DrainUntil([&] { return s.kieuGoName == L"VNI"; }));
    EXPECT_FALSE(IBusPanel::ToolRunning(IBusPanel::MainWindow));
    EXPECT_EQ(TempDir::Read(Utils::ToWString(folder + "/args")), "\n");

    ASSERT_TRUE(IBusPanel::StartTool(IBusPanel::GoTat, nullptr));
    ASSERT_TRUE(DrainUntil([] { return !IBusPanel::ToolRunning(IBusPanel::GoTat); }));
    EXPECT_EQ(TempDir::Read(Utils::ToWString(folder + "/args")), "--GoTat\n");

    Utils::ExeFolder = saved;
    theApp.LoadSettings();
    Reset();
}

TEST(HotKeys, TextAndPacking)
{
    EXPECT_EQ(CHotKey(MOD_SHIFT | MOD_WIN, 0).ToString(), L"Shift+Win");
    EXPECT_EQ(CHotKey(MOD_CONTROL, 0xff09).ToString(), L"Ctrl+");
    EXPECT_EQ(CHotKey(MOD_CONTROL | MOD_ALT, 0).ToString(), L"Ctrl+Alt");
    EXPECT_EQ(CHotKey().ToString(), L"");
    CHotKey k(MOD_ALT, 0x41);
    EXPECT_EQ(CHotKey(k.ToInteger()), k);
    EXPECT_TRUE(k.IsValidHotKey());
    EXPECT_FALSE(CHotKey(0, 0x41).IsValidHotKey());
    EXPECT_NE(k, CHotKey(MOD_ALT, 0x42));
}

TEST(Panel, ChoosingACharsetSwitchesOutputAndRewritesTheOptions)
{
    Reset();
    TempDir d;
    std::wstring saved = Utils::ExeFolder;
    Utils::ExeFolder = d.WPath("");
    Utils::ExeFolder.pop_back();
    // Options an earlier installation kept beside the programs are read, and
    // saved to the user's folder; the old file stays as it was.
    const std::string old = "\xEF\xBB\xBF[LuaChon]\nZeta=1\nGoTat=0\nKieuGo=Telex 2\n[Other]\nx=y\n";
    d.Write("LuaChon.ini", old);
    const std::wstring user = SettingUtils::UserFolder() + L"/LuaChon.ini";
    std::remove(Utils::ToString(user).c_str());
    CInputMethodService& s = Service();
    theApp.Panel.Init();
    Keys("vieetj");
    theApp.Panel.PropertyActivate(nullptr, "BangMa-VNI Windows", 1);
    EXPECT_EQ(s.bangMaName, L"VNI Windows");
    EXPECT_EQ(s.boGo->EncodeTatCaKT(false), L"vieät");
    EXPECT_EQ(TempDir::Read(user),
              "\xEF\xBB\xBF[LuaChon]\nBangMa=VNI Windows\nGoTat=0\nKieuGo=Telex 2\nZeta=1\n\n[Other]\nx=y\n\n");
    EXPECT_EQ(TempDir::Read(d.WPath("LuaChon.ini")), old);
    // A typing-method name that is not ASCII round-trips through its key.
    theApp.Panel.PropertyActivate(nullptr, "KieuGo-Của tôi", 1);
    EXPECT_EQ(s.kieuGoName, L"Của tôi");
    theApp.Panel.PropertyActivate(nullptr, "KieuGo-Telex 2", 1);
    theApp.Panel.PropertyActivate(nullptr, "BangMa-Unicode", 1);
    theApp.Panel.PropertyActivate(nullptr, "Nothing", 1);
    theApp.Panel.PropertyActivate(nullptr, nullptr, 1);
    EXPECT_EQ(s.boGo->EncodeTatCaKT(false), L"việt");
    std::remove(Utils::ToString(user).c_str());
    Utils::ExeFolder = saved;
    Reset();
}

TEST(Panel, AFailedSaveIsPrintedAndKeepsTheOldOptions)
{
    Reset();
    TempDir d;
    const std::string user = Utils::ToString(SettingUtils::ForWriting(L"LuaChon.ini"));
    const std::string old = "\xEF\xBB\xBF[LuaChon]\nBangMa=Unicode\n";
    std::filesystem::remove(user);
    std::ofstream(user, std::ios::binary) << old;
    // A second name makes the replacement fail (even for root).
    ASSERT_EQ(link(user.c_str(), d.Path("other").c_str()), 0);
    theApp.Panel.Init();
    testing::internal::CaptureStderr();
    theApp.Panel.PropertyActivate(nullptr, "BangMa-VNI Windows", 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("Không ghi được tập tin \"" + user + "\"", 0), 0u);
    EXPECT_EQ(Service().bangMaName, L"VNI Windows"); // typing goes on
    EXPECT_EQ(TempDir::Read(Utils::ToWString(user)), old);
    std::filesystem::remove(user);
    theApp.Panel.PropertyActivate(nullptr, "BangMa-Unicode", 1);
    std::filesystem::remove(user);
    Reset();
}

// ---------------------------------------------------------------------------
// Vietnamese or English, per application

namespace {

// A context that keeps what the service sends it.
struct RecordingContext final : IInputContext {
    explicit RecordingContext(std::string program) : program(std::move(program)) {}
    std::string program;
    std::u32string commits, preedit;
    void UpdatePreedit(const std::u32string& t, bool) override { preedit = t; }
    void HidePreedit() override { preedit.clear(); }
    void CommitText(const std::u32string& t) override { commits += t; }
    void UpdateLookupTable(CSuggestionUI&) override {}
    void ShowLookupTable() override {}
    void HideLookupTable() override {}
    std::string Program() const override { return program; }
};

enum : unsigned { Shift_L = 0xffe1 };

void CtrlShift(CInputMethodService& s)
{
    s.OnKeyDown(Control_L);
    s.OnKeyDown(Shift_L);
    s.OnKeyUp(Shift_L);
    s.OnKeyUp(Control_L);
}

// An empty string removes the file.
void WriteAppModes(const std::string& bytes)
{
    const std::string path = Utils::ToString(SettingUtils::ForWriting(CAppModes::File()));
    std::filesystem::remove(path);
    if (!bytes.empty()) std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(ServiceModes, EachApplicationKeepsItsModeAcrossFocusAndRestart)
{
    Reset();
    WriteAppModes("");
    CInputMethodService& s = Service();
    s.LoadOptions();
    RecordingContext term("konsole"), chat("telegram");
    s.Focus(&term);
    Keys("vieetj");
    CtrlShift(s); // the word goes first, then the switch
    EXPECT_EQ(term.commits, U"việt");
    EXPECT_TRUE(s.english);
    for (unsigned key : {0x61u, 0x61u, 0x20u, 0xff08u, 0xff0du})
        EXPECT_FALSE(s.OnKeyDown(key)); // a a space BackSpace Return
    EXPECT_EQ(term.preedit, U"");

    s.Focus(&chat); // a new application: Vietnamese
    EXPECT_FALSE(s.english);
    Keys("aa");
    EXPECT_EQ(chat.preedit, U"â");
    s.Focus(&term); // what was typed in the chat goes there, and English again
    EXPECT_EQ(chat.commits, U"â");
    EXPECT_TRUE(s.english);

    // The memory is the user's own file, and a new engine reads it back.
    struct stat st;
    ASSERT_EQ(stat(Utils::ToString(CAppModes::File()).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    CInputMethodService restarted;
    restarted.LoadOptions();
    restarted.Focus(&chat);
    EXPECT_FALSE(restarted.english);
    restarted.Focus(&term);
    EXPECT_TRUE(restarted.english);
    s.Engine(nullptr);
    restarted.Engine(nullptr);
    s.English(false);
}

TEST(ServiceModes, DamagedOrHugeMemoryGivesVietnameseAndAMessage)
{
    const std::string cases[] = {
        std::string("\x00\xff\xfe garbage\n[UngDung]\nkonsole=X\n=E\n", 34),
        "[UngDung]\n" + std::string(2 << 20, 'k') + "=E\n",
    };
    for (const std::string& bytes : cases) {
        Reset();
        WriteAppModes(bytes);
        CInputMethodService& s = Service();
        testing::internal::CaptureStderr();
        s.LoadOptions();
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("UngDung.ini"), std::string::npos) << said;
        RecordingContext term("konsole");
        s.Focus(&term);
        EXPECT_FALSE(s.english);
        s.Engine(nullptr);
    }
    WriteAppModes("");
}

TEST(ServiceModes, WithoutTheMemoryOneModeForAllAndNoChordNoSwitch)
{
    Reset();
    WriteAppModes("[UngDung]\nkonsole=E\n");
    CInputMethodService& s = Service();
    s.LoadOptions();
    s.appModesOn = false;
    RecordingContext term("konsole"), chat("telegram");
    s.Focus(&chat);
    s.Focus(&term);
    EXPECT_FALSE(s.english); // the memory is not asked
    CtrlShift(s);
    s.Focus(&chat);
    EXPECT_TRUE(s.english); // one mode for all
    s.English(false);
    s.modeAction.HotKey = CHotKey(); // no chord
    CtrlShift(s);
    EXPECT_FALSE(s.english);
    s.Engine(nullptr);
    s.appModesOn = true;
    WriteAppModes("");
}

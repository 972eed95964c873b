#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/AppModes.h"
#include "engine/BoGo.h"
#include "engine/Event.h"
#include "engine/HotKey.h"
#include "engine/IInputMethodService.h"
#include "engine/InputContext.h"
#include "engine/MainLoop.h"
#include "engine/Suggestion.h"
#include "engine/SuggestionUI.h"

// Stands between an input-method framework and the typing engine: keeps the
// modifier state, runs the hot keys, feeds keys to the engine and shows its
// text as pre-edit until it commits it. The framework is reached only
// through the focused context (IInputContext); ibus/ and fcitx5/ bind it.
class CInputMethodService : public IInputMethodService {
public:
    class CClearHotKeyAction : public CHotKeyActionBase {
    public:
        using CHotKeyActionBase::CHotKeyActionBase;
        bool DoAction() override;
    };
    class CKhoiPhucHotKeyAction : public CHotKeyActionBase {
    public:
        using CHotKeyActionBase::CHotKeyActionBase;
        bool DoAction() override;
    };
    class CSuggestionHotKeyAction : public CHotKeyActionBase {
    public:
        using CHotKeyActionBase::CHotKeyActionBase;
        bool DoAction() override;
    };
    class CCloseSuggestionHotKeyAction : public CHotKeyActionBase {
    public:
        using CHotKeyActionBase::CHotKeyActionBase;
        bool DoAction() override;
    };
    // Switches between Vietnamese and English.
    class CModeHotKeyAction : public CHotKeyActionBase {
    public:
        using CHotKeyActionBase::CHotKeyActionBase;
        bool DoAction() override;
    };

    // The IBus engine type, the component and the main loop (ibus/).
    class CIBus;

    bool enabled = true;
    bool otherKeyWithModifiers = false;
    uint32_t modifiers = 0;
    std::vector<CHotKeyActionBase*> extraHotKeys;
    CClearHotKeyAction clearAction{this};
    CKhoiPhucHotKeyAction khoiPhucAction{this};
    CSuggestionHotKeyAction suggestionAction{this};
    CCloseSuggestionHotKeyAction closeSuggestionAction{this};
    CModeHotKeyAction modeAction{this};
    std::vector<CHotKeyActionBase*> hotKeys;
    Event<void, std::wstring&> debugInfoEvent;
    std::unique_ptr<CBoGo> boGo;
    bool busy = false;
    bool enableMouseHook = true;
    std::wstring kieuGoName;
    std::wstring bangMaName;
    std::wstring naPacDacBietText;
    std::shared_ptr<CSuggestion> suggestion;
    std::unique_ptr<CSuggestionUI> suggestionUI;
    bool suggestionOn = false;
    uint32_t soLuongTuGoiY = 24;
    bool suggestionUIExpanded = false;
    bool suggestionUIHookUpDownKey = false;
    // The focused input context; not ours.
    IInputContext* engine = nullptr;
    bool preEditDecorate = true;
    // Texts committed so far: tells whether a key committed one.
    unsigned commitCount = 0;
    // English: every key but the hot keys passes untouched, as in a
    // password field.
    bool english = false;
    // Each application gets the mode last used in it; off, one mode for all.
    bool appModesOn = true;
    CAppModes appModes;
    // The focused context's application; empty when its framework does not
    // say (then the mode stays as it is).
    std::string application;
    // Tells the front to show the new mode.
    std::function<void()> modeChanged;

    CInputMethodService();
    ~CInputMethodService();
    CInputMethodService(const CInputMethodService&) = delete;
    CInputMethodService& operator=(const CInputMethodService&) = delete;

    // The host interface.
    void BackspaceAndSendString(int, const std::wstring&) override {}
    bool IsNumpad() override { return false; }
    bool Capslock() override { return false; }
    bool Enabled() override { return enabled; }
    void Enabled(bool) override {}
    bool InitTuDienTuGhep(bool withHashes) override;
    void FinalizeTuDienTuGhep() override;

    bool OnKeyDown(unsigned keyval);
    bool OnKeyUp(unsigned keyval);
    void Engine(IInputContext* e);
    // Focus moved to `e`: text still pending elsewhere is committed there.
    void Focus(IInputContext* e);
    // The framework dropped `e`: forget it (and the text typed into it).
    void EngineGone(IInputContext* e);
    void Clear();
    void Commit();
    void DoSuggestion(int index);
    void DoSuggestion();
    void KieuGo(const std::wstring& name);
    // Switches the charset; the pre-edit is shown in the new one.
    void BangMa(const std::wstring& name);
    void NA_PAC_DacBiet(const std::wstring& text);
    void Suggestion(bool on);
    void SoLuongTuGoiY(int n);
    void ShowSuggestion();
    void UpdatePreeditText();
    void CommitPreeditText();
    // Hides the pre-edit when the client shows one.
    void HidePreeditText();
    bool CheckHotKeys(unsigned key);
    void SaveSuggestionSettings();
    void TDTG_Read(bool withHashes);
    std::wstring ACW_GetKeywordText(int index);
    void CallBoGoDebug();
    void OnException(const std::exception* e);
    void SuggestionUIExpand(bool e);
    void Test(const std::wstring& text, bool verbose);
    void OnControlKeysDown(uint32_t mod);
    void OnControlsKeyUp(uint32_t mod);

    // The options file, as the engine reads it at start and after the
    // settings tool closes; the menu's choices written back to it; the
    // abbreviations.
    void LoadOptions();
    void SaveMenuChoices();
    void LoadGoTat();

    // The focused context belongs to `app`: its mode comes back.
    void Application(const std::string& app);
    // Commits what is typed, then switches to `on` and remembers it for the
    // application.
    void English(bool on);
    void SwitchMode() { English(!english); }

    // The front's pointer watch; without one, no click commits.
    void SetPointerWatch(std::unique_ptr<IPointerWatch> watch);
    // Called by the watch, on its thread: the commit runs on the main loop,
    // and only if the watch is still armed as it reported.
    void PointerActivity(unsigned arming);
    // True while the pointer watch is armed.
    bool PointerWatchRunning() const { return pointerWatch && pointerWatch->Armed(); }
    // Ended words stay in the pre-edit only while something may still
    // rewrite them; otherwise each word goes to the application at its end.
    bool KeepsEndedWords() const;
    // The X display could not be opened once: no watch is tried again.
    bool pointerWatchUnavailable = false;
    // Suggestions switched on and still loading.
    bool SuggestionLoading() const { return loader.joinable() && !suggestionOn && suggestion != nullptr; }

private:
    std::mutex tdtgMutex;
    std::thread loader;
    std::unique_ptr<IPointerWatch> pointerWatch;
    // The pre-edit as last sent, while the client shows it.
    bool preeditShown = false;
    std::u32string shownPreedit;
    // Tells a finished load whether suggestions were switched off (or on
    // again) meanwhile.
    CallbackToken suggestionToken;

    void StopPointerWatch();
    void StartPointerWatch();
    void HideSuggestionList();
};

#pragma once

#include <ibus.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/BoGo.h"
#include "engine/Event.h"
#include "engine/IInputMethodService.h"
#include "engine/Suggestion.h"
#include "engine/SuggestionUI.h"
#include "ibus/HotKey.h"
#include "ibus/MainLoop.h"
#include "ibus/PointerWatch.h"

// Stands between IBus and the typing engine: keeps the modifier state, runs
// the hot keys, feeds keys to the engine and shows its text as pre-edit
// until it commits it.
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

    // The IBus engine type, the component and the main loop.
    class CIBus {
    public:
        static CInputMethodService* IME;
        static GType ibus_lrn_engine_get_type();
        // How IBus is to treat the pre-edit of `engine` when the client
        // resets or changes focus.
        static IBusPreeditFocusMode PreeditMode(IBusEngine* engine);
        // A new component, floating as IBus makes its objects.
        static IBusComponent* ibus_lrn_get_component();
        static void print_engines_xml();
        static void Start(bool ibus);
        static void ibus_disconnected_cb(IBusBus* bus, gpointer data);
    };

    bool enabled = true;
    bool otherKeyWithModifiers = false;
    uint32_t modifiers = 0;
    std::vector<CHotKeyActionBase*> extraHotKeys;
    CClearHotKeyAction clearAction{this};
    CKhoiPhucHotKeyAction khoiPhucAction{this};
    CSuggestionHotKeyAction suggestionAction{this};
    CCloseSuggestionHotKeyAction closeSuggestionAction{this};
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
    IBusEngine* engine = nullptr;
    bool preEditDecorate = true;
    // Texts committed so far: tells whether a key committed one.
    unsigned commitCount = 0;

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
    void Engine(IBusEngine* e);
    // Focus moved to `e`: text still pending elsewhere is committed there.
    void Focus(IBusEngine* e);
    // The daemon dropped `e`: forget it (and the text typed into it).
    void EngineGone(IBusEngine* e);
    void Clear();
    void Commit();
    void DoSuggestion(int index);
    void DoSuggestion();
    void KieuGo(const std::wstring& name);
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

    // True while the pointer watch is armed.
    bool PointerWatchRunning() const { return pointerWatch.Armed(); }
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
    CPointerWatch pointerWatch;
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

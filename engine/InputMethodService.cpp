#include "engine/InputMethodService.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <utility>

#include "core/BangMaUtils.h"
#include "core/IniFile.h"
#include "core/KieuGoUtils.h"
#include "core/SettingUtils.h"
#include "core/UtfConverter.h"
#include "core/Utils.h"
#include "engine/LuaChon.h"
#include "engine/MainLoop.h"

namespace {

// X keysyms used here.
enum : unsigned {
    K_BackSpace = 0xff08,
    K_Tab = 0xff09,
    K_Return = 0xff0d,
    K_Escape = 0xff1b,
    K_Up = 0xff52,
    K_Down = 0xff54,
    K_Page_Up = 0xff55,
    K_Page_Down = 0xff56,
    K_F1 = 0xffbe,
    K_F12 = 0xffc9,
    K_Shift_L = 0xffe1,
    K_Shift_R = 0xffe2,
    K_Control_L = 0xffe3,
    K_Control_R = 0xffe4,
    K_Caps_Lock = 0xffe5,
    K_Shift_Lock = 0xffe6,
    K_Meta_L = 0xffe7,
    K_Meta_R = 0xffe8,
    K_Alt_L = 0xffe9,
    K_Alt_R = 0xffea,
    K_Num_Lock = 0xff7f,
};

uint32_t ModOf(unsigned keyval)
{
    switch (keyval) {
    case K_Shift_L:
    case K_Shift_R: return MOD_SHIFT;
    case K_Control_L:
    case K_Control_R: return MOD_CONTROL;
    case K_Meta_L:
    case K_Meta_R: return MOD_WIN;
    case K_Alt_L:
    case K_Alt_R: return MOD_ALT;
    default: return 0;
    }
}

} // namespace

CInputMethodService::CInputMethodService()
    : boGo(std::make_unique<CBoGo>(this)), kieuGoName(KieuGoUtils::Default), bangMaName(BangMaUtils::Unicode)
{
    clearAction.HotKey = CHotKey(MOD_CONTROL, 0);
    khoiPhucAction.HotKey = CHotKey(MOD_CONTROL | MOD_ALT, 0);
    suggestionAction.HotKey = CHotKey(0, K_Tab);
    closeSuggestionAction.HotKey = CHotKey(0, K_Escape);
    modeAction.HotKey = CHotKey(MOD_CONTROL | MOD_SHIFT, 0);
    hotKeys = {&clearAction, &khoiPhucAction, &suggestionAction, &closeSuggestionAction, &modeAction};
}

CInputMethodService::~CInputMethodService()
{
    StopPointerWatch();
    if (loader.joinable()) loader.join();
    SaveSuggestionSettings();
}

// ---------------------------------------------------------------------------
// Hot keys

bool CInputMethodService::CClearHotKeyAction::DoAction()
{
    Service->Commit();
    return false;
}

bool CInputMethodService::CKhoiPhucHotKeyAction::DoAction()
{
    CInputMethodService& s = *Service;
    if (!s.boGo->DaGo) return false;
    s.busy = true;
    try {
        s.boGo->Undo();
        if (s.enableMouseHook)
            s.UpdatePreeditText();
        else
            s.Commit();
    } catch (const std::exception& e) {
        s.OnException(&e);
    }
    if (s.suggestionOn) s.ShowSuggestion();
    s.busy = false;
    return true;
}

bool CInputMethodService::CSuggestionHotKeyAction::DoAction()
{
    if (!Service->suggestionOn || !Service->suggestionUI || !Service->suggestionUI->Visible()) return false;
    Service->DoSuggestion();
    return true;
}

bool CInputMethodService::CCloseSuggestionHotKeyAction::DoAction()
{
    if (!Service->suggestionOn || !Service->suggestionUI || !Service->suggestionUI->Visible()) return false;
    Service->suggestionUI->Hide();
    return true;
}

bool CInputMethodService::CModeHotKeyAction::DoAction()
{
    Service->SwitchMode();
    return true;
}

bool CInputMethodService::CheckHotKeys(unsigned key)
{
    if (key == 0 && modifiers == 0) return false;
    bool result = false;
    for (CHotKeyActionBase* a : hotKeys) {
        if (a->HotKey.Modifiers != modifiers || a->HotKey.Key != key) continue;
        if (modifiers != 0) otherKeyWithModifiers = true;
        if (a->DoAction()) {
            result = true;
            break;
        }
    }
    for (CHotKeyActionBase* a : extraHotKeys) {
        if (a->HotKey.Modifiers != modifiers || a->HotKey.Key != key) continue;
        if (modifiers != 0) otherKeyWithModifiers = true;
        if (a->DoAction()) result = true;
    }
    return result;
}

void CInputMethodService::OnControlKeysDown(uint32_t mod)
{
    modifiers |= mod;
    otherKeyWithModifiers = false;
}

void CInputMethodService::OnControlsKeyUp(uint32_t mod) { modifiers &= ~mod; }

// ---------------------------------------------------------------------------
// Keys

bool CInputMethodService::OnKeyDown(unsigned keyval)
{
    if (busy) return false;
    // Pointer activity seen but not yet reported: it came first.
    if (pointerWatch && pointerWatch->Fired()) Commit();
    if (uint32_t mod = ModOf(keyval)) {
        OnControlKeysDown(mod);
        return false;
    }
    if (keyval == K_Num_Lock || keyval == K_Caps_Lock) return false;
    if (english) {
        // Only the hot keys count; the key itself goes on.
        CheckHotKeys(keyval);
        otherKeyWithModifiers = otherKeyWithModifiers || modifiers != 0;
        return false;
    }

    bool handled = CheckHotKeys(keyval);
    otherKeyWithModifiers = otherKeyWithModifiers || modifiers != 0;
    bool result = handled;
    auto refresh = [&] {
        if (suggestionOn) ShowSuggestion();
    };
    auto pass = [&] {
        Commit();
        result = handled;
    };

    if (modifiers != 0 && modifiers != MOD_SHIFT) {
        Commit();
    } else if (!handled) {
        // The engine step that completed decides whether the key was taken,
        // also when a later step throws.
        try {
            switch (keyval) {
            case K_BackSpace:
                if (boGo->TatCaKT(false).empty()) {
                    result = false;
                    refresh();
                    break;
                }
                boGo->Backspace();
                result = true;
                UpdatePreeditText();
                refresh();
                break;
            case 0x20: {
                if (!boGo->DaGo) {
                    result = false;
                    refresh();
                    break;
                }
                bool r = boGo->KetThucTu(L' ');
                result = true;
                if (r || KeepsEndedWords())
                    UpdatePreeditText();
                else
                    Commit();
                refresh();
                break;
            }
            case K_Tab:
            case K_Return:
            case K_Escape:
                if (!boGo->DaGo) {
                    result = false;
                    break;
                }
                if (boGo->KetThucTu(0)) {
                    result = true;
                    UpdatePreeditText();
                } else {
                    pass();
                }
                break;
            case K_Up:
            case K_Down:
                if (suggestionOn && suggestionUIHookUpDownKey && suggestionUI && suggestionUI->Visible()) {
                    keyval == K_Up ? suggestionUI->MoveUp() : suggestionUI->MoveDown();
                    result = true;
                } else {
                    pass();
                }
                break;
            case K_Page_Up:
            case K_Page_Down:
                if (suggestionOn && suggestionUI && suggestionUI->Visible()) {
                    keyval == K_Page_Up ? suggestionUI->PageUp() : suggestionUI->PageDown();
                    result = true;
                } else {
                    pass();
                }
                break;
            default:
                if (keyval >= K_F1 && keyval <= K_F12) {
                    if (suggestionOn && suggestionUI && suggestionUI->Visible() && suggestion) {
                        int position = (int)(keyval - K_F1) + ((modifiers & MOD_SHIFT) ? 12 : 0);
                        int index = suggestionUI->GetSuggestionIndex(position);
                        if (index < (int)suggestion->Results.size()) {
                            DoSuggestion(index);
                            result = true;
                            break;
                        }
                    }
                    pass();
                } else if (keyval >= 0x21 && keyval <= 0x7e) {
                    // The long word goes to the application as it stands,
                    // and the pre-edit starts again from the next letter.
                    if (boGo->DoDaiTuDangGo() >= CBoGo::MaxWord) {
                        boGo->KetThucTu(0);
                        Commit();
                    }
                    boGo->OnChar((wchar_t)keyval);
                    result = true;
                    UpdatePreeditText();
                    refresh();
                } else {
                    pass();
                }
            }
        } catch (const std::exception& e) {
            OnException(&e);
        }
    }
    if (!debugInfoEvent.Empty()) CallBoGoDebug();
    return result;
}

bool CInputMethodService::OnKeyUp(unsigned keyval)
{
    if (busy) return false;
    if (keyval < K_Shift_L || keyval > K_Alt_R) return false;
    if (!otherKeyWithModifiers) CheckHotKeys(0);
    if (uint32_t mod = ModOf(keyval)) OnControlsKeyUp(mod);
    otherKeyWithModifiers = modifiers != 0;
    return false;
}

void CInputMethodService::Engine(IInputContext* e)
{
    // What another context shows says nothing of this one.
    if (e != engine) {
        preeditShown = false;
        shownPreedit.clear();
    }
    engine = e;
    if (suggestionUI) suggestionUI->Engine = e;
}

void CInputMethodService::Focus(IInputContext* e)
{
    if (e != engine) {
        // Text left in a context that lost focus without telling goes to
        // that context, not to the new one and not away.
        Commit();
        Engine(e);
    } else if (boGo->DaGo) {
        UpdatePreeditText();
    }
    modifiers = 0;
    if (e) Application(e->Program());
}

void CInputMethodService::Application(const std::string& app)
{
    if (app == application) return;
    application = app;
    if (!appModesOn || app.empty()) return;
    bool e = appModes.Find(app).value_or(false);
    if (e == english) return;
    Commit();
    english = e;
    if (modeChanged) modeChanged();
}

void CInputMethodService::English(bool on)
{
    Commit();
    english = on;
    if (appModesOn && !application.empty()) {
        appModes.Set(application, on);
        const std::wstring file = SettingUtils::ForWriting(CAppModes::File());
        std::string error;
        if (!appModes.Write(file, error)) SettingUtils::ReportCannotWrite(file, error);
    }
    if (modeChanged) modeChanged();
}

void CInputMethodService::EngineGone(IInputContext* e)
{
    if (engine != e) return;
    Engine(nullptr);
    Clear();
}

// ---------------------------------------------------------------------------
// Pre-edit and commit

void CInputMethodService::UpdatePreeditText()
{
    std::wstring text = boGo->EncodeTatCaKT(false);
    if (text.empty()) {
        HidePreeditText();
        return;
    }
    if (engine) {
        std::u32string u = UtfConverter::ToUtf32(text);
        // The client shows this already: nothing to send.
        if (!preeditShown || u != shownPreedit) {
            preeditShown = true;
            shownPreedit = u;
            engine->UpdatePreedit(u, preEditDecorate);
        }
    }
    if (enableMouseHook && !PointerWatchRunning()) StartPointerWatch();
}

void CInputMethodService::CommitPreeditText()
{
    if (!boGo->DaGo) return;
    std::wstring text = boGo->EncodeTatCaKT(false);
    if (!engine) return;
    HidePreeditText();
    if (text.empty()) return;
    engine->CommitText(UtfConverter::ToUtf32(text));
    ++commitCount;
}

void CInputMethodService::HideSuggestionList()
{
    if (suggestionOn && suggestionUI) suggestionUI->Hide();
}

void CInputMethodService::HidePreeditText()
{
    if (engine && preeditShown) engine->HidePreedit();
    preeditShown = false;
    shownPreedit.clear();
}

void CInputMethodService::Clear()
{
    StopPointerWatch();
    HidePreeditText();
    boGo->Clear();
    HideSuggestionList();
}

void CInputMethodService::Commit()
{
    CommitPreeditText();
    Clear();
}

// ---------------------------------------------------------------------------
// Pointer watch

void CInputMethodService::SetPointerWatch(std::unique_ptr<IPointerWatch> watch)
{
    StopPointerWatch();
    pointerWatch = std::move(watch);
}

void CInputMethodService::PointerActivity(unsigned arming)
{
    MainLoop().Post([this, arming] {
        // A watch disarmed meanwhile (a key, a reset) never commits.
        if (pointerWatch && pointerWatch->IsArmed(arming)) Commit();
    });
}

void CInputMethodService::StartPointerWatch()
{
    // Without an X display (a Wayland session, no DISPLAY) there is no
    // watch, and no new attempt on every key.
    if (pointerWatchUnavailable || !pointerWatch) return;
    if (!pointerWatch->Arm()) pointerWatchUnavailable = true;
}

void CInputMethodService::StopPointerWatch()
{
    if (pointerWatch) pointerWatch->Disarm();
}

bool CInputMethodService::KeepsEndedWords() const
{
    if (!enableMouseHook) return false;
    // Compound-word correction rewrites the word before, a phrase
    // suggestion replaces the words it was found from, and an abbreviation
    // whose key holds a space spans words.
    if (boGo->SuaLoiChinhTaTuGhepEnabled || suggestion) return true;
    if (!boGo->GoTat) return false;
    for (const std::wstring& key : boGo->GoTat_Search)
        if (key.find(L' ') != std::wstring::npos) return true;
    return false;
}

// ---------------------------------------------------------------------------
// Options reached by the loader and the panel

void CInputMethodService::KieuGo(const std::wstring& name)
{
    if (name == kieuGoName) return;
    kieuGoName = name;
    boGo->SetKieuGo(KieuGoUtils::LayKieuGo(name));
}

void CInputMethodService::BangMa(const std::wstring& name)
{
    if (name == bangMaName) return;
    bangMaName = name;
    boGo->SetBangMa(BangMaUtils::LayBangMa(name));
    UpdatePreeditText();
}

void CInputMethodService::NA_PAC_DacBiet(const std::wstring& text)
{
    naPacDacBietText = text;
    LuaChon::ApDungNA_PAC_DacBiet(boGo->GhepVan, text);
}

void CInputMethodService::SoLuongTuGoiY(int n)
{
    if ((uint32_t)n == soLuongTuGoiY) return;
    soLuongTuGoiY = (uint32_t)n;
    if (suggestionOn && suggestion) suggestion->SoLuongTuGoiY = n;
}

// ---------------------------------------------------------------------------
// The options file

void CInputMethodService::LoadOptions()
{
    LuaChon o = LuaChon::DocFile(SettingUtils::FileLuaChon());
    KieuGo(o.KieuGo);
    if (o.BangMa != bangMaName) {
        bangMaName = o.BangMa;
        boGo->SetBangMa(BangMaUtils::LayBangMa(o.BangMa));
    }
    o.ApDungBoGo(*boGo);
    NA_PAC_DacBiet(o.NA_PAC_DacBiet);
    SoLuongTuGoiY(o.SoLuongTuGoiY);
    Suggestion(o.Suggestion);
    suggestionUIHookUpDownKey = o.SuggestionUIHookUpDownKey;
    preEditDecorate = o.PreEditDecorate;
    enableMouseHook = o.EnableMouseHook;
    modeAction.HotKey = CHotKey(o.PhimChuyenCheDo);
    appModesOn = o.NhoCheDoTheoUngDung;
    std::string problem;
    if (!appModes.Read(CAppModes::File(), problem))
        std::fprintf(stderr, "%s: %s\n", Utils::ToString(CAppModes::File()).c_str(), problem.c_str());
    // The mode of the application in front, as the memory now has it.
    if (appModesOn && !application.empty()) {
        bool e = appModes.Find(application).value_or(false);
        if (e != english) {
            Commit();
            english = e;
            if (modeChanged) modeChanged();
        }
    }
    LoadGoTat();
}

void CInputMethodService::SaveMenuChoices()
{
    IniFile ini;
    std::wstring path = SettingUtils::FileLuaChon();
    IniFile::Sections sections;
    if (Utils::FileExists(path)) sections = ini.Read(path);
    IniFile::Settings& s = sections[LuaChon::Section];
    s[L"KieuGo"] = kieuGoName;
    s[L"BangMa"] = bangMaName;
    const std::wstring file = SettingUtils::ForWriting(path);
    std::string error;
    if (!ini.Write(file, sections, &error)) SettingUtils::ReportCannotWrite(file, error);
}

void CInputMethodService::LoadGoTat() { boGo->LoadGoTat(SettingUtils::FileGoTat()); }

// ---------------------------------------------------------------------------
// Suggestions

void CInputMethodService::Suggestion(bool on)
{
    if (on) {
        if (suggestionOn || suggestion) return; // on, or loading
        if (!Utils::FileExists(SettingUtils::GetTuDienTuGhep())) return;
        if (loader.joinable()) loader.join();
        auto s = std::make_shared<CSuggestion>();
        s->SoLuongTuGoiY = (int)soLuongTuGoiY;
        suggestion = s;
        if (!suggestionUI) {
            suggestionUI = std::make_unique<CSuggestionUI>();
            suggestionUI->GetKeywordText.Add(
                new Event<std::wstring, int>::T<CInputMethodService>(this, &CInputMethodService::ACW_GetKeywordText));
        }
        CallbackToken::Ticket ticket = suggestionToken.Issue();
        loader = std::thread([this, s, ticket] {
            TDTG_Read(false);
            s->SetTuDien(&TDTG);
            std::wstring used = SettingUtils::SuggestionUsedKeywordsFile();
            if (Utils::FileExists(used)) s->DeserializeUsedKeywords(used);
            MainLoop().Post([this, ticket] {
                // Switched off (or on again) while loading: this load is stale.
                if (suggestionToken.IsCurrent(ticket) && suggestion) suggestionOn = true;
            });
        });
        return;
    }
    if (!suggestion) return;
    SaveSuggestionSettings();
    suggestionOn = false;
    suggestionToken.Revoke();
    suggestion.reset();
    if (suggestionUI) suggestionUI->Hide();
    FinalizeTuDienTuGhep();
}

void CInputMethodService::SaveSuggestionSettings()
{
    if (!suggestionOn || !suggestion) return;
    suggestion->SerializeUsedKeywords(SettingUtils::ForWriting(L"Suggestion_UsedKeywords.dat"));
    if (suggestionUI) suggestionUIExpanded = suggestionUI->Expanded;
}

void CInputMethodService::SuggestionUIExpand(bool e)
{
    if (e == suggestionUIExpanded) return;
    suggestionUIExpanded = e;
    if (e && suggestionUI) suggestionUI->Expand(true);
}

void CInputMethodService::ShowSuggestion()
{
    if (!suggestionOn || !suggestion || !suggestionUI) return;
    suggestionUI->Engine = engine;
    suggestion->Keywords = boGo->GetSuggestionFilters();
    if (!suggestion->Keywords.empty()) {
        suggestion->Filter();
        if (!suggestion->Results.empty()) {
            suggestionUI->SetItems(suggestion->Results);
            suggestionUI->Show();
            return;
        }
    }
    suggestionUI->Hide();
}

void CInputMethodService::DoSuggestion(int index)
{
    if (!suggestion || index < 0 || index >= (int)suggestion->Results.size()) return;
    int f = suggestion->GetFilterIndex(index);
    int k = suggestion->Results[index];
    std::wstring text = suggestion->GetKeywordText(k);
    std::wstring filter = f < (int)suggestion->Keywords.size() ? suggestion->Keywords[f] : std::wstring();
    boGo->Expand(filter, text);
    if (enableMouseHook) {
        UpdatePreeditText();
    } else {
        CommitPreeditText();
        Clear();
    }
    if (index > 0) {
        suggestion->AddLastUsedKeyword(Utils::ToLower(std::as_const(filter)), k);
        SaveSuggestionSettings();
    }
    ShowSuggestion();
}

void CInputMethodService::DoSuggestion()
{
    if (!suggestionUI) return;
    int index = suggestionUI->GetSuggestionIndex();
    if (index >= 0) DoSuggestion(index);
}

std::wstring CInputMethodService::ACW_GetKeywordText(int index)
{
    return suggestion ? suggestion->GetKeywordText(index) : std::wstring();
}

// ---------------------------------------------------------------------------
// The compound-word dictionary, shared by the loader and the key path

void CInputMethodService::TDTG_Read(bool withHashes)
{
    // Read once, and never while the other thread is filling it.
    std::lock_guard<std::mutex> lock(tdtgMutex);
    if (TDTG.Words.empty()) TDTG.ReadTxtFile(SettingUtils::GetTuDienTuGhep());
    if (withHashes && TDTG.Hashes.empty()) TDTG.GenerateHashes();
}

bool CInputMethodService::InitTuDienTuGhep(bool withHashes)
{
    if (!Utils::FileExists(SettingUtils::GetTuDienTuGhep())) return false;
    TDTG_Read(withHashes);
    return true;
}

void CInputMethodService::FinalizeTuDienTuGhep()
{
    if (suggestion || boGo->SuaLoiChinhTaTuGhepEnabled) return;
    if (loader.joinable()) loader.join();
    std::lock_guard<std::mutex> lock(tdtgMutex);
    TDTG.FreeMemory();
}

// ---------------------------------------------------------------------------
// Diagnostics

void CInputMethodService::OnException(const std::exception* e) { std::cout << e->what() << "\n" << std::flush; }

void CInputMethodService::CallBoGoDebug()
{
    std::wstring info = boGo->GetDebugInfo();
    debugInfoEvent(info);
}

void CInputMethodService::Test(const std::wstring& text, bool verbose)
{
    std::this_thread::sleep_for(std::chrono::seconds(2));
    for (wchar_t c : text) {
        boGo->OnChar(c);
        ShowSuggestion();
        if (verbose) std::wcout << boGo->GetDebugInfo() << L"\n\n";
    }
    if (!verbose) std::wcout << boGo->GetDebugInfo() << L"\n\n";
}

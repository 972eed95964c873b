#include "fcitx5/LiranoFcitx.h"

#include <fcitx-utils/key.h>
#include <fcitx-utils/textformatflags.h>
#include <fcitx/candidatelist.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/inputpanel.h>
#include <fcitx/statusarea.h>
#include <fcitx/userinterfacemanager.h>
#include <sys/stat.h>

#include "core/BangMaUtils.h"
#include "core/KieuGoUtils.h"
#include "core/SettingUtils.h"
#include "core/UtfConverter.h"
#include "core/Utils.h"
#include "engine/MainLoop.h"
#include "engine/SettingsTool.h"
#include "x11/PointerWatch.h"
#include "x11/WindowClass.h"

namespace {

std::string Utf8(const std::u32string& u) { return UtfConverter::ToUtf8(std::wstring(u.begin(), u.end())); }

// A candidate of the shown page; choosing it is choosing that suggestion.
class SuggestionWord final : public fcitx::CandidateWord {
public:
    SuggestionWord(LiranoFcitxEngine* engine, int position, const std::string& text)
        : fcitx::CandidateWord(fcitx::Text(text)), Engine(engine), Position(position)
    {
    }
    void select(fcitx::InputContext*) const override
    {
        CInputMethodService& s = Engine->Service();
        if (s.suggestionUI) s.DoSuggestion(s.suggestionUI->GetSuggestionIndex(Position));
    }

private:
    LiranoFcitxEngine* Engine;
    int Position;
};

// Tells one version of a file from another: its time to the nanosecond,
// size and inode (an atomic save makes a new one).
std::string Version(const std::wstring& path)
{
    struct stat st;
    if (::stat(Utils::ToString(path).c_str(), &st) != 0) return {};
    return std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + "/" +
           std::to_string(st.st_size) + "/" + std::to_string(st.st_ino);
}

} // namespace

// ---------------------------------------------------------------------------
// The input context

LiranoFcitxContext::~LiranoFcitxContext() { Engine->Service().EngineGone(this); }

bool LiranoFcitxContext::ClientShowsPreedit() const
{
    return IC->capabilityFlags().test(fcitx::CapabilityFlag::Preedit);
}

void LiranoFcitxContext::SetPreedit(const fcitx::Text& text)
{
    if (ClientShowsPreedit())
        IC->inputPanel().setClientPreedit(text);
    else
        IC->inputPanel().setPreedit(text);
    IC->updatePreedit();
    IC->updateUserInterface(fcitx::UserInterfaceComponent::InputPanel);
}

void LiranoFcitxContext::UpdatePreedit(const std::u32string& u, bool underline)
{
    std::string s = Utf8(u);
    fcitx::Text text;
    text.append(s, underline ? fcitx::TextFormatFlag::Underline : fcitx::TextFormatFlag::NoFlag);
    text.setCursor((int)s.size());
    SetPreedit(text);
}

void LiranoFcitxContext::LearnProgram()
{
    App = IC->program();
    if (App.empty() && IC->display().rfind("x11:", 0) == 0) App = FocusedWindowClass();
}

void LiranoFcitxContext::HidePreedit() { SetPreedit(fcitx::Text()); }

void LiranoFcitxContext::CommitText(const std::u32string& u) { IC->commitString(Utf8(u)); }

void LiranoFcitxContext::UpdateLookupTable(CSuggestionUI& list)
{
    Page.clear();
    for (const std::wstring& w : list.PageTexts()) Page.push_back(UtfConverter::ToUtf8(w));
    Cursor = list.CursorInPage();
    if (ListShown) ShowLookupTable();
}

void LiranoFcitxContext::ShowLookupTable()
{
    ListShown = true;
    auto list = std::make_unique<fcitx::CommonCandidateList>();
    std::vector<std::string> labels;
    for (int i = 1; i <= 12; ++i) labels.push_back("F" + std::to_string(i) + " ");
    list->setLabels(labels);
    list->setPageSize(12);
    list->setLayoutHint(fcitx::CandidateLayoutHint::Vertical);
    for (int i = 0; i < (int)Page.size(); ++i) list->append(std::make_unique<SuggestionWord>(Engine, i, Page[i]));
    if (Cursor >= 0 && Cursor < (int)Page.size()) list->setGlobalCursorIndex(Cursor);
    IC->inputPanel().setCandidateList(std::move(list));
    IC->updateUserInterface(fcitx::UserInterfaceComponent::InputPanel);
}

void LiranoFcitxContext::HideLookupTable()
{
    ListShown = false;
    IC->inputPanel().setCandidateList(nullptr);
    IC->updateUserInterface(fcitx::UserInterfaceComponent::InputPanel);
}

// ---------------------------------------------------------------------------
// The engine

LiranoFcitxEngine::LiranoFcitxEngine(fcitx::Instance* instance)
    : instance(instance), contexts([this](fcitx::InputContext& ic) { return new LiranoFcitxContext(this, &ic); })
{
    instance->inputContextManager().registerProperty("liranoContext", &contexts);
    // Work from other threads (the pointer watch, the suggestion loader,
    // the settings tool's waiter) runs on Fcitx's loop, between key events.
    dispatcher.attach(&instance->eventLoop());
    MainLoop().Schedule = [this] { dispatcher.schedule([] { MainLoop().Drain(); }); };
    service.SetPointerWatch(
        std::make_unique<CPointerWatch>([this](unsigned arming) { service.PointerActivity(arming); }));
    capabilityWatch =
        instance->watchEvent(fcitx::EventType::InputContextCapabilityAboutToChange, fcitx::EventWatcherPhase::Default,
                             [this](fcitx::Event& event) {
                                 auto& change = static_cast<fcitx::CapabilityAboutToChangeEvent&>(event);
                                 const auto secret = fcitx::CapabilityFlag::PasswordOrSensitive;
                                 if (change.newFlags().testAny(secret) && !change.oldFlags().testAny(secret) &&
                                     service.engine == Context(change.inputContext()))
                                     service.Commit();
                             });
    service.modeChanged = [this] { RefreshMenu(); };
    BuildMenu();
    LoadOptions();
}

LiranoFcitxEngine::~LiranoFcitxEngine()
{
    MainLoop().Schedule = nullptr;
    dispatcher.detach();
}

void LiranoFcitxEngine::Focus(fcitx::InputContext* ic)
{
    LiranoFcitxContext* context = Context(ic);
    if (service.engine != context) service.Focus(context);
}

void LiranoFcitxEngine::keyEvent(const fcitx::InputMethodEntry&, fcitx::KeyEvent& event)
{
    fcitx::InputContext* ic = event.inputContext();
    // Password and other private fields get the keys untouched.
    if (ic->capabilityFlags().testAny(fcitx::CapabilityFlag::PasswordOrSensitive)) return;
    Focus(ic);
    const unsigned sym = (unsigned)event.key().sym();
    if (event.isRelease()) {
        service.OnKeyUp(sym);
        return;
    }
    if (service.OnKeyDown(sym)) event.filterAndAccept();
}

void LiranoFcitxEngine::activate(const fcitx::InputMethodEntry&, fcitx::InputContextEvent& event)
{
    fcitx::InputContext* ic = event.inputContext();
    LoadOptionsIfChanged();
    Context(ic)->LearnProgram();
    Focus(ic);
    for (fcitx::Action* a : {&modeAction, &kieuGoAction, &bangMaAction, &toolsAction})
        ic->statusArea().addAction(fcitx::StatusGroup::InputMethod, a);
}

void LiranoFcitxEngine::deactivate(const fcitx::InputMethodEntry&, fcitx::InputContextEvent& event)
{
    LiranoFcitxContext* context = Context(event.inputContext());
    if (service.engine != context) return;
    // On focus out Fcitx, or the client itself, commits the pre-edit the
    // client shows: committing it here too would type it twice. A pre-edit
    // in Fcitx's own panel, or any other deactivation, is committed here.
    if (event.type() == fcitx::EventType::InputContextFocusOut &&
        event.inputContext()->capabilityFlags().test(fcitx::CapabilityFlag::Preedit))
        service.Clear();
    else
        service.Commit();
}

void LiranoFcitxEngine::reset(const fcitx::InputMethodEntry&, fcitx::InputContextEvent& event)
{
    fcitx::InputContext* ic = event.inputContext();
    if (service.engine != Context(ic)) return;
    // The client reset (a click, a script moving the caret): what was typed
    // stays typed. A client that commits its copy of the pre-edit itself
    // (Qt's) has done so already.
    if (ic->capabilityFlags().test(fcitx::CapabilityFlag::ClientUnfocusCommit))
        service.Clear();
    else
        service.Commit();
}

void LiranoFcitxEngine::reloadConfig() { LoadOptions(); }

void LiranoFcitxEngine::LoadOptions()
{
    optionsVersion = Version(SettingUtils::FileLuaChon());
    service.LoadOptions();
    RefreshMenu();
}

void LiranoFcitxEngine::LoadOptionsIfChanged()
{
    if (Version(SettingUtils::FileLuaChon()) != optionsVersion) LoadOptions();
}

// ---------------------------------------------------------------------------
// The status area

void LiranoFcitxEngine::BuildMenu()
{
    fcitx::UserInterfaceManager& ui = instance->userInterfaceManager();
    auto item = [&](std::vector<std::unique_ptr<fcitx::SimpleAction>>& items, fcitx::Menu& menu,
                    const std::string& text, bool checkable, auto onClick) {
        auto a = std::make_unique<fcitx::SimpleAction>();
        a->setShortText(text);
        a->setCheckable(checkable);
        a->connect<fcitx::SimpleAction::Activated>(onClick);
        ui.registerAction(a.get());
        menu.addAction(a.get());
        items.push_back(std::move(a));
    };
    for (const std::wstring& name : KieuGoUtils::LayTenTatCaKieuGo())
        item(kieuGoItems, kieuGoMenu, UtfConverter::ToUtf8(name), true, [this, name](fcitx::InputContext*) {
            service.KieuGo(name);
            service.SaveMenuChoices();
            RefreshMenu();
        });
    for (const std::wstring& name : BangMaUtils::LayTenTatCaBangMa())
        item(bangMaItems, bangMaMenu, UtfConverter::ToUtf8(name), true, [this, name](fcitx::InputContext*) {
            service.BangMa(name);
            service.SaveMenuChoices();
            RefreshMenu();
        });
    item(toolItems, toolsMenu, "Chuyển mã", false,
         [](fcitx::InputContext*) { SettingsTool::Start(SettingsTool::ChuyenMa, nullptr); });
    item(toolItems, toolsMenu, "Gõ tắt", false,
         [this](fcitx::InputContext*) { SettingsTool::Start(SettingsTool::GoTat, [this] { service.LoadGoTat(); }); });
    item(toolItems, toolsMenu, "Hiện cửa sổ lựa chọn", false,
         [this](fcitx::InputContext*) { SettingsTool::Start(SettingsTool::MainWindow, [this] { LoadOptions(); }); });
    modeAction.setLongText("Tiếng Việt (V) hay English (E): bấm để đổi");
    modeAction.connect<fcitx::SimpleAction::Activated>([this](fcitx::InputContext*) { service.SwitchMode(); });
    ui.registerAction("lirano-mode", &modeAction);
    kieuGoAction.setLongText("Chọn kiểu gõ");
    kieuGoAction.setMenu(&kieuGoMenu);
    bangMaAction.setLongText("Chọn bảng mã");
    bangMaAction.setMenu(&bangMaMenu);
    toolsAction.setShortText("More");
    toolsAction.setIcon("preferences-system");
    toolsAction.setMenu(&toolsMenu);
    ui.registerAction("lirano-kieugo", &kieuGoAction);
    ui.registerAction("lirano-bangma", &bangMaAction);
    ui.registerAction("lirano-tools", &toolsAction);
}

void LiranoFcitxEngine::RefreshMenu()
{
    modeAction.setShortText(service.english ? "E" : "V");
    kieuGoAction.setShortText(UtfConverter::ToUtf8(service.kieuGoName));
    bangMaAction.setShortText(UtfConverter::ToUtf8(service.bangMaName));
    for (auto& a : kieuGoItems) a->setChecked(a->shortText(nullptr) == UtfConverter::ToUtf8(service.kieuGoName));
    for (auto& a : bangMaItems) a->setChecked(a->shortText(nullptr) == UtfConverter::ToUtf8(service.bangMaName));
    if (auto* context = static_cast<LiranoFcitxContext*>(service.engine)) {
        for (fcitx::Action* a : {&modeAction, &kieuGoAction, &bangMaAction}) a->update(context->InputContext());
        for (auto* items : {&kieuGoItems, &bangMaItems})
            for (auto& a : *items) a->update(context->InputContext());
    }
}

fcitx::AddonInstance* LiranoFcitxFactory::create(fcitx::AddonManager* manager)
{
    return new LiranoFcitxEngine(manager->instance());
}

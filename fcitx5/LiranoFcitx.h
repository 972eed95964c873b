#pragma once

#include <fcitx-utils/eventdispatcher.h>
#include <fcitx/action.h>
#include <fcitx/addonfactory.h>
#include <fcitx/addonmanager.h>
#include <fcitx/inputcontextproperty.h>
#include <fcitx/inputmethodengine.h>
#include <fcitx/instance.h>
#include <fcitx/menu.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/InputMethodService.h"

class LiranoFcitxEngine;

// One Fcitx input context, as the service sees it.
class LiranoFcitxContext final : public fcitx::InputContextProperty, public IInputContext {
public:
    LiranoFcitxContext(LiranoFcitxEngine* engine, fcitx::InputContext* ic) : Engine(engine), IC(ic) {}
    ~LiranoFcitxContext() override;

    void UpdatePreedit(const std::u32string& text, bool underline) override;
    void HidePreedit() override;
    void CommitText(const std::u32string& text) override;
    void UpdateLookupTable(CSuggestionUI& list) override;
    void ShowLookupTable() override;
    void HideLookupTable() override;
    std::string Program() const override { return App; }

    fcitx::InputContext* InputContext() const { return IC; }
    // The program Fcitx was told of; for an X client that told nothing, the
    // class of the X window with the focus.
    void LearnProgram();

private:
    // Where the pre-edit is shown: in the application when it can, else in
    // Fcitx's panel.
    bool ClientShowsPreedit() const;
    void SetPreedit(const fcitx::Text& text);

    LiranoFcitxEngine* Engine;
    fcitx::InputContext* IC;
    // The page last given, shown once the service asks.
    std::vector<std::string> Page;
    int Cursor = 0;
    bool ListShown = false;
    std::string App;
};

// The Lirano input method in Fcitx 5: the same service, options and
// settings tool as the IBus engine, bound to Fcitx's input contexts, event
// loop and status area.
class LiranoFcitxEngine final : public fcitx::InputMethodEngine {
public:
    explicit LiranoFcitxEngine(fcitx::Instance* instance);
    ~LiranoFcitxEngine() override;

    void keyEvent(const fcitx::InputMethodEntry& entry, fcitx::KeyEvent& keyEvent) override;
    void activate(const fcitx::InputMethodEntry& entry, fcitx::InputContextEvent& event) override;
    void deactivate(const fcitx::InputMethodEntry& entry, fcitx::InputContextEvent& event) override;
    void reset(const fcitx::InputMethodEntry& entry, fcitx::InputContextEvent& event) override;
    void reloadConfig() override;

    CInputMethodService& Service() { return service; }
    fcitx::Instance* Instance() { return instance; }
    LiranoFcitxContext* Context(fcitx::InputContext* ic) { return ic->propertyFor(&contexts); }
    // Reads the options again (the settings tool closed, or the file
    // changed) and shows them in the menu.
    void LoadOptions();

private:
    void BuildMenu();
    void RefreshMenu();
    void LoadOptionsIfChanged();
    // The focused context now serves the service, committing what was left
    // in another one there.
    void Focus(fcitx::InputContext* ic);

    fcitx::Instance* instance;
    CInputMethodService service;
    fcitx::EventDispatcher dispatcher;
    fcitx::FactoryFor<LiranoFcitxContext> contexts;
    // A field that turns private (a password) takes what was typed before
    // as it stands.
    std::unique_ptr<fcitx::HandlerTableEntry<fcitx::EventHandler>> capabilityWatch;
    // The options file as last read: a change is read again on focus.
    std::string optionsVersion;

    // The status area: Vietnamese or English, typing method, charset and the
    // settings tools.
    fcitx::SimpleAction modeAction, kieuGoAction, bangMaAction, toolsAction;
    fcitx::Menu kieuGoMenu, bangMaMenu, toolsMenu;
    std::vector<std::unique_ptr<fcitx::SimpleAction>> kieuGoItems, bangMaItems, toolItems;
};

class LiranoFcitxFactory final : public fcitx::AddonFactory {
public:
    fcitx::AddonInstance* create(fcitx::AddonManager* manager) override;
};

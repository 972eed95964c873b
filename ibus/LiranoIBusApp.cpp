#include "ibus/LiranoIBusApp.h"

#include <glib.h>

#include <cstring>

#include "engine/MainLoop.h"
#include "ibus/IBusEngine.h"
#include "x11/PointerWatch.h"

LiranoIBusApp theApp;

LiranoIBusApp::LiranoIBusApp()
{
    CInputMethodService::CIBus::IME = &Service;
    Service.SetPointerWatch(
        std::make_unique<CPointerWatch>([this](unsigned arming) { Service.PointerActivity(arming); }));
    Service.modeChanged = [this] { Panel.Refresh(); };
    MainLoop().Schedule = [] {
        g_idle_add(
            [](gpointer) -> gboolean {
                MainLoop().Drain();
                return G_SOURCE_REMOVE;
            },
            nullptr);
    };
}

LiranoIBusApp::~LiranoIBusApp()
{
    if (CInputMethodService::CIBus::IME == &Service) CInputMethodService::CIBus::IME = nullptr;
}

int LiranoIBusApp::Start(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--xml") == 0) {
        CInputMethodService::CIBus::print_engines_xml();
        return 0;
    }
    LoadSettings();
    CInputMethodService::CIBus::Start(argc == 2 && std::strcmp(argv[1], "--ibus") == 0);
    return 0;
}

void LiranoIBusApp::LoadSettings() { Service.LoadOptions(); }

void LiranoIBusApp::SaveSettings() { Service.SaveMenuChoices(); }

void LiranoIBusApp::LoadGoTat() { Service.LoadGoTat(); }

void LiranoIBusApp::Test(const std::wstring& text, bool verbose)
{
    LoadSettings();
    Service.Test(text, verbose);
}

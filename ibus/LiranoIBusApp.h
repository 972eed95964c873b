#pragma once

#include <string>

#include "engine/InputMethodService.h"
#include "ibus/IBusPanel.h"

// The engine program's application object: the service and the panel
// menu, and the options file between them and the engine.
class LiranoIBusApp {
public:
    CInputMethodService Service;
    IBusPanel Panel;

    // Binds the service to IBus's main loop and the X pointer.
    LiranoIBusApp();
    ~LiranoIBusApp();
    LiranoIBusApp(const LiranoIBusApp&) = delete;
    LiranoIBusApp& operator=(const LiranoIBusApp&) = delete;

    int Start(int argc, char** argv);
    void LoadSettings();
    void SaveSettings();
    void LoadGoTat();
    void Test(const std::wstring& text, bool verbose);
};

extern LiranoIBusApp theApp;

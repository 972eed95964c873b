#pragma once

#include <string>

#include "ibus/IBusPanel.h"
#include "ibus/InputMethodService.h"

// The engine program's application object: the service and the panel
// menu, and the options file between them and the engine.
class LiranoIBusApp {
public:
    CInputMethodService Service;
    IBusPanel Panel;

    int Start(int argc, char** argv);
    void LoadSettings();
    void SaveSettings();
    void LoadGoTat();
    void Test(const std::wstring& text, bool verbose);
};

extern LiranoIBusApp theApp;

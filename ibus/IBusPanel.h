#pragma once

#include <ibus.h>

#include <string>

#include "engine/Handles.h"
#include "engine/SettingsTool.h"

// The engine's menu in the IBus panel: typing method, charset, and the
// tools that start the settings program.
class IBusPanel {
public:
    bool initialised = false;
    GObjectPtr<IBusPropList> mainList;
    GObjectPtr<IBusPropList> kieuGoList;
    GObjectPtr<IBusPropList> bangMaList;
    GObjectPtr<IBusPropList> toolsList;
    IBusEngine* engine = nullptr;

    void Init();
    void PropertyActivate(IBusEngine* engine, const char* prop_name, unsigned state);
    void Refresh();
    static void menu_item_activate(IBusPropList* mainList, IBusPropList* subList, const char* mainKey,
                                   const char* selectedKey, const std::string& label);

    // The shell command that starts the settings program with `args`, the
    // program folder quoted so that any path works.
    static std::string ToolCommand(const std::string& args);
    // Starts a tool unless it runs; `after` runs on the main loop once the
    // tool has exited.
    enum Tool { MainWindow = SettingsTool::MainWindow, ChuyenMa = SettingsTool::ChuyenMa, GoTat = SettingsTool::GoTat };
    static bool StartTool(Tool tool, void (*after)());
    static bool ToolRunning(Tool tool);
};

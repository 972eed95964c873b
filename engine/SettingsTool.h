#pragma once

#include <functional>
#include <string>

// The settings program started from the engine's menu, one window of each
// kind at a time.
namespace SettingsTool {

enum Tool { MainWindow, ChuyenMa, GoTat };

// The shell command that starts the settings program with `args`, the
// program folder quoted so that any path works.
std::string Command(const std::string& args);
// Starts `tool` unless it runs; `after` runs on the main loop once the tool
// has exited.
bool Start(Tool tool, std::function<void()> after);
bool Running(Tool tool);

} // namespace SettingsTool

#include "engine/SettingsTool.h"

#include <atomic>
#include <cstdlib>
#include <thread>

#include "core/Utils.h"
#include "engine/MainLoop.h"

namespace SettingsTool {

namespace {

std::atomic<bool> MainWindowThreadId{false};
std::atomic<bool> ChuyenMaWindowThreadId{false};
std::atomic<bool> GoTatWindowThreadId{false};

std::atomic<bool>& RunningFlag(Tool t)
{
    return t == MainWindow ? MainWindowThreadId : t == ChuyenMa ? ChuyenMaWindowThreadId : GoTatWindowThreadId;
}

} // namespace

std::string Command(const std::string& args)
{
    // The folder's own bytes, quoted: spaces, quotes and other shell
    // characters in the path still start the program.
    std::string cmd = Utils::ShellWord(Utils::ToString(Utils::GetExeFolder()) + "/Lirano-Qt");
    if (!args.empty()) cmd += " " + args;
    return cmd;
}

bool Running(Tool tool) { return RunningFlag(tool); }

bool Start(Tool tool, std::function<void()> after)
{
    std::atomic<bool>& running = RunningFlag(tool);
    bool expected = false;
    if (!running.compare_exchange_strong(expected, true)) return false;
    std::string cmd = Command(tool == MainWindow ? "" : tool == ChuyenMa ? "--ChuyenMa" : "--GoTat");
    std::thread([cmd, after = std::move(after), &running] {
        int status = std::system(cmd.c_str());
        (void)status;
        // The reload runs on the main loop, never beside key handling.
        MainLoop().Post([after, &running] {
            running = false;
            if (after) after();
        });
    }).detach();
    return true;
}

} // namespace SettingsTool

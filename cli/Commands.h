#pragma once

#include <string>
#include <vector>

// Sub-commands of the `lirano` tool. Each takes the arguments after its
// name and returns the process exit status (0 done, 2 bad usage or input).
int RunType(const std::vector<std::string>& args);
int RunMethods(const std::vector<std::string>& args);
int RunCharsets(const std::vector<std::string>& args);
int RunConvert(const std::vector<std::string>& args);
int RunDetect(const std::vector<std::string>& args);
// Checks what typing through IBus or Fcitx 5 (whichever runs) needs; 0 when
// all of it holds, 1 when a check failed.
int RunDoctor(const std::vector<std::string>& args);

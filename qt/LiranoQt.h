#pragma once

#include <string>
#include <vector>

#include <QString>
#include <QStringList>

// The settings program's entry: its four modes and the installation of the
// IBus component description.
namespace LiranoQt {

enum class Mode { MainWindow, ChuyenMa, GoTat, Install, Usage };

// The mode for the arguments the toolkit left (program name excluded):
// exact, case-sensitive matches only; anything else is the usage text.
Mode ModeFor(const QStringList& args);

extern const char* const UsageText;

// The engine beside this program: its folder + "/Lirano-IBus".
std::string EnginePath();
// The component description that makes IBus start the engine at
// `enginePath` (UTF-8, no final line feed).
std::string ComponentXml(const std::string& enginePath);

// Where the description goes: "/usr/share/ibus/component/" and
// "/usr/local/share/ibus/component/", or the ':'-separated folders of the
// environment variable LIRANO_IBUS_COMPONENT_DIRS when it is set (tests and
// staged installs).
std::vector<std::string> ComponentFolders();

// Thrown by WriteAllText when a copy cannot be written; carries no text.
struct WriteFailed {};
// Replaces the file with `text` as raw bytes, without byte-order mark.
void WriteAllText(const std::string& path, const std::string& text);

enum class InstallResult { Installed, NoIBus, NoRights };
// Writes "Lirano.xml" into each folder that exists, in order; stops at the
// first copy that fails.
InstallResult Install(const std::string& xml, const std::vector<std::string>& folders);
QString InstallMessage(InstallResult result);
bool InstallSucceeded(InstallResult result);

// main(): the toolkit's application object, then the mode.
int Run(int& argc, char** argv);

} // namespace LiranoQt

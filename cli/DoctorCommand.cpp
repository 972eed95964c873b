// lirano doctor: why typing through IBus or Fcitx 5 may not work on this
// desktop. Every outside program and every talk with IBus runs in a child
// process with a deadline, so a stuck daemon or tool cannot hang the check.
// Which framework runs is read from the process table: nothing is started.

#include <fcntl.h>
#include <ibus.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "core/SettingUtils.h"
#include "core/Utils.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const kEngine = "Lirano";
const char* const kComponentFile = "Lirano.xml";
const char* const kSelfCheck = "ibus_selfcheck.py";
const char* const kPython = "/usr/bin/python3";

// What the environment must name for each framework, and how to set it.
struct Framework {
    const char* name;
    const char* daemon;   // its process
    const char* module;   // GTK_IM_MODULE and QT_IM_MODULE
    const char* alias;    // another name its GTK and Qt modules answer to
    const char* xim;      // XMODIFIERS
    const char* imConfig; // im-config's mode, also the environment.d file's name
    const char* start;
};
const Framework kIBus{"IBus", "ibus-daemon", "ibus", "", "@im=ibus", "ibus", "ibus-daemon -drx"};
const Framework kFcitx{"Fcitx 5", "fcitx5", "fcitx", "fcitx5", "@im=fcitx", "fcitx5", "fcitx5 -d"};

std::string ImFix(const Framework& fw) { return "im-config -n " + std::string(fw.imConfig) + ", then log out and in"; }

std::string StartFix(const Framework& fw)
{
    return std::string(fw.start) + " (to start it at every login: " + ImFix(fw) + ")";
}

class Report {
public:
    void Ok(const std::string& check, const std::string& detail) { Line("ok", check, detail); }
    void Note(const std::string& check, const std::string& detail) { Line("note", check, detail); }
    void Fail(const std::string& check, const std::string& detail, const std::string& fix)
    {
        Line("FAIL", check, detail);
        // Lines after the first (lines to paste into a file) stay under it.
        std::string text = fix;
        for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 12) text.insert(at + 1, 11, ' ');
        std::printf("      fix: %s\n", text.c_str());
        ++failures;
    }
    int failures = 0;

private:
    void Line(const char* verdict, const std::string& check, const std::string& detail)
    {
        std::printf("%-4s  %s: %s\n", verdict, check.c_str(), detail.c_str());
        std::fflush(stdout);
    }
};

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool IsFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> Split(const std::string& s, char sep)
{
    std::vector<std::string> r;
    size_t start = 0;
    for (;;) {
        size_t end = s.find(sep, start);
        std::string part = s.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!part.empty()) r.push_back(part);
        if (end == std::string::npos) return r;
        start = end + 1;
    }
}

std::string Join(const std::vector<std::string>& items, const std::string& sep, size_t most)
{
    std::string r;
    for (size_t i = 0; i < items.size() && i < most; ++i) r += (i ? sep : "") + items[i];
    if (items.size() > most) r += sep + "and " + std::to_string(items.size() - most) + " more";
    return r;
}

std::string FindProgram(const std::string& name)
{
    std::string path = Env("PATH");
    for (const std::string& dir : Split(path.empty() ? "/usr/bin:/bin" : path, ':')) {
        std::string p = dir + "/" + name;
        if (IsFile(p) && access(p.c_str(), X_OK) == 0) return p;
    }
    return std::string();
}

int MsLeft(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : (int)std::min<long long>(left, 100);
}

// Reads `fd` until the child ends (and its output is drained) or the
// deadline passes. Grandchildren may keep the pipe open after the child is
// gone, so the child's end, not the pipe's, stops the reading.
bool Collect(pid_t pid, int fd, Clock::time_point deadline, std::string& out, int& status)
{
    bool eof = false, exited = false;
    for (;;) {
        if (!exited && waitpid(pid, &status, WNOHANG) == pid) exited = true;
        pollfd p{fd, POLLIN, 0};
        int ready = eof ? 0 : poll(&p, 1, exited ? 0 : MsLeft(deadline));
        if (ready > 0) {
            char buf[4096];
            ssize_t n = read(fd, buf, sizeof buf);
            if (n > 0 && out.size() < (1u << 20)) out.append(buf, (size_t)n);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) eof = true;
            continue;
        }
        if (exited) return true;
        if (eof) {
            // Only the child is left to wait for.
            if (waitpid(pid, &status, WNOHANG) == pid) return true;
            if (Clock::now() >= deadline) return false;
            usleep(10000);
            continue;
        }
        if (Clock::now() >= deadline) return false;
    }
}

// A child that overran: a polite stop (the self-check cleans up after
// itself on SIGTERM), then whatever is left of its process group.
void StopChild(pid_t pid)
{
    int status;
    bool reaped = false;
    kill(pid, SIGTERM);
    for (int i = 0; i < 300 && !reaped; ++i) {
        reaped = waitpid(pid, &status, WNOHANG) == pid;
        if (!reaped) usleep(10000);
    }
    kill(-pid, SIGKILL);
    if (!reaped) waitpid(pid, &status, 0);
}

struct Output {
    bool started = false;
    bool timedOut = false;
    int status = -1;  // exit status, -1 when killed by a signal
    std::string text; // standard output and error together
};

Output RunCommand(const std::vector<std::string>& argv, int timeoutMs)
{
    Output r;
    int fds[2];
    if (argv.empty() || pipe2(fds, O_CLOEXEC) != 0) return r;
    std::vector<char*> a;
    for (const std::string& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        // A group of its own: what it starts can be stopped with it.
        setpgid(0, 0);
        int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) dup2(devNull, 0);
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        execv(a[0], a.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return r;
    }
    r.started = true;
    int status = 0;
    if (Collect(pid, fds[0], Clock::now() + std::chrono::milliseconds(timeoutMs), r.text, status)) {
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r.status == 127 && r.text.empty()) r.started = false;
    } else {
        r.timedOut = true;
        StopChild(pid);
    }
    close(fds[0]);
    return r;
}

std::string FirstLine(const std::string& text)
{
    size_t start = text.find_first_not_of("\r\n");
    if (start == std::string::npos) return std::string();
    return text.substr(start, text.find('\n', start) - start);
}

// What went wrong with a command, in a few words.
std::string Why(const Output& r)
{
    if (!r.started) return "it could not be started";
    if (r.timedOut) return "no answer in time";
    std::string line = FirstLine(r.text);
    return line.empty() ? "exit status " + std::to_string(r.status) : line;
}

// ---------------------------------------------------------------- IBus

struct Daemon {
    bool answered = false; // the probe finished in time
    std::string addressFile;
    std::string address; // empty: no address known
    bool connected = false;
    bool listed = false;
    std::vector<std::string> engines;
};

// libibus blocks on a daemon that accepts but does not answer: the probe
// runs in a child process that reports line by line.
[[noreturn]] void ProbeChild(int out, const std::string& scratch)
{
    int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) dup2(devNull, 2);
    FILE* f = fdopen(out, "w");
    if (!f) _exit(1);
    // A new bus makes the address file's folder: with the address given,
    // that folder is a scratch one, so nothing appears in the user's HOME.
    if (!Env("IBUS_ADDRESS").empty() && !scratch.empty())
        setenv("IBUS_ADDRESS_FILE", (scratch + "/ibus-address").c_str(), 1);
    ibus_init();
    std::fprintf(f, "file %s\n", ibus_get_socket_path());
    const char* address = ibus_get_address();
    if (address && *address) std::fprintf(f, "address %s\n", address);
    std::fflush(f);
    if (!address || !*address) _exit(0);
    IBusBus* bus = ibus_bus_new();
    bool connected = bus && ibus_bus_is_connected(bus);
    std::fprintf(f, "connected %d\n", connected ? 1 : 0);
    std::fflush(f);
    if (connected) {
        // The installed components, not only the engines already running.
        GList* list = ibus_bus_list_engines(bus);
        for (GList* p = list; p; p = p->next) {
            const char* name = ibus_engine_desc_get_name(IBUS_ENGINE_DESC(p->data));
            if (name) std::fprintf(f, "engine %s\n", name);
        }
        std::fprintf(f, "listed\n");
        std::fflush(f);
    }
    _exit(0);
}

Daemon ProbeDaemon(int timeoutMs)
{
    Daemon d;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return d;
    char tmpl[] = "/tmp/lirano-doctor-XXXXXX";
    const std::string scratch = mkdtemp(tmpl) ? tmpl : "";
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        close(fds[0]);
        ProbeChild(fds[1], scratch);
    }
    close(fds[1]);
    std::string text;
    int status = 0;
    if (pid > 0) {
        d.answered = Collect(pid, fds[0], Clock::now() + std::chrono::milliseconds(timeoutMs), text, status) &&
                     WIFEXITED(status);
        if (!d.answered) StopChild(pid);
    }
    close(fds[0]);
    if (!scratch.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(scratch, ec);
    }
    for (const std::string& line : Split(text, '\n')) {
        size_t space = line.find(' ');
        std::string key = line.substr(0, space);
        std::string value = space == std::string::npos ? std::string() : line.substr(space + 1);
        if (key == "file") d.addressFile = value;
        if (key == "address") d.address = value;
        if (key == "connected") d.connected = value == "1";
        if (key == "engine") d.engines.push_back(value);
        if (key == "listed") d.listed = true;
    }
    return d;
}

void CheckDaemon(Report& report, const Daemon& d)
{
    const std::string fix = StartFix(kIBus);
    const bool fromEnv = !Env("IBUS_ADDRESS").empty();
    if (d.address.empty() && !d.answered) {
        report.Fail("ibus-daemon", "the IBus library gave no answer in time", "ibus restart");
    } else if (d.address.empty()) {
        report.Fail("ibus-daemon",
                    "not running for this user (no live daemon in " +
                        (d.addressFile.empty() ? std::string("the IBus address file") : d.addressFile) + ")",
                    fix);
    } else if (!d.answered && !d.connected) {
        report.Fail("ibus-daemon", "no answer in time at " + d.address, "ibus restart");
    } else if (!d.connected) {
        report.Fail("ibus-daemon", "nothing answers at " + d.address + (fromEnv ? " (from IBUS_ADDRESS)" : ""),
                    fromEnv ? "unset IBUS_ADDRESS, or start the daemon: " + fix : fix);
    } else if (!d.listed) {
        report.Fail("ibus-daemon", "connected, but it did not list its engines in time", "ibus restart");
    } else {
        report.Ok("ibus-daemon", "running, " + d.address.substr(0, d.address.find(",guid=")));
    }
}

// The folders ibus-daemon reads components from.
std::vector<std::string> ComponentFolders()
{
    std::string path = Env("IBUS_COMPONENT_PATH");
    if (!path.empty()) return Split(path, ':');
    return {"/usr/share/ibus/component", "/usr/local/share/ibus/component"};
}

std::string XmlText(const std::string& s)
{
    static const std::pair<const char*, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
        bool done = false;
        for (const auto& [name, c] : kEntities) {
            size_t n = std::strlen(name);
            if (s.compare(i, n, name) == 0) {
                r += c;
                i += n - 1;
                done = true;
                break;
            }
        }
        if (!done) r += s[i];
    }
    return r;
}

// The program of the component's <exec> line, split as IBus splits it
// (shell words: quotes and backslashes).
std::string ExecProgram(const std::string& xml)
{
    size_t start = xml.find("<exec>");
    size_t end = start == std::string::npos ? start : xml.find("</exec>", start);
    if (end == std::string::npos) return std::string();
    std::string line = XmlText(xml.substr(start + 6, end - start - 6));
    std::string word;
    size_t i = line.find_first_not_of(" \t\n");
    char quote = 0;
    for (; i != std::string::npos && i < line.size(); ++i) {
        char c = line[i];
        if (quote) {
            if (c == quote)
                quote = 0;
            else if (c == '\\' && quote == '"' && i + 1 < line.size())
                word += line[++i];
            else
                word += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '\\' && i + 1 < line.size()) {
            word += line[++i];
        } else if (c == ' ' || c == '\t' || c == '\n') {
            break;
        } else {
            word += c;
        }
    }
    return word;
}

// Returns the folder that holds Lirano.xml, or empty.
std::string CheckComponent(Report& report, const Daemon& d)
{
    const std::vector<std::string> folders = ComponentFolders();
    std::string folder;
    for (const std::string& f : folders)
        if (IsFile(f + "/" + kComponentFile)) {
            folder = f;
            break;
        }
    const bool listed = std::find(d.engines.begin(), d.engines.end(), kEngine) != d.engines.end();
    const std::string reinstall =
        "reinstall Lirano (its package, or ./install.sh from the sources), then: ibus restart";
    if (folder.empty()) {
        const std::string where = "no " + std::string(kComponentFile) + " in " + Join(folders, ", ", folders.size());
        if (listed)
            report.Ok("component", "IBus lists the engine Lirano (" + where + ")");
        else
            report.Fail("component", where + (d.listed ? ", and IBus lists no engine Lirano" : ""), reinstall);
        return folder;
    }
    const std::string file = folder + "/" + kComponentFile;
    const std::string program = ExecProgram(Utils::ReadAllBytes(Utils::ToWString(file)));
    if (program.empty()) {
        report.Fail("component", file + " names no program to start", reinstall);
    } else if (program[0] == '/' && (!IsFile(program) || access(program.c_str(), X_OK) != 0)) {
        report.Fail("component", file + " starts " + program + ", which is not there", reinstall);
    } else if (!d.listed) {
        report.Ok("component", file + " (IBus not asked: its daemon does not answer)");
    } else if (!listed) {
        report.Fail("component", file + " is there, but IBus lists no engine Lirano", "ibus write-cache; ibus restart");
    } else {
        report.Ok("component", file + ", and IBus lists the engine Lirano");
    }
    return folder;
}

// The self-check runs its own private D-Bus and ibus-daemon: nothing of
// the user's session is touched.
void CheckEngineStart(Report& report, const std::string& componentFolder)
{
    const std::string name = "engine start";
    if (componentFolder.empty()) {
        report.Note(name, "not tried: no " + std::string(kComponentFile) + " to start it from");
        return;
    }
    const std::string script = Utils::ToString(Utils::GetExeFolder()) + "/" + kSelfCheck;
    if (!IsFile(script)) {
        report.Fail(name, "no " + script, "reinstall Lirano");
        return;
    }
    const std::string needs = "sudo apt install python3-gi gir1.2-ibus-1.0";
    if (!IsFile(kPython)) {
        report.Note(name, "not tried: it needs " + std::string(kPython) + " (" + needs + ")");
        return;
    }
    // The script stops itself after 30 s; a little more for its clean-up.
    Output r = RunCommand({kPython, script, componentFolder}, 40000);
    const std::string line = FirstLine(r.text);
    if (r.started && r.status == 0) {
        report.Ok(name, "a private ibus-daemon started the engine and typed \"Tiếng Việt\"");
    } else if (r.text.find("no IBus for python3") != std::string::npos) {
        report.Note(name, "not tried: " + std::string(kPython) + " lacks IBus (" + needs + ")");
    } else if (r.timedOut) {
        report.Fail(name, "the self-check did not end within 40 s",
                    "run " + std::string(kPython) + " " + script + " " + componentFolder + " to see where it stops");
    } else {
        const std::string prefix = "ibus self-check: FAILED: ";
        std::string why = line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : line;
        if (why.empty())
            why = !r.started     ? "the self-check could not be started"
                  : r.status < 0 ? "the self-check was stopped by a signal"
                                 : "the self-check failed with status " + std::to_string(r.status);
        report.Fail(name, why,
                    "reinstall Lirano; for the daemon's log run " + std::string(kPython) + " " + script + " " +
                        componentFolder);
    }
}

// ---------------------------------------------------------------- Fcitx 5

const char* const kFcitxIm = "lirano"; // the input method's name in Fcitx
const char* const kFcitxLibrary = "lirano.so";
const char* const kFcitxReinstall =
    "reinstall Lirano (its package, or ./install.sh from the sources), then restart Fcitx: fcitx5 -rd";

std::string Trim(const std::string& s)
{
    size_t start = s.find_first_not_of(" \t\r");
    if (start == std::string::npos) return std::string();
    return s.substr(start, s.find_last_not_of(" \t\r") - start + 1);
}

// As Fcitx reads its SKIP_ variables.
bool EnvFlag(const char* name)
{
    const std::string v = Env(name);
    return v == "1" || v == "true" || v == "True";
}

std::string HomeFolder(const char* env, const char* underHome)
{
    const std::string v = Env(env);
    return v.empty() ? Env("HOME") + "/" + underHome : v;
}

// Where Fcitx loads addon libraries from.
std::vector<std::string> FcitxAddonFolders()
{
    const std::string dirs = Env("FCITX_ADDON_DIRS");
    return dirs.empty() ? std::vector<std::string>{LIRANO_FCITX5_ADDON_DIR} : Split(dirs, ':');
}

// Where Fcitx reads addon/ and inputmethod/ from, in its order: the user's
// data folder, FCITX_DATA_DIRS or XDG_DATA_DIRS' fcitx5/ folders, its own.
std::vector<std::string> FcitxDataFolders()
{
    std::vector<std::string> all;
    if (!EnvFlag("SKIP_FCITX_USER_PATH")) {
        const std::string home = Env("FCITX_DATA_HOME");
        all.push_back(home.empty() ? HomeFolder("XDG_DATA_HOME", ".local/share") + "/fcitx5" : home);
    }
    const bool own = !EnvFlag("SKIP_FCITX_PATH");
    if (!Env("FCITX_DATA_DIRS").empty()) {
        for (const std::string& d : Split(Env("FCITX_DATA_DIRS"), ':')) all.push_back(d);
    } else {
        const std::string xdg = Env("XDG_DATA_DIRS");
        for (const std::string& d : Split(xdg.empty() ? "/usr/local/share:/usr/share" : xdg, ':'))
            all.push_back(d + "/fcitx5");
    }
    if (own) all.push_back("/usr/share/fcitx5");
    std::vector<std::string> r;
    for (const std::string& d : all)
        if (std::find(r.begin(), r.end(), d) == r.end()) r.push_back(d);
    return r;
}

void CheckFcitxDaemon(Report& report, long pid)
{
    if (pid)
        report.Ok("fcitx5", "running, pid " + std::to_string(pid));
    else
        report.Fail("fcitx5", "not running for this user", StartFix(kFcitx));
}

// The library where Fcitx loads it from (a link to it counts, as for Fcitx)
// and the addon's two descriptions.
void CheckFcitxAddon(Report& report)
{
    std::vector<std::string> found, missing;
    const std::vector<std::string> libFolders = FcitxAddonFolders();
    std::string dangling;
    for (const std::string& folder : libFolders) {
        const std::string path = folder + "/" + kFcitxLibrary;
        if (IsFile(path)) {
            found.push_back(path);
            break;
        }
        std::error_code ec;
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (!ec && dangling.empty())
            dangling = path + " links to " + (std::filesystem::path(folder) / target).lexically_normal().string() +
                       ", which is not there";
    }
    if (found.empty())
        missing.push_back(!dangling.empty() ? dangling
                                            : "no " + std::string(kFcitxLibrary) + " in " +
                                                  Join(libFolders, ", ", libFolders.size()));
    const std::vector<std::string> dataFolders = FcitxDataFolders();
    std::vector<std::string> confs;
    for (const std::string file : {"addon/lirano.conf", "inputmethod/lirano.conf"}) {
        auto at = std::find_if(dataFolders.begin(), dataFolders.end(),
                               [&](const std::string& d) { return IsFile(d + "/" + file); });
        if (at == dataFolders.end())
            confs.push_back(file);
        else
            found.push_back(*at + "/" + file);
    }
    if (!confs.empty())
        missing.push_back("no " + Join(confs, " or ", 2) + " in " + Join(dataFolders, ", ", dataFolders.size()));
    if (missing.empty())
        report.Ok("Fcitx addon", Join(found, ", ", found.size()));
    else
        report.Fail("Fcitx addon", Join(missing, "; ", missing.size()), kFcitxReinstall);
}

struct Profile {
    bool read = false;
    std::map<int, std::string> groups; // [Groups/N]: its Name
    std::map<int, int> nextItem;       // [Groups/N/Items/M]: the greatest M + 1
    int listing = -1;                  // the group whose item names the input method
};

// Fcitx's profile: [Groups/N] sections name the groups, [Groups/N/Items/M]
// sections their input methods.
Profile ReadProfile(const std::string& path)
{
    Profile p;
    std::ifstream in(path);
    p.read = bool(in);
    std::string line, section;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos || Trim(line.substr(0, eq)) != "Name") continue;
        std::string value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        int group = -1, item = -1;
        char rest = 0;
        int n = std::sscanf(section.c_str(), "Groups/%d/Items/%d%c", &group, &item, &rest);
        if (n == 2 && group >= 0 && item >= 0) {
            p.nextItem[group] = std::max(p.nextItem[group], item + 1);
            if (value == kFcitxIm && p.listing < 0) p.listing = group;
        } else if (n == 1 && section == "Groups/" + std::to_string(group)) {
            p.groups[group] = value;
        }
    }
    return p;
}

void CheckFcitxProfile(Report& report)
{
    const std::string name = "Fcitx profile";
    const std::string home = Env("FCITX_CONFIG_HOME");
    const std::string path = (home.empty() ? HomeFolder("XDG_CONFIG_HOME", ".config") + "/fcitx5" : home) + "/profile";
    const std::string tool =
        "fcitx5-configtool, Input Method: add \"Lirano\" (not listed? restart Fcitx first: fcitx5 -rd)";
    Profile p = ReadProfile(path);
    if (!p.read) {
        report.Fail(name, "no " + path + " (Fcitx writes it when its input methods are saved)", tool);
    } else if (p.listing >= 0) {
        const auto group = p.groups.find(p.listing);
        report.Ok(name, path + " lists " + kFcitxIm +
                            (group == p.groups.end() ? std::string() : " (group \"" + group->second + "\")"));
    } else {
        // Fcitx writes the profile again when it exits: it must not run
        // while the file is edited.
        const int group = !p.groups.empty()     ? p.groups.begin()->first
                          : !p.nextItem.empty() ? p.nextItem.begin()->first
                                                : 0;
        report.Fail(name, path + " has no input method " + kFcitxIm,
                    tool + ";\nor stop Fcitx (fcitx5-remote -e), add to " + path +
                        " the lines below, and start it again (fcitx5 -d):\n[Groups/" + std::to_string(group) +
                        "/Items/" + std::to_string(p.nextItem[group]) + "]\nName=" + kFcitxIm + "\nLayout=");
    }
}

// ---------------------------------------------------------------- framework

struct Processes {
    long ibus = 0;  // the user's ibus-daemon, 0: none
    long fcitx = 0; // the user's fcitx5
};

// The user's own daemons, from the process table; tests name a folder laid
// out like /proc in LIRANO_DOCTOR_PROC.
Processes FindProcesses()
{
    Processes r;
    const std::string proc = Env("LIRANO_DOCTOR_PROC").empty() ? "/proc" : Env("LIRANO_DOCTOR_PROC");
    const std::string uid = std::to_string(getuid());
    std::error_code ec;
    for (std::filesystem::directory_iterator it(proc, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string pid = it->path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream status(it->path() / "status");
        std::string line, name, real;
        while (std::getline(status, line)) {
            if (line.rfind("Name:", 0) == 0) name = Trim(line.substr(5));
            if (line.rfind("Uid:", 0) == 0) std::istringstream(line.substr(4)) >> real;
        }
        if (real != uid) continue;
        long* slot = name == kIBus.daemon ? &r.ibus : name == kFcitx.daemon ? &r.fcitx : nullptr;
        if (slot && !*slot) *slot = std::atol(pid.c_str());
    }
    return r;
}

bool EnvironmentNamesFcitx()
{
    for (const char* name : {"GTK_IM_MODULE", "QT_IM_MODULE"})
        if (Env(name).rfind("fcitx", 0) == 0) return true;
    return Env("XMODIFIERS").rfind("@im=fcitx", 0) == 0;
}

void ReportFramework(Report& report, const Processes& procs, const Framework& fw, bool ibusAnswers)
{
    const std::string name = "input framework";
    auto pid = [](long p) { return "pid " + std::to_string(p); };
    if (procs.ibus && procs.fcitx)
        report.Note(name, "IBus (ibus-daemon, " + pid(procs.ibus) + ") and Fcitx 5 (fcitx5, " + pid(procs.fcitx) +
                              ") both run; checking " + fw.name +
                              (&fw == &kFcitx ? ", which the environment names" : " (the environment names no Fcitx)"));
    else if (procs.ibus || procs.fcitx)
        report.Ok(name, std::string(fw.name) + " (" + fw.daemon + " runs, " + pid(procs.ibus + procs.fcitx) + ")");
    else if (ibusAnswers)
        report.Ok(name, "IBus (its daemon answers)");
    else
        report.Note(name, "neither ibus-daemon nor fcitx5 runs for this user; start one: " + std::string(kIBus.start) +
                              ", or " + kFcitx.start + " (at every login: " + ImFix(kIBus) + ", or " + ImFix(kFcitx) +
                              ")");
}

// ---------------------------------------------------------------- environment

bool Contains(const std::string& haystack, const std::string& needle)
{
    return haystack.find(needle) != std::string::npos;
}

std::string Upper(std::string s)
{
    for (char& c : s) c = (char)std::toupper((unsigned char)c);
    return s;
}

std::string WithoutSpaces(const std::string& s)
{
    std::string r;
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') r += c;
    return r;
}

bool IsWayland()
{
    const std::string type = Env("XDG_SESSION_TYPE");
    return type == "wayland" || (type.empty() && !Env("WAYLAND_DISPLAY").empty());
}

void CheckVariable(Report& report, const Framework& fw, const char* name, const std::string& want, bool mayBeUnset,
                   const std::string& why)
{
    const std::string value = Env(name);
    const std::string fix =
        ImFix(fw) + " (or " + name + "=" + want + " in ~/.config/environment.d/" + fw.imConfig + ".conf)";
    if (value == want || (want == fw.module && *fw.alias && value == fw.alias))
        report.Ok(name, value);
    else if (value.empty() && mayBeUnset)
        report.Ok(name, "unset: " + why);
    else if (value.empty())
        report.Fail(name, "unset; it must be " + want, fix);
    else
        report.Fail(name, "\"" + value + "\"; it must be " + want, fix);
}

void CheckGnomeSources(Report& report)
{
    const std::string name = "GNOME input sources";
    const std::string gsettings = FindProgram("gsettings");
    if (gsettings.empty()) {
        report.Note(name, "no gsettings to read them: add \"Vietnamese (Lirano)\" in Settings > Keyboard");
        return;
    }
    Output r = RunCommand({gsettings, "get", "org.gnome.desktop.input-sources", "sources"}, 5000);
    std::string value = FirstLine(r.text);
    if (!r.started || r.timedOut || r.status != 0) {
        report.Note(name, "gsettings could not read them: " + Why(r));
        return;
    }
    if (Contains(WithoutSpaces(value), "('ibus','Lirano')")) {
        report.Ok(name, value);
        return;
    }
    // The list as it is, with Lirano added at its end.
    std::string list = value;
    if (list.rfind("@a(ss) ", 0) == 0) list = list.substr(7);
    size_t close = list.rfind(']');
    if (close == std::string::npos || WithoutSpaces(list) == "[]")
        list = "[('ibus', 'Lirano')]";
    else
        list = list.substr(0, close) + ", ('ibus', 'Lirano')]";
    report.Fail(name, value + " has no ('ibus', 'Lirano')",
                "gsettings set org.gnome.desktop.input-sources sources \"" + list + "\"");
}

void CheckEnvironment(Report& report, const Framework& fw)
{
    // GTK applications may do without the module where the desktop itself
    // talks to the framework: GNOME to IBus, Plasma's Wayland to Fcitx.
    const std::string desktop = Upper(Env("XDG_CURRENT_DESKTOP"));
    const bool gnome = &fw == &kIBus && Contains(desktop, "GNOME");
    const bool plasma = &fw == &kFcitx && IsWayland() && Contains(desktop, "KDE");
    CheckVariable(report, fw, "GTK_IM_MODULE", fw.module, gnome || plasma,
                  gnome ? "GNOME's own IBus integration serves GTK applications"
                        : "KDE's Wayland input method (System Settings > Virtual Keyboard > Fcitx 5) serves GTK "
                          "applications");
    CheckVariable(report, fw, "QT_IM_MODULE", fw.module, false, "");
    CheckVariable(report, fw, "XMODIFIERS", fw.xim, false, "");
    if (gnome) CheckGnomeSources(report);
    if (IsWayland())
        report.Note("Wayland", "QT_IM_MODULE and XMODIFIERS still matter there, for X applications (XWayland)");
}

void CheckSession(Report& report, const Framework& fw)
{
    const std::string type = Env("XDG_SESSION_TYPE");
    const std::string wayland = Env("WAYLAND_DISPLAY");
    const std::string display = Env("DISPLAY");
    std::string seen;
    for (const auto& [k, v] : {std::pair<const char*, std::string>{"XDG_SESSION_TYPE", type},
                               {"WAYLAND_DISPLAY", wayland},
                               {"DISPLAY", display}})
        if (!v.empty()) seen += (seen.empty() ? "" : ", ") + std::string(k) + "=" + v;
    if (IsWayland())
        report.Note("session",
                    "Wayland (" + seen + "): the mouse watch (EnableMouseHook) cannot run" +
                        (&fw == &kIBus ? "; IBus commits the pre-edit on a click, so the text is kept" : ""));
    else if (type == "x11" || !display.empty())
        report.Note("session", "X11 (" + seen + ")");
    else
        report.Note("session", (seen.empty() ? std::string("no DISPLAY or WAYLAND_DISPLAY") : seen) +
                                   ": run lirano doctor from a terminal of your desktop to check its environment");
}

// ---------------------------------------------------------------- settings

std::string UserName()
{
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_name ? pw->pw_name : std::to_string(getuid());
}

std::string Parent(const std::string& path)
{
    size_t slash = path.find_last_not_of('/');
    slash = slash == std::string::npos ? std::string::npos : path.rfind('/', slash);
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? "/" : path.substr(0, slash);
}

void CheckSettingsFolder(Report& report)
{
    const std::string name = "settings folder";
    const std::string folder = Utils::ToString(SettingUtils::UserFolder());
    // A folder of the user's lacks the permission; another's, the owner.
    auto makeWritable = [](const std::string& path) {
        struct stat st;
        if (stat(path.c_str(), &st) == 0 && st.st_uid == getuid()) return "chmod u+rwx " + path;
        return "sudo chown " + UserName() + ": " + path;
    };
    // Lirano takes XDG_CONFIG_HOME only when it is a full path.
    const std::string xdg = Env("XDG_CONFIG_HOME").rfind('/', 0) == 0 ? Env("XDG_CONFIG_HOME") : std::string();
    const std::string elsewhere =
        xdg.empty() ? std::string() : " (or point XDG_CONFIG_HOME, now " + xdg + ", to a folder of yours)";
    struct stat st;
    if (stat(folder.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            report.Fail(name, folder + " is not a folder", "move " + folder + " away" + elsewhere);
        else if (access(folder.c_str(), W_OK | X_OK) != 0)
            report.Fail(name, folder + " is not writable", makeWritable(folder) + elsewhere);
        else
            report.Ok(name, folder + " (writable)");
        return;
    }
    // Lirano makes the folder and the one above it on its first save, no
    // more: the nearest folder that exists must be one of those two parents.
    std::string existing = folder;
    int missing = 0;
    while (!existing.empty() && stat(existing.c_str(), &st) != 0) {
        existing = Parent(existing);
        ++missing;
    }
    if (existing.empty() || stat(existing.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        report.Fail(name, folder + " cannot be made: " + (existing.empty() ? folder : existing) + " is not a folder",
                    xdg.empty() ? "check HOME (" + Env("HOME") + ")"
                                : "point XDG_CONFIG_HOME (now " + xdg + ") to a folder of yours");
    } else if (missing > 2) {
        report.Fail(name, folder + " cannot be made: neither it nor " + Parent(folder) + " exists",
                    "mkdir -p " + Parent(folder) + elsewhere);
    } else if (access(existing.c_str(), W_OK | X_OK) != 0) {
        report.Fail(name, folder + " cannot be made: " + existing + " is not writable",
                    makeWritable(existing) + elsewhere);
    } else {
        report.Ok(name, folder + " (made on the first save; " + existing + " is writable)");
    }
}

// ---------------------------------------------------------------- sandboxes

void CheckSandboxes(Report& report, const Framework& fw)
{
    const std::string flatpak = FindProgram("flatpak");
    const std::string snap = FindProgram("snap");
    if (flatpak.empty() && snap.empty()) {
        report.Ok("sandboxed apps", "neither flatpak nor snap is installed");
        return;
    }
    if (!flatpak.empty()) {
        Output r = RunCommand({flatpak, "list", "--app", "--columns=application"}, 10000);
        std::vector<std::string> apps;
        for (const std::string& line : Split(r.text, '\n'))
            if (line.find_first_of(" \t") == std::string::npos) apps.push_back(line);
        if (!r.started || r.timedOut || r.status != 0)
            report.Note("Flatpak", "flatpak list failed: " + Why(r));
        else if (apps.empty())
            report.Ok("Flatpak", "no apps installed");
        else
            report.Note("Flatpak", std::to_string(apps.size()) + " apps need their own " + fw.name +
                                       " access, through " +
                                       (&fw == &kIBus ? "the portal (ibus-portal)" : "Fcitx's portal") + ": " +
                                       Join(apps, ", ", 8));
    }
    if (!snap.empty()) {
        Output r = RunCommand({snap, "list"}, 10000);
        std::vector<std::string> apps;
        std::vector<std::string> lines = Split(r.text, '\n');
        // Name Version Rev Tracking Publisher Notes, under a heading. Bases,
        // snapd and content snaps (themes, runtimes) have no command in
        // /snap/bin: they are no applications.
        for (size_t i = 1; i < lines.size(); ++i) {
            std::vector<std::string> columns = Split(lines[i], ' ');
            if (columns.empty()) continue;
            const std::string& snapName = columns[0];
            bool command = false;
            std::error_code ec;
            for (const auto& e : std::filesystem::directory_iterator("/snap/bin", ec)) {
                std::string f = e.path().filename().string();
                if (f == snapName || f.rfind(snapName + ".", 0) == 0) command = true;
            }
            if (command) apps.push_back(snapName);
        }
        if (!r.started || r.timedOut || r.status != 0)
            report.Note("Snap", "snap list failed: " + Why(r));
        else if (apps.empty())
            report.Ok("Snap", "no apps installed");
        else
            report.Note("Snap", std::to_string(apps.size()) + " snaps need their own " + fw.name +
                                    " access (their desktop interface): " + Join(apps, ", ", 8));
    }
}

} // namespace

int RunDoctor(const std::vector<std::string>& args)
{
    if (!args.empty()) {
        std::fprintf(stderr, "usage: lirano doctor\n");
        return 2;
    }
    // A child that ends early must not end this process.
    signal(SIGPIPE, SIG_IGN);
    Report report;
    if (geteuid() == 0 && !Env("SUDO_USER").empty())
        report.Note("user", "run through sudo: these are root's settings; run lirano doctor as yourself");
    // With both running, or neither, the one the environment names.
    const Processes procs = FindProcesses();
    const bool named = EnvironmentNamesFcitx();
    const bool fcitx = procs.ibus && procs.fcitx ? named : procs.fcitx || (!procs.ibus && named);
    const Framework& fw = fcitx ? kFcitx : kIBus;
    if (fcitx) {
        ReportFramework(report, procs, fw, false);
        CheckFcitxDaemon(report, procs.fcitx);
        CheckFcitxAddon(report);
        CheckFcitxProfile(report);
    } else {
        const Daemon daemon = ProbeDaemon(10000);
        ReportFramework(report, procs, fw, daemon.connected);
        CheckDaemon(report, daemon);
        const std::string componentFolder = CheckComponent(report, daemon);
        CheckEngineStart(report, componentFolder);
    }
    CheckEnvironment(report, fw);
    CheckSession(report, fw);
    CheckSettingsFolder(report);
    CheckSandboxes(report, fw);
    if (report.failures)
        std::printf("%d check%s failed: the fix is under each.\n", report.failures, report.failures == 1 ? "" : "s");
    else
        std::printf("Everything Lirano needs is in place.\n");
    return report.failures ? 1 : 0;
}

#include "tests/ibus/IBusHarness.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;

namespace ibustest {

namespace {

double MsSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Variables of the parent that must not reach the children: they would name
// the user's own session, display or input method.
bool Inherited(const std::string& name)
{
    static const char* dropped[] = {"HOME",       "DBUS_SESSION_BUS_ADDRESS", "DISPLAY",         "WAYLAND_DISPLAY",
                                    "XAUTHORITY", "SESSION_MANAGER",          "GTK_IM_MODULE",   "QT_IM_MODULE",
                                    "XMODIFIERS", "GSETTINGS_BACKEND",        "DESKTOP_SESSION", "XDG_SESSION_TYPE"};
    for (const char* d : dropped)
        if (name == d) return false;
    if (name.rfind("XDG_", 0) == 0 || name.rfind("IBUS_", 0) == 0 || name.rfind("FCITX_", 0) == 0) return false;
    if (name == "QT_IM_MODULES") return false; // Qt 6.7 reads it before QT_IM_MODULE
    return true;
}

// fork + exec with a ready-made argv and envp. The child dies with the
// thread that started it (PR_SET_PDEATHSIG), so nothing outlives a test run
// that is killed from outside.
pid_t ForkExec(const std::vector<std::string>& argv, const std::vector<std::string>& env, int outFd, int errFd)
{
    std::vector<char*> a, e;
    for (const auto& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    for (const auto& s : env) e.push_back(const_cast<char*>(s.c_str()));
    e.push_back(nullptr);
    int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(126);
        if (devNull >= 0) dup2(devNull, 0);
        if (outFd >= 0) dup2(outFd, 1);
        if (errFd >= 0) dup2(errFd, 2);
        execvpe(a[0], a.data(), e.data());
        _exit(127);
    }
    if (devNull >= 0) close(devNull);
    return pid;
}

int OpenLog(const std::string& path) { return open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644); }

bool CanConnectUnix(const std::string& path)
{
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    bool ok = connect(fd, (sockaddr*)&addr, sizeof(addr)) == 0;
    close(fd);
    return ok;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

const char* kDBusConfig =
    "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
    " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
    "<busconfig>\n"
    "  <type>session</type>\n"
    "  <keep_umask/>\n"
    "  <listen>unix:dir=@DIR@</listen>\n"
    "  <auth>EXTERNAL</auth>\n"
    "  <policy context=\"default\">\n"
    "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
    "    <allow eavesdrop=\"true\"/>\n"
    "    <allow own=\"*\"/>\n"
    "  </policy>\n"
    "</busconfig>\n";

// The library keeps the first address-file path it computes for the whole
// process, and makes (and chmods) that file's folder for every new bus. So
// the client's path lies in one folder of its own for the life of the
// process, removed at exit; the file itself is never written.
void RemoveClientFolder();
std::string& ClientFolder()
{
    static std::string folder;
    return folder;
}
void RemoveClientFolder()
{
    std::error_code ec;
    if (!ClientFolder().empty()) fs::remove_all(ClientFolder(), ec);
}
std::string ClientAddressFile()
{
    if (ClientFolder().empty()) {
        char tmpl[] = "/tmp/lirano-ibus-client-XXXXXX";
        if (!mkdtemp(tmpl)) return std::string();
        ClientFolder() = tmpl;
        std::atexit(RemoveClientFolder);
    }
    return ClientFolder() + "/ibus-address";
}

} // namespace

std::string BinDir()
{
#ifdef LIRANO_BIN_DIR
    return LIRANO_BIN_DIR;
#else
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return ".";
    buf[n] = 0;
    return fs::path(buf).parent_path().string();
#endif
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string ReadFile(const std::string& path) { return ReadAll(path); }

std::string ToUtf8(const std::wstring& s)
{
    std::string out;
    for (wchar_t w : s) {
        unsigned c = (unsigned)w;
        if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xc0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            out += (char)(0xe0 | (c >> 12));
            out += (char)(0x80 | ((c >> 6) & 0x3f));
            out += (char)(0x80 | (c & 0x3f));
        } else {
            out += (char)(0xf0 | (c >> 18));
            out += (char)(0x80 | ((c >> 12) & 0x3f));
            out += (char)(0x80 | ((c >> 6) & 0x3f));
            out += (char)(0x80 | (c & 0x3f));
        }
    }
    return out;
}

// ---------------------------------------------------------------- session

PrivateSession::~PrivateSession() { StopAll(); }

std::vector<std::string> PrivateSession::ChildEnvironment(const std::map<std::string, std::string>& extra) const
{
    std::map<std::string, std::string> vars;
    for (char** p = environ; p && *p; ++p) {
        std::string kv = *p;
        size_t eq = kv.find('=');
        if (eq == std::string::npos) continue;
        std::string name = kv.substr(0, eq);
        if (Inherited(name)) vars[name] = kv.substr(eq + 1);
    }
    vars["HOME"] = dir_;
    vars["XDG_CONFIG_HOME"] = dir_ + "/.config";
    vars["XDG_CACHE_HOME"] = dir_ + "/.cache";
    vars["XDG_DATA_HOME"] = dir_ + "/.local/share";
    vars["XDG_STATE_HOME"] = dir_ + "/.local/state";
    vars["XDG_RUNTIME_DIR"] = dir_ + "/run";
    vars["GSETTINGS_BACKEND"] = "memory";
    vars["NO_AT_BRIDGE"] = "1";
    if (!dbusAddress_.empty()) vars["DBUS_SESSION_BUS_ADDRESS"] = dbusAddress_;
    if (!display_.empty()) vars["DISPLAY"] = display_;
    if (!waylandDisplay_.empty()) vars["WAYLAND_DISPLAY"] = waylandDisplay_;
    if (!ibusAddress_.empty()) vars["IBUS_ADDRESS"] = ibusAddress_;
    for (const auto& [k, v] : extra) {
        if (v.empty())
            vars.erase(k);
        else
            vars[k] = v;
    }
    std::vector<std::string> env;
    for (const auto& [k, v] : vars) env.push_back(k + "=" + v);
    return env;
}

bool PrivateSession::Prepare(std::string& error)
{
    if (!dir_.empty()) return true;
    char tmpl[] = "/tmp/lirano-ibus-XXXXXX";
    if (!mkdtemp(tmpl)) {
        error = "cannot make a temporary folder";
        return false;
    }
    dir_ = tmpl;
    for (const char* sub : {"/.config", "/.cache", "/.local/share", "/.local/state", "/run"})
        fs::create_directories(dir_ + sub);
    chmod((dir_ + "/run").c_str(), 0700);
    return true;
}

bool PrivateSession::Start(std::string& error)
{
    auto t0 = Clock::now();
    if (!Prepare(error) || !StartDBus(error) || !(wayland ? StartSway(error) : StartX(error)) ||
        !(framework == Framework::Fcitx5 ? StartFcitx(error) : StartIBus(error)))
        return false;
    startMs = MsSince(t0);
    return true;
}

bool PrivateSession::StartDBus(std::string& error)
{
    // A bus of its own configuration: like a session bus, but it starts no
    // services by name (no service folders), so nothing runs that this
    // session did not start itself.
    std::string config = kDBusConfig;
    config.replace(config.find("@DIR@"), 5, dir_);
    std::ofstream(dir_ + "/dbus.conf") << config;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = "pipe failed";
        return false;
    }
    int err = OpenLog(Path("dbus-daemon.log"));
    pid_t pid = ForkExec({"dbus-daemon", "--nofork", "--print-address", "--config-file=" + dir_ + "/dbus.conf"},
                         ChildEnvironment(), fds[1], err);
    close(fds[1]);
    if (err >= 0) close(err);
    if (pid < 0) {
        close(fds[0]);
        error = "cannot start dbus-daemon";
        return false;
    }
    pids_.push_back(pid);
    std::string line;
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (line.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buf[512];
        ssize_t n = read(fds[0], buf, sizeof(buf));
        if (n <= 0) break;
        line.append(buf, n);
    }
    close(fds[0]);
    if (line.find('\n') == std::string::npos) {
        error = "dbus-daemon printed no address: " + ReadLog("dbus-daemon.log");
        return false;
    }
    dbusAddress_ = line.substr(0, line.find('\n'));
    return true;
}

bool PrivateSession::StartX(std::string& error)
{
    // A display number nobody uses: no socket and no lock file for it. A
    // race with another run shows as Xvfb exiting at once: then the next one.
    int first = 100 + (int)(getpid() % 400);
    for (int tries = 0, n = first; tries < 20; ++tries, ++n) {
        std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
        if (FileExists(sock) || FileExists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
        int log = OpenLog(Path("Xvfb.log"));
        pid_t pid =
            ForkExec({"Xvfb", ":" + std::to_string(n), "-nolisten", "tcp", "-noreset", "-screen", "0", "1024x768x24"},
                     ChildEnvironment(), log, log);
        if (log >= 0) close(log);
        if (pid < 0) break;
        pids_.push_back(pid);
        auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            if (!Alive(pid)) break;
            if (CanConnectUnix(sock)) {
                display_ = ":" + std::to_string(n);
                return true;
            }
            SleepMs(5);
        }
        if (Alive(pid)) {
            Stop(pid);
            error = "Xvfb did not come up on :" + std::to_string(n) + ": " + ReadLog("Xvfb.log");
            return false;
        }
    }
    error = "no free X display for Xvfb: " + ReadLog("Xvfb.log");
    return false;
}

bool PrivateSession::StartSway(std::string& error)
{
    // Its own folder (runtime and HOME): the session's is closed to the
    // user sway runs as. Clients reach its socket by its full path.
    char tmpl[] = "/tmp/lirano-sway-XXXXXX";
    if (!mkdtemp(tmpl)) {
        error = "cannot make a folder for sway";
        return false;
    }
    swayDir_ = tmpl;
    std::vector<std::string> argv = {"sway", "-c", swayConfig};
    if (getuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody || chown(swayDir_.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
            error = "cannot hand " + swayDir_ + " to the user nobody";
            return false;
        }
        argv.insert(argv.begin(), {"setpriv", "--reuid=" + std::to_string(nobody->pw_uid),
                                   "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups"});
    }
    std::vector<std::string> env = {"HOME=" + swayDir_,      "XDG_RUNTIME_DIR=" + swayDir_,
                                    "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
                                    "WLR_RENDERER=pixman",   "PATH=/usr/local/bin:/usr/bin:/bin"};
    int log = OpenLog(Path("sway.log"));
    pid_t pid = ForkExec(argv, env, log, log);
    if (log >= 0) close(log);
    if (pid < 0) {
        error = "cannot start sway";
        return false;
    }
    pids_.push_back(pid);
    auto deadline = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < deadline && Alive(pid)) {
        std::error_code ec;
        std::string wl, ipc;
        for (const auto& entry : fs::directory_iterator(swayDir_, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("wayland-", 0) == 0 && name.find(".lock") == std::string::npos) wl = entry.path().string();
            if (name.rfind("sway-ipc.", 0) == 0) ipc = entry.path().string();
        }
        if (!wl.empty() && !ipc.empty() && CanConnectUnix(wl) && CanConnectUnix(ipc)) {
            waylandDisplay_ = wl;
            swaySocket_ = ipc;
            return true;
        }
        SleepMs(20);
    }
    error = "sway did not come up: " + ReadLog("sway.log");
    return false;
}

bool PrivateSession::StartIBus(std::string& error)
{
    // No panel, no configuration service, no emoji extension, no XIM: the
    // daemon alone. It writes its address under the private HOME
    // ($XDG_CONFIG_HOME/ibus/bus/), where the engine would also find it.
    int log = OpenLog(Path("ibus-daemon.log"));
    std::vector<std::string> argv = {"ibus-daemon", "--panel=disable", "--config=disable", "--emoji-extension=disable",
                                     "--verbose"};
    if (xim) argv.push_back("--xim");
    std::map<std::string, std::string> env;
    if (!componentPath.empty()) env["IBUS_COMPONENT_PATH"] = componentPath;
    pid_t pid = ForkExec(argv, ChildEnvironment(env), log, log);
    if (log >= 0) close(log);
    if (pid < 0) {
        error = "cannot start ibus-daemon";
        return false;
    }
    pids_.push_back(pid);
    daemonPid_ = pid;
    const std::string busDir = dir_ + "/.config/ibus/bus";
    auto deadline = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < deadline) {
        if (!Alive(pid)) {
            error = "ibus-daemon exited: " + ReadLog("ibus-daemon.log");
            return false;
        }
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(busDir, ec)) {
            std::string text = ReadAll(entry.path().string());
            std::string address, daemon;
            std::istringstream lines(text);
            for (std::string l; std::getline(lines, l);) {
                if (l.rfind("IBUS_ADDRESS=", 0) == 0) address = l.substr(13);
                if (l.rfind("IBUS_DAEMON_PID=", 0) == 0) daemon = l.substr(16);
            }
            if (!address.empty() && daemon == std::to_string(pid)) {
                ibusAddress_ = address;
                ibusAddressFile_ = entry.path().string();
                return true;
            }
        }
        SleepMs(5);
    }
    error = "ibus-daemon wrote no address in time: " + ReadLog("ibus-daemon.log");
    return false;
}

bool PrivateSession::StartFcitx(std::string& error)
{
    if (wayland) {
        error = "the private fcitx5 runs on X only";
        return false;
    }
    // One group on the us layout: keyboard-us (the inactive state) and the
    // input method typed with, which every input context starts in.
    const std::string& im = fcitxInputMethod;
    std::string profile = "[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=" + im +
                          "\n\n[Groups/0/Items/0]\nName=keyboard-us\nLayout=\n\n";
    if (im != "keyboard-us") profile += "[Groups/0/Items/1]\nName=" + im + "\nLayout=\n\n";
    profile += "[GroupOrder]\n0=Default\n";
    // No hot key that typing could hit switches the input method (a lone
    // Shift does by default); windows share the one state, as IBus's global
    // engine does.
    const std::string config =
        "[Hotkey/TriggerKeys]\n\n[Hotkey/AltTriggerKeys]\n\n[Hotkey/EnumerateForwardKeys]\n\n"
        "[Hotkey/EnumerateBackwardKeys]\n\n[Hotkey/EnumerateGroupForwardKeys]\n\n"
        "[Hotkey/EnumerateGroupBackwardKeys]\n\n[Hotkey/ActivateKeys]\n\n"
        "[Hotkey/DeactivateKeys]\n\n[Behavior]\nActiveByDefault=True\nShareInputState=All\n"
        "ShowInputMethodInformation=False\nShowFirstInputMethodInformation=False\n";
    std::error_code ec;
    fs::create_directories(dir_ + "/.config/fcitx5", ec);
    std::ofstream(dir_ + "/.config/fcitx5/profile") << profile;
    std::ofstream(dir_ + "/.config/fcitx5/config") << config;

    // Only what X clients need: no panel, tray, clipboard or Wayland.
    std::string addons = "xcb,xim,dbus,dbusfrontend,keyboard";
    if (!fcitxAddon.empty()) addons += "," + fcitxAddon;
    std::map<std::string, std::string> env = {{"FCITX_ADDON_DIRS", "/usr/lib/x86_64-linux-gnu/fcitx5"},
                                              {"XDG_DATA_DIRS", "/usr/local/share:/usr/share"}};
    if (!fcitxAddonDir.empty()) env["FCITX_ADDON_DIRS"] = fcitxAddonDir + ":" + env["FCITX_ADDON_DIRS"];
    if (!fcitxDataDir.empty()) env["XDG_DATA_DIRS"] = fcitxDataDir + ":" + env["XDG_DATA_DIRS"];
    int log = OpenLog(Path("fcitx5.log"));
    pid_t pid = ForkExec({"fcitx5", "--disable=all", "--enable=" + addons}, ChildEnvironment(env), log, log);
    if (log >= 0) close(log);
    if (pid < 0) {
        error = "cannot start fcitx5";
        return false;
    }
    pids_.push_back(pid);
    daemonPid_ = pid;
    // Up once its controller answers on the bus (the bus starts no service
    // by name, so the answer is this daemon's) and lists the input method.
    const std::vector<std::string> ask = {"dbus-send",     "--session",
                                          "--print-reply", "--dest=org.fcitx.Fcitx5",
                                          "/controller",   "org.fcitx.Fcitx.Controller1.AvailableInputMethods"};
    auto deadline = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < deadline) {
        if (!Alive(pid)) {
            error = "fcitx5 exited: " + ReadLog("fcitx5.log");
            return false;
        }
        std::remove(Path("fcitx5-ready.log").c_str());
        if (Run(ask, 5000, "fcitx5-ready.log") == 0) {
            if (ReadAll(Path("fcitx5-ready.log")).find("string \"" + im + "\"") != std::string::npos) return true;
            error = "fcitx5 has no input method " + im + ": " + ReadLog("fcitx5.log");
            return false;
        }
        SleepMs(20);
    }
    error = "fcitx5 did not answer in time: " + ReadLog("fcitx5.log");
    return false;
}

pid_t PrivateSession::Spawn(const std::vector<std::string>& argv, const std::string& logName, std::string& error,
                            const std::map<std::string, std::string>& extraEnv)
{
    int log = OpenLog(Path(logName));
    pid_t pid = ForkExec(argv, ChildEnvironment(extraEnv), log, log);
    if (log >= 0) close(log);
    if (pid < 0) {
        error = "cannot start " + argv[0];
        return -1;
    }
    pids_.push_back(pid);
    return pid;
}

int PrivateSession::Run(const std::vector<std::string>& argv, int timeoutMs, const std::string& logName,
                        const std::map<std::string, std::string>& extraEnv)
{
    std::string error;
    pid_t pid = Spawn(argv, logName, error, extraEnv);
    if (pid < 0) return -1;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            pids_.erase(std::remove(pids_.begin(), pids_.end(), pid), pids_.end());
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        SleepMs(2);
    }
    Stop(pid, 500);
    return -1;
}

pid_t PrivateSession::DaemonChild(const std::string& program) const
{
    if (daemonPid_ <= 0) return -1;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        std::string name = entry.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
        // The parent is the fourth field of stat, after the command in ().
        std::string stat = ReadAll(entry.path().string() + "/stat");
        size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(stat.substr(close + 1));
        std::string state;
        pid_t parent = 0;
        rest >> state >> parent;
        if (parent != daemonPid_) continue;
        if (fs::read_symlink(entry.path() / "exe", ec) == fs::path(program)) return (pid_t)std::stoi(name);
    }
    return -1;
}

bool PrivateSession::Alive(pid_t pid)
{
    if (std::find(pids_.begin(), pids_.end(), pid) == pids_.end()) return false;
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == 0) return true;
    // Ended (and now reaped): no longer ours to stop.
    pids_.erase(std::remove(pids_.begin(), pids_.end(), pid), pids_.end());
    return false;
}

void PrivateSession::Stop(pid_t pid, int graceMs)
{
    if (std::find(pids_.begin(), pids_.end(), pid) == pids_.end()) return;
    pids_.erase(std::remove(pids_.begin(), pids_.end(), pid), pids_.end());
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return;
    kill(pid, SIGTERM);
    auto deadline = Clock::now() + std::chrono::milliseconds(graceMs);
    while (Clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) return;
        SleepMs(2);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
}

void PrivateSession::StopAll()
{
    while (!pids_.empty()) Stop(pids_.back());
    if (!dir_.empty()) {
        std::error_code ec;
        fs::remove_all(dir_, ec);
        dir_.clear();
    }
    if (!swayDir_.empty()) {
        std::error_code ec;
        fs::remove_all(swayDir_, ec);
        swayDir_.clear();
    }
    dbusAddress_.clear();
    display_.clear();
    waylandDisplay_.clear();
    swaySocket_.clear();
    ibusAddress_.clear();
}

std::string PrivateSession::ReadLog(const std::string& name) const
{
    if (dir_.empty()) return std::string();
    std::string text = ReadAll(Path(name));
    if (text.size() > 4000) text = "..." + text.substr(text.size() - 4000);
    return text;
}

// ---------------------------------------------------------------- program copy

bool ProgramCopy::Make(const std::string& sessionDir, const std::string& source, const std::string& luaChon,
                       std::string& error)
{
    std::error_code ec;
    folder = sessionDir + "/prog";
    fs::create_directories(folder, ec);
    program = folder + "/" + fs::path(source).filename().string();
    fs::copy_file(source, program, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        error = "cannot copy " + source + ": " + ec.message();
        return false;
    }
    fs::path resources = fs::path(source).parent_path() / "Resources";
    if (fs::is_directory(resources)) {
        fs::copy(resources, folder + "/Resources", fs::copy_options::recursive, ec);
        if (ec) {
            error = "cannot copy Resources: " + ec.message();
            return false;
        }
    }
    settings = sessionDir + "/.config/lirano";
    fs::create_directories(settings, ec);
    chmod(settings.c_str(), 0700);
    if (!luaChon.empty()) WriteFile("LuaChon.ini", "\xEF\xBB\xBF" + luaChon);
    return true;
}

bool ProgramCopy::Add(const std::string& source, std::string& error)
{
    std::error_code ec;
    fs::copy_file(source, folder + "/" + fs::path(source).filename().string(), fs::copy_options::overwrite_existing,
                  ec);
    if (ec) error = "cannot copy " + source + ": " + ec.message();
    return !ec;
}

std::string ProgramCopy::ReadFile(const std::string& name) const { return ReadAll(settings + "/" + name); }

void ProgramCopy::WriteFile(const std::string& name, const std::string& bytes) const
{
    std::ofstream out(settings + "/" + name, std::ios::binary);
    out.write(bytes.data(), (std::streamsize)bytes.size());
}

// ---------------------------------------------------------------- client

void Client::Close()
{
    if (panel_) {
        ibus_object_destroy(IBUS_OBJECT(panel_));
        g_object_unref(panel_);
        panel_ = nullptr;
    }
    if (context_) {
        g_signal_handlers_disconnect_matched(context_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, this);
        ibus_proxy_destroy(IBUS_PROXY(context_));
        g_object_unref(context_);
        context_ = nullptr;
    }
    if (bus_) {
        if (engineWatch_) {
            GDBusConnection* c = ibus_bus_get_connection(bus_);
            if (c) g_dbus_connection_signal_unsubscribe(c, engineWatch_);
        }
        // Destroying the bus object ends the library's one shared instance,
        // so the next session gets a fresh connection.
        ibus_object_destroy(IBUS_OBJECT(bus_));
        g_object_unref(bus_);
        bus_ = nullptr;
    }
    Pump();
    if (envSet_) {
        if (hadAddress_)
            setenv("IBUS_ADDRESS", savedAddress_.c_str(), 1);
        else
            unsetenv("IBUS_ADDRESS");
        if (hadAddressFile_)
            setenv("IBUS_ADDRESS_FILE", savedAddressFile_.c_str(), 1);
        else
            unsetenv("IBUS_ADDRESS_FILE");
        envSet_ = hadAddress_ = hadAddressFile_ = false;
    }
    engineWatch_ = 0;
}

void Client::Pump()
{
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

bool Client::Connect(const PrivateSession& session, std::string& error)
{
    if (session.IBusAddress().empty()) {
        error = "the session has no IBus address";
        return false;
    }
    // The library finds the daemon through these two variables of this
    // process; without them it would look under the user's HOME.
    if (const char* a = getenv("IBUS_ADDRESS")) hadAddress_ = true, savedAddress_ = a;
    if (const char* a = getenv("IBUS_ADDRESS_FILE")) hadAddressFile_ = true, savedAddressFile_ = a;
    setenv("IBUS_ADDRESS", session.IBusAddress().c_str(), 1);
    const std::string addressFile = ClientAddressFile();
    if (addressFile.empty()) {
        error = "cannot make the client's folder";
        return false;
    }
    setenv("IBUS_ADDRESS_FILE", addressFile.c_str(), 1);
    envSet_ = true;
    ibus_init();
    bus_ = ibus_bus_new();
    if (!bus_ || !ibus_bus_is_connected(bus_)) {
        error = "cannot connect to the private ibus-daemon at " + session.IBusAddress();
        return false;
    }
    return true;
}

bool Client::WaitForEngine(const std::string& name, int timeoutMs, const std::function<bool()>& stillAlive)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        // A component registered by a running program is listed among the
        // active engines (ListEngines gives only the installed components).
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        GList* list = ibus_bus_list_active_engines(bus_);
        G_GNUC_END_IGNORE_DEPRECATIONS
        bool found = false;
        for (GList* p = list; p; p = p->next) {
            IBusEngineDesc* desc = IBUS_ENGINE_DESC(p->data);
            if (name == ibus_engine_desc_get_name(desc)) found = true;
            g_object_ref_sink(desc);
            g_object_unref(desc);
        }
        g_list_free(list);
        if (found) return true;
        if (stillAlive && !stillAlive()) return false;
        Pump();
        SleepMs(2);
    }
    return false;
}

bool Client::CreateContext(guint capabilities, std::string& error, const std::string& clientName)
{
    context_ = ibus_bus_create_input_context(bus_, clientName.c_str());
    if (!context_) {
        error = "the daemon made no input context";
        return false;
    }
    g_signal_connect(context_, "commit-text", G_CALLBACK(OnCommit), this);
    g_signal_connect(context_, "update-preedit-text", G_CALLBACK(OnUpdatePreedit), this);
    g_signal_connect(context_, "show-preedit-text", G_CALLBACK(OnShowPreedit), this);
    g_signal_connect(context_, "hide-preedit-text", G_CALLBACK(OnHidePreedit), this);
    g_signal_connect(context_, "update-lookup-table", G_CALLBACK(OnUpdateTable), this);
    g_signal_connect(context_, "show-lookup-table", G_CALLBACK(OnShowTable), this);
    g_signal_connect(context_, "hide-lookup-table", G_CALLBACK(OnHideTable), this);
    g_signal_connect(context_, "register-properties", G_CALLBACK(OnRegisterProperties), this);
    g_signal_connect(context_, "update-property", G_CALLBACK(OnUpdateProperty), this);
    g_signal_connect(context_, "forward-key-event", G_CALLBACK(OnForwardKey), this);
    ibus_input_context_set_capabilities(context_, capabilities);
    ibus_input_context_focus_in(context_);
    Sync();
    return true;
}

std::string Client::CurrentEngine()
{
    IBusEngineDesc* desc = ibus_input_context_get_engine(context_);
    if (!desc) return std::string();
    g_object_ref_sink(desc);
    std::string name = ibus_engine_desc_get_name(desc);
    g_object_unref(desc);
    return name;
}

bool Client::SelectEngine(const std::string& name, int timeoutMs)
{
    ibus_input_context_set_engine(context_, name.c_str());
    bool ok = WaitFor([&] { return CurrentEngine() == name; }, timeoutMs);
    Sync();
    return ok;
}

bool Client::KeyDown(guint keyval, guint state)
{
    bool r = ibus_input_context_process_key_event(context_, keyval, 0, state & ~IBUS_RELEASE_MASK);
    Pump();
    return r;
}

bool Client::KeyUp(guint keyval, guint state)
{
    bool r = ibus_input_context_process_key_event(context_, keyval, 0, state | IBUS_RELEASE_MASK);
    Pump();
    return r;
}

bool Client::Press(guint keyval, guint state)
{
    bool r = KeyDown(keyval, state);
    KeyUp(keyval, state);
    return r;
}

int Client::TypeText(const std::string& ascii)
{
    int consumed = 0;
    for (unsigned char c : ascii) consumed += Press(c == '\n' ? IBUS_KEY_Return : c) ? 1 : 0;
    return consumed;
}

void Client::Sync()
{
    // A call that the daemon answers itself: every signal it sent before the
    // answer is then queued on this side.
    ibus_bus_name_has_owner(bus_, IBUS_SERVICE_IBUS);
    Pump();
}

bool Client::WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Pump();
        if (done()) return true;
        if (Clock::now() > deadline) return false;
        SleepMs(2);
    }
}

void Client::FocusIn()
{
    ibus_input_context_focus_in(context_);
    Sync();
}

void Client::FocusOut()
{
    ibus_input_context_focus_out(context_);
    Sync();
}

void Client::Reset()
{
    ibus_input_context_reset(context_);
    Sync();
}

void Client::ActivateProperty(const std::string& name, guint state)
{
    ibus_input_context_property_activate(context_, name.c_str(), state);
    Sync();
}

bool Client::ClickCandidate(guint index, std::string& error)
{
    // The client API has no candidate click: a panel reports it. This
    // process becomes the panel of the private daemon (which runs with
    // --panel=disable) and sends the click as the panel's signal; the
    // daemon hands it to the engine of the focused input context.
    if (!panel_) {
        panel_ = ibus_panel_service_new(ibus_bus_get_connection(bus_));
        guint r = ibus_bus_request_name(bus_, IBUS_SERVICE_PANEL, 0);
        if (r != IBUS_BUS_REQUEST_NAME_REPLY_PRIMARY_OWNER && r != IBUS_BUS_REQUEST_NAME_REPLY_ALREADY_OWNER) {
            error = "cannot own the panel name";
            return false;
        }
        // The daemon takes the new owner as its panel and tells it the
        // focused context itself.
        Sync();
    }
    ibus_panel_service_candidate_clicked(panel_, index, 1, 0);
    Sync();
    return true;
}

bool Client::WatchEngineSignals(std::string& error)
{
    GDBusConnection* c = ibus_bus_get_connection(bus_);
    if (!c) {
        error = "no connection";
        return false;
    }
    engineWatch_ = g_dbus_connection_signal_subscribe(c, nullptr, IBUS_INTERFACE_ENGINE, nullptr, nullptr, nullptr,
                                                      G_DBUS_SIGNAL_FLAGS_NONE, OnEngineSignal, this, nullptr);
    Sync();
    return engineWatch_ != 0;
}

void Client::ClearRecords()
{
    commits.clear();
    commitList.clear();
    engineCommits.clear();
    engineSignals.clear();
    forwardedKeys = 0;
    tableUpdates = 0;
}

void Client::OnCommit(IBusInputContext*, IBusText* text, gpointer self)
{
    auto* c = static_cast<Client*>(self);
    const char* s = ibus_text_get_text(text);
    c->commits += s ? s : "";
    c->commitList.push_back(s ? s : "");
}

void Client::OnUpdatePreedit(IBusInputContext*, IBusText* text, guint cursor, gboolean visible, gpointer self)
{
    auto* c = static_cast<Client*>(self);
    const char* s = ibus_text_get_text(text);
    c->preedit = s ? s : "";
    c->preeditCursor = cursor;
    c->preeditVisible = visible;
}

void Client::OnShowPreedit(IBusInputContext*, gpointer self) { static_cast<Client*>(self)->preeditVisible = true; }
void Client::OnHidePreedit(IBusInputContext*, gpointer self) { static_cast<Client*>(self)->preeditVisible = false; }

void Client::OnUpdateTable(IBusInputContext*, IBusLookupTable* table, gboolean visible, gpointer self)
{
    auto* c = static_cast<Client*>(self);
    c->candidates.clear();
    guint n = ibus_lookup_table_get_number_of_candidates(table);
    for (guint i = 0; i < n; ++i) {
        IBusText* t = ibus_lookup_table_get_candidate(table, i);
        const char* s = t ? ibus_text_get_text(t) : nullptr;
        c->candidates.push_back(s ? s : "");
    }
    c->tableCursor = ibus_lookup_table_get_cursor_pos(table);
    c->tablePageSize = ibus_lookup_table_get_page_size(table);
    c->tableVisible = visible;
    ++c->tableUpdates;
}

void Client::OnShowTable(IBusInputContext*, gpointer self) { static_cast<Client*>(self)->tableVisible = true; }
void Client::OnHideTable(IBusInputContext*, gpointer self) { static_cast<Client*>(self)->tableVisible = false; }

namespace {
void CollectProperties(IBusPropList* list, std::vector<std::string>& keys, std::map<std::string, std::string>& labels)
{
    if (!list) return;
    for (guint i = 0;; ++i) {
        IBusProperty* p = ibus_prop_list_get(list, i);
        if (!p) break;
        const char* key = ibus_property_get_key(p);
        keys.push_back(key ? key : "");
        IBusText* label = ibus_property_get_label(p);
        labels[key ? key : ""] = label && ibus_text_get_text(label) ? ibus_text_get_text(label) : "";
        CollectProperties(ibus_property_get_sub_props(p), keys, labels);
    }
}
} // namespace

void Client::OnRegisterProperties(IBusInputContext*, IBusPropList* list, gpointer self)
{
    auto* c = static_cast<Client*>(self);
    c->propertyKeys.clear();
    c->propertyLabels.clear();
    CollectProperties(list, c->propertyKeys, c->propertyLabels);
    ++c->propertyRegistrations;
}

void Client::OnUpdateProperty(IBusInputContext*, IBusProperty* p, gpointer self)
{
    auto* c = static_cast<Client*>(self);
    const char* key = ibus_property_get_key(p);
    IBusText* label = ibus_property_get_label(p);
    if (key) c->propertyLabels[key] = label && ibus_text_get_text(label) ? ibus_text_get_text(label) : "";
}

void Client::OnForwardKey(IBusInputContext*, guint, guint, guint, gpointer self)
{
    ++static_cast<Client*>(self)->forwardedKeys;
}

void Client::OnEngineSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* member,
                            GVariant* params, gpointer self)
{
    auto* c = static_cast<Client*>(self);
    c->engineSignals[member] += 1;
    if (g_strcmp0(member, "CommitText") != 0) return;
    GVariant* inner = nullptr;
    g_variant_get(params, "(v)", &inner);
    if (!inner) return;
    IBusSerializable* obj = ibus_serializable_deserialize(inner);
    g_variant_unref(inner);
    if (obj && IBUS_IS_TEXT(obj)) {
        const char* s = ibus_text_get_text(IBUS_TEXT(obj));
        c->engineCommits += s ? s : "";
    }
    if (obj) {
        g_object_ref_sink(obj);
        g_object_unref(obj);
    }
}

} // namespace ibustest

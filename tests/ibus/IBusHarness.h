#pragma once

// A private IBus world for tests and benchmarks: its own D-Bus session bus,
// X display (Xvfb) and ibus-daemon (or a fcitx5 daemon), all under a
// temporary HOME, plus a copy of an engine program that registers itself with
// that daemon, and a client input context that types into it.
//
// Nothing here reaches the user's own session: the children get a clean
// environment naming only the private buses, and the process that runs the
// client names the private daemon in IBUS_ADDRESS for as long as the session
// lives. Every process started is stopped again by its own PID.

#include <ibus.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace ibustest {

using Clock = std::chrono::steady_clock;

enum class Framework { IBus, Fcitx5 };

// The processes of one private session.
class PrivateSession {
public:
    PrivateSession() = default;
    ~PrivateSession();
    PrivateSession(const PrivateSession&) = delete;
    PrivateSession& operator=(const PrivateSession&) = delete;

    // Read by Start: the folder the daemon takes its components from
    // (IBUS_COMPONENT_PATH; the system's when empty), and whether it also
    // serves X clients through XIM.
    std::string componentPath;
    bool xim = false;
    // A headless sway (Wayland, no X server at all) instead of Xvfb, with
    // `swayConfig`; sway refuses to run as root, so it runs as "nobody".
    bool wayland = false;
    std::string swayConfig;
    // fcitx5 instead of ibus-daemon (X only): its profile holds keyboard-us
    // and `fcitxInputMethod`, which every input context starts in; the
    // daemon loads only the X, XIM and D-Bus frontends, the keyboard addon
    // and `fcitxAddon`, whose library is looked for in `fcitxAddonDir` and
    // its .conf files in `fcitxDataDir`/fcitx5/ before the system's.
    Framework framework = Framework::IBus;
    std::string fcitxInputMethod = "keyboard-us";
    std::string fcitxAddon, fcitxAddonDir, fcitxDataDir;

    // Makes the temporary folder alone, so that components can be
    // installed into it before the daemon reads them.
    bool Prepare(std::string& error);
    // Temporary folder (unless prepared), D-Bus session bus, Xvfb,
    // ibus-daemon or fcitx5; false with a reason in `error` when any of
    // them does not come up in time.
    bool Start(std::string& error);

    // Starts a program with the children's environment; its standard output
    // and error go to the log file `logName` in the temporary folder.
    // Returns its PID, or -1.
    pid_t Spawn(const std::vector<std::string>& argv, const std::string& logName, std::string& error,
                const std::map<std::string, std::string>& extraEnv = {});

    // Runs a short program to its end (at most `timeoutMs`); its exit status,
    // or -1 when it had to be killed or could not start.
    int Run(const std::vector<std::string>& argv, int timeoutMs, const std::string& logName = "run.log",
            const std::map<std::string, std::string>& extraEnv = {});
    // A process that the daemon started from a component, by its program
    // path; -1 when there is none.
    pid_t DaemonChild(const std::string& program) const;

    // SIGTERM, a bounded wait, then SIGKILL; only for PIDs this session started.
    void Stop(pid_t pid, int graceMs = 3000);
    bool Alive(pid_t pid);
    // Stops everything started, newest first, and removes the folder.
    void StopAll();

    const std::string& Dir() const { return dir_; }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    const std::string& IBusAddress() const { return ibusAddress_; }
    const std::string& DBusAddress() const { return dbusAddress_; }
    const std::string& Display() const { return display_; }
    // The Wayland socket (a full path) and sway's control socket.
    const std::string& WaylandDisplay() const { return waylandDisplay_; }
    const std::string& SwaySocket() const { return swaySocket_; }
    std::string ReadLog(const std::string& name) const;
    std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& extra = {}) const;

    // How long each start-up step took, in milliseconds (for reports).
    double startMs = 0;

private:
    bool StartDBus(std::string& error);
    bool StartX(std::string& error);
    bool StartSway(std::string& error);
    bool StartIBus(std::string& error);
    bool StartFcitx(std::string& error);

    std::string dir_;
    std::string dbusAddress_;
    std::string display_;
    std::string swayDir_, waylandDisplay_, swaySocket_;
    std::string ibusAddress_;
    std::string ibusAddressFile_;
    std::vector<pid_t> pids_;
    pid_t daemonPid_ = -1;
};

// A copy of an engine program's folder (the program and Resources/) inside a
// session's folder, so that the files it writes stay out of the build tree.
struct ProgramCopy {
    std::string folder;   // the copy's folder
    std::string program;  // the copied program
    std::string settings; // the user's settings folder under the session's HOME
    // Copies `program` (and the Resources/ folder beside it, when present)
    // into `sessionDir`/prog; `luaChon` lines go into the user's LuaChon.ini.
    // ReadFile and WriteFile name files of the user's settings folder.
    bool Make(const std::string& sessionDir, const std::string& program, const std::string& luaChon,
              std::string& error);
    // Another program of the same folder into the copy.
    bool Add(const std::string& program, std::string& error);
    std::string ReadFile(const std::string& name) const;
    void WriteFile(const std::string& name, const std::string& bytes) const;
};

// The client side: a bus connection and one input context, with everything
// the engine sends back recorded.
class Client {
public:
    Client() = default;
    ~Client() { Close(); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool Connect(const PrivateSession& session, std::string& error);
    // Drops the input context and the connection; gives IBUS_ADDRESS back.
    void Close();
    // Waits until the bus knows an engine of that name (registered by hand).
    bool WaitForEngine(const std::string& name, int timeoutMs, const std::function<bool()>& stillAlive);
    // `clientName` is what the engine learns of the application, as GTK's
    // module sends "gtk3-im:<program>".
    bool CreateContext(guint capabilities, std::string& error, const std::string& clientName = "lirano-test");
    // Selects the engine for the input context and waits until it is in use.
    bool SelectEngine(const std::string& name, int timeoutMs);
    std::string CurrentEngine();

    // One key down or up, answered synchronously: true when consumed.
    bool KeyDown(guint keyval, guint state = 0);
    bool KeyUp(guint keyval, guint state = 0);
    // Down and up; the result of the press.
    bool Press(guint keyval, guint state = 0);
    // Each character as its keysym, pressed and released; the number of
    // presses that were consumed.
    int TypeText(const std::string& ascii);

    // Runs the client's main context until everything the daemon sent
    // before a fresh round trip has been handled.
    void Sync();
    // Runs the main context until `done` holds; false after `timeoutMs`.
    bool WaitFor(const std::function<bool()>& done, int timeoutMs);

    void FocusIn();
    void FocusOut();
    void Reset();
    void ActivateProperty(const std::string& name, guint state = PROP_STATE_CHECKED);
    // As a panel would: the click on candidate `index` of the page shown.
    bool ClickCandidate(guint index, std::string& error);
    // Records the signals that engines emit, by name, and the text they
    // commit, also what the daemon does not forward.
    bool WatchEngineSignals(std::string& error);

    // What came back.
    std::string commits; // all committed text, in order
    std::vector<std::string> commitList;
    std::string engineCommits;                // CommitText as emitted by engines
    std::map<std::string, int> engineSignals; // every engine signal, by name
    std::string preedit;                      // the last pre-edit text
    bool preeditVisible = false;
    guint preeditCursor = 0;
    std::vector<std::string> candidates; // the candidates of the table shown
    guint tableCursor = 0;
    guint tablePageSize = 0;
    bool tableVisible = false;
    int tableUpdates = 0;
    std::vector<std::string> propertyKeys; // keys of the last registered list, sub-menus included
    std::map<std::string, std::string> propertyLabels;
    int propertyRegistrations = 0;
    int forwardedKeys = 0;

    // The pre-edit as the user sees it: empty while hidden.
    std::string VisiblePreedit() const { return preeditVisible ? preedit : std::string(); }
    void ClearRecords();

    IBusBus* bus() const { return bus_; }
    IBusInputContext* context() const { return context_; }

private:
    static void OnCommit(IBusInputContext*, IBusText*, gpointer);
    static void OnUpdatePreedit(IBusInputContext*, IBusText*, guint, gboolean, gpointer);
    static void OnShowPreedit(IBusInputContext*, gpointer);
    static void OnHidePreedit(IBusInputContext*, gpointer);
    static void OnUpdateTable(IBusInputContext*, IBusLookupTable*, gboolean, gpointer);
    static void OnShowTable(IBusInputContext*, gpointer);
    static void OnHideTable(IBusInputContext*, gpointer);
    static void OnRegisterProperties(IBusInputContext*, IBusPropList*, gpointer);
    static void OnUpdateProperty(IBusInputContext*, IBusProperty*, gpointer);
    static void OnForwardKey(IBusInputContext*, guint, guint, guint, gpointer);
    static void OnEngineSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
                               gpointer);
    void Pump();

    IBusBus* bus_ = nullptr;
    IBusInputContext* context_ = nullptr;
    IBusPanelService* panel_ = nullptr;
    guint engineWatch_ = 0;
    std::string savedAddress_, savedAddressFile_;
    bool hadAddress_ = false, hadAddressFile_ = false, envSet_ = false;
};

// Folder of the built programs (build/bin).
std::string BinDir();
bool FileExists(const std::string& path);
// A whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
std::string ToUtf8(const std::wstring& s);

} // namespace ibustest

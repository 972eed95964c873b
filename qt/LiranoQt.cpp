#include "qt/LiranoQt.h"

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>

#include "core/Identity.h"
#include "core/Utils.h"
#include "qt/ChuyenMaWindow.h"
#include "qt/GoTatWindow.h"
#include "qt/MainWindow.h"
#include "qt/QtText.h"

namespace LiranoQt {

const char* const UsageText = "usage:\n\t--Install\n\t--ChuyenMa\n\t--GoTat\n";

namespace {

std::string XmlEscape(const std::string& s)
{
    std::string r;
    for (char c : s) {
        switch (c) {
        case '&': r += "&amp;"; break;
        case '<': r += "&lt;"; break;
        case '>': r += "&gt;"; break;
        case '"': r += "&quot;"; break;
        case '\'': r += "&apos;"; break;
        default: r += c;
        }
    }
    return r;
}

bool HasDisplay()
{
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

} // namespace

Mode ModeFor(const QStringList& args)
{
    if (args.isEmpty()) return Mode::MainWindow;
    if (args.size() == 1) {
        if (args[0] == QLatin1String("--ChuyenMa")) return Mode::ChuyenMa;
        if (args[0] == QLatin1String("--GoTat")) return Mode::GoTat;
        if (args[0] == QLatin1String("--Install")) return Mode::Install;
    }
    return Mode::Usage;
}

std::string EnginePath() { return Utils::ToString(Utils::GetExeFolder()) + "/Lirano-IBus"; }

std::string ComponentXml(const std::string& enginePath)
{
    // IBus splits both command lines as a shell would.
    std::string engine = Utils::ShellWord(enginePath);
    auto element = [](const char* name, const std::string& text) {
        return std::string("\t<") + name + ">" + XmlEscape(text) + "</" + name + ">\n";
    };
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<component>\n" +
           element("name", "org.freedesktop.IBus.Lirano") + element("description", "Lirano-IBus") +
           element("exec", engine + " --ibus") + element("version", identity::kVersion) +
           element("author", identity::kAuthor) + element("license", identity::kLicence) +
           element("homepage", identity::kHomepage) + element("textdomain", "Lirano-IBus") + "\t<engines exec=\"" +
           XmlEscape(engine + " --xml") + "\" />\n</component>";
}

std::vector<std::string> ComponentFolders()
{
    const char* dirs = std::getenv("LIRANO_IBUS_COMPONENT_DIRS");
    if (!dirs) return {"/usr/share/ibus/component/", "/usr/local/share/ibus/component/"};
    std::vector<std::string> r;
    std::string all = dirs;
    size_t start = 0;
    for (;;) {
        size_t colon = all.find(':', start);
        std::string dir = all.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!dir.empty()) r.push_back(dir.back() == '/' ? dir : dir + "/");
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return r;
}

void WriteAllText(const std::string& path, const std::string& text)
{
    // Replaced whole or not at all: a failed update keeps the old one.
    if (!Utils::WriteAllText(Utils::ToWString(path), text, false)) throw WriteFailed();
}

InstallResult Install(const std::string& xml, const std::vector<std::string>& folders)
{
    bool written = false;
    try {
        for (const std::string& folder : folders) {
            if (!Utils::FileExists(Utils::ToWString(folder))) continue;
            WriteAllText(folder + "Lirano.xml", xml);
            written = true;
        }
    } catch (const WriteFailed&) {
        return InstallResult::NoRights;
    }
    return written ? InstallResult::Installed : InstallResult::NoIBus;
}

QString InstallMessage(InstallResult result)
{
    // Fcitx 5 finds the addon the package installed: only its list of input
    // methods needs Lirano.
    const QString fcitx = QStringLiteral("\n\nVới Fcitx 5: mở fcitx5-configtool, thẻ Input Method, thêm \"Lirano\"");
    switch (result) {
    case InstallResult::Installed:
        return QStringLiteral("Cài đặt Lirano-IBus thành công\n\nBạn nên khởi động lại IBus") + fcitx;
    case InstallResult::NoIBus: return QStringLiteral("Cài đặt Lirano-IBus thất bại\nCó vẻ bạn chưa cài IBus") + fcitx;
    case InstallResult::NoRights:
    default: return QStringLiteral("Cài đặt Lirano-IBus thất bại\n\nBạn không có đủ quyền cần thiết");
    }
}

bool InstallSucceeded(InstallResult result) { return result == InstallResult::Installed; }

int Run(int& argc, char** argv)
{
    // Without any display (a console, or sudo that drops DISPLAY) the
    // toolkit would abort; the modes that need no window still work there.
    bool headless = !HasDisplay();
    if (headless) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication app(argc, argv);
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

    Mode mode = ModeFor(args);
    if (mode == Mode::Usage) {
        std::fputs(UsageText, stdout);
        return 0;
    }
    if (mode == Mode::Install) {
        InstallResult result = Install(ComponentXml(EnginePath()), ComponentFolders());
        QString message = InstallMessage(result);
        // Said on the console too: install scripts and sudo have no desktop
        // to show the box on. The box is shown wherever it can be seen.
        std::fprintf(stdout, "%s\n", message.toLocal8Bit().constData());
        std::fflush(stdout);
        QString platform = QGuiApplication::platformName();
        if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal")) {
            if (InstallSucceeded(result))
                LiranoUi::Information(nullptr, message);
            else
                LiranoUi::Warning(nullptr, message);
        }
        // Scripts must see a failed installation as one.
        return InstallSucceeded(result) ? 0 : 1;
    }
    if (headless) {
        std::fputs("Lirano-Qt: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are unset)\n", stderr);
        return 1;
    }

    QDialog* window = nullptr;
    switch (mode) {
    case Mode::ChuyenMa: window = new ChuyenMaWindow(); break;
    case Mode::GoTat: window = new GoTatWindow(); break;
    default: window = new MainWindow(); break;
    }
    window->show();
    int status = app.exec();
    delete window;
    return status;
}

} // namespace LiranoQt

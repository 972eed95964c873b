#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QtTest>

#include "core/BangMaUtils.h"
#include "core/KieuGoUtils.h"
#include "core/Utils.h"
#include "qt/QtText.h"
#include "tests/common/TempDir.h"

// Test classes register themselves by name; the test program runs the one
// named on its command line (each is one CTest test).
class QtTestRegistry {
public:
    typedef std::function<QObject*()> Factory;
    static std::map<std::string, Factory>& All()
    {
        static std::map<std::string, Factory> all;
        return all;
    }
};

template <typename T> struct QtTestRegistrar {
    explicit QtTestRegistrar(const char* name)
    {
        QtTestRegistry::All()[name] = [] { return new T(); };
    }
};
#define LIRANO_QT_TEST(Class, Name) static QtTestRegistrar<Class> registrar##Class(Name)

// A private program folder for one test, with the user's settings folder
// ($XDG_CONFIG_HOME/lirano) inside it: the settings files of every window go
// to the user's folder, Resources/ links to the real one, and the user's
// typing-method and charset files point into it. File, Write, Read and
// Exists name the user's folder; Old names the program folder, where an
// earlier installation kept them. Everything is put back afterwards.
class ProgramFolder {
public:
    ProgramFolder()
        : savedExe_(Utils::ExeFolder), savedKieuGo_(KieuGoUtils::FileTuDinhNghia),
          savedBangMa_(BangMaUtils::FileTuDinhNghia),
          savedConfig_(std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "")
    {
        std::filesystem::create_symlink(Utils::ToString(Utils::GetExeFolder()) + "/Resources", dir_.Path("Resources"));
        std::filesystem::create_directories(dir_.Path("config/lirano"));
        setenv("XDG_CONFIG_HOME", dir_.Path("config").c_str(), 1);
        Utils::ExeFolder = Utils::ToWString(Folder());
        KieuGoUtils::FileTuDinhNghia = File("KieuGo.ini");
        BangMaUtils::FileTuDinhNghia = File("BangMa.ini");
    }
    ~ProgramFolder()
    {
        Utils::ExeFolder = savedExe_;
        KieuGoUtils::FileTuDinhNghia = savedKieuGo_;
        BangMaUtils::FileTuDinhNghia = savedBangMa_;
        setenv("XDG_CONFIG_HOME", savedConfig_.c_str(), 1);
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    std::string Folder() const { return dir_.Path("").substr(0, dir_.Path("").size() - 1); }
    std::wstring File(const std::string& name) const { return dir_.WPath("config/lirano/" + name); }
    std::string Path(const std::string& name) const { return dir_.Path("config/lirano/" + name); }
    std::wstring Write(const std::string& name, const std::string& bytes) const
    {
        return dir_.Write("config/lirano/" + name, bytes);
    }
    std::string Read(const std::string& name) const { return TempDir::Read(File(name)); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }
    std::wstring Old(const std::string& name, const std::string& bytes) const { return dir_.Write(name, bytes); }
    // A settings folder that cannot be made: it would lie under a file.
    std::string Unwritable() const
    {
        dir_.Write("file", "");
        return dir_.Path("file/config");
    }

private:
    TempDir dir_;
    std::wstring savedExe_, savedKieuGo_, savedBangMa_;
    std::string savedConfig_;
};

// What a message box showed.
struct SeenBox {
    bool seen = false;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    bool hasParent = false;
};

// Watches for the next modal window (a message box or a file dialog) that
// a call is about to run, hands it to `act` and leaves the rest to it.
// Used as: ModalWatcher w([](QWidget* m) { ... }); <call that opens it>.
class ModalWatcher : public QObject {
public:
    explicit ModalWatcher(std::function<void(QWidget*)> act) : act_(std::move(act))
    {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible()) return;
            timer_.stop();
            done_ = true;
            act_(modal);
            // An action that did not close its dialog would leave the test
            // waiting for ever: close it and fail.
            QPointer<QWidget> left(modal);
            QTimer::singleShot(3000, this, [left] {
                if (!left || !left->isVisible()) return;
                left->close();
                QTest::qFail("the dialog was still open 3 s after its action", __FILE__, __LINE__);
            });
        });
        timer_.start();
    }
    bool Done() const { return done_; }

    // Closes the next message box with OK and returns what it showed.
    static std::function<void(QWidget*)> Accept(SeenBox& seen)
    {
        return [&seen](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) {
                w->close();
                return;
            }
            seen.seen = true;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            seen.buttons = box->buttons().size();
            seen.hasParent = box->parentWidget() != nullptr;
            box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->accept();
        };
    }

private:
    std::function<void(QWidget*)> act_;
    QTimer timer_;
    bool done_ = false;
};

inline QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

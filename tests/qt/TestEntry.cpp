// Lirano-Qt's command line: modes, usage text, exit codes, and --Install
// with its three outcomes; IBus itself reads the description back.
#include <ibus.h> // before Qt: GLib's headers use the word "signals"

#include <filesystem>

#include <QProcess>

#include "core/Identity.h"
#include "qt/LiranoQt.h"
#include "tests/qt/QtTestSupport.h"

namespace {

const QString kFcitx = Q("\n\nVới Fcitx 5: mở fcitx5-configtool, thẻ Input Method, thêm \"Lirano\"");
const QString kSuccess = Q("Cài đặt Lirano-IBus thành công\n\nBạn nên khởi động lại IBus") + kFcitx;
const QString kNoIBus = Q("Cài đặt Lirano-IBus thất bại\nCó vẻ bạn chưa cài IBus") + kFcitx;
const QString kNoRights = Q("Cài đặt Lirano-IBus thất bại\n\nBạn không có đủ quyền cần thiết");

struct Result {
    bool finished = false;
    int code = -1;
    QByteArray out, err;
};

QProcessEnvironment Offscreen()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("LIRANO_IBUS_COMPONENT_DIRS");
    return env;
}

Result RunQt(const QStringList& args, const QProcessEnvironment& env = Offscreen())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(LIRANO_QT_EXE, args);
    Result r;
    r.finished = p.waitForFinished(30000);
    if (!r.finished) p.kill();
    r.code = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

Result Install(const std::string& dirs, QProcessEnvironment env = Offscreen())
{
    env.insert("LIRANO_IBUS_COMPONENT_DIRS", QString::fromStdString(dirs));
    return RunQt({"--Install"}, env);
}

std::string BinFolder() { return std::filesystem::path(LIRANO_QT_EXE).parent_path().string(); }

std::string Expected(const std::string& exec)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<component>\n\t<name>org.freedesktop.IBus.Lirano</name>\n"
           "\t<description>Lirano-IBus</description>\n\t<exec>" +
           exec + " --ibus</exec>\n\t<version>" + identity::kVersion +
           "</version>\n"
           "\t<author>Lirano developers &lt;lirano@users.noreply.invalid&gt;</author>\n"
           "\t<license>GPL-2.0-or-later</license>\n\t<homepage>https://lirano.invalid/</homepage>\n"
           "\t<textdomain>Lirano-IBus</textdomain>\n\t<engines exec=\"" +
           exec + " --xml\" />\n</component>";
}

} // namespace

class EntryTest : public QObject {
    Q_OBJECT
private slots:
    void argumentsPickTheMode()
    {
        using LiranoQt::Mode;
        QCOMPARE(LiranoQt::ModeFor({}), Mode::MainWindow);
        QCOMPARE(LiranoQt::ModeFor({"--ChuyenMa"}), Mode::ChuyenMa);
        QCOMPARE(LiranoQt::ModeFor({"--GoTat"}), Mode::GoTat);
        QCOMPARE(LiranoQt::ModeFor({"--Install"}), Mode::Install);
        QCOMPARE(LiranoQt::ModeFor({"--chuyenma"}), Mode::Usage);
        QCOMPARE(LiranoQt::ModeFor({"--install"}), Mode::Usage);
        QCOMPARE(LiranoQt::ModeFor({"GoTat"}), Mode::Usage);
        QCOMPARE(LiranoQt::ModeFor({""}), Mode::Usage);
        QCOMPARE(LiranoQt::ModeFor({"--GoTat", "--GoTat"}), Mode::Usage);
        QCOMPARE(LiranoQt::ModeFor({"--Install", "x"}), Mode::Usage);
    }

    void usageTextAndExitCodes()
    {
        const QByteArray usage("usage:\n\t--Install\n\t--ChuyenMa\n\t--GoTat\n");
        QCOMPARE(QByteArray(LiranoQt::UsageText), usage);
        for (const QStringList& args : {QStringList{"--chuyenma"}, QStringList{"--help"}, QStringList{"a", "b"},
                                        QStringList{"--GoTat", "--ChuyenMa"}, QStringList{"--Install", "--Install"}}) {
            Result r = RunQt(args);
            QVERIFY(r.finished);
            QCOMPARE(r.code, 0);
            QCOMPARE(r.out, usage);
        }
        // The toolkit's own options are removed before the match.
        Result r = RunQt({"-platform", "offscreen", "--x"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, usage);
    }

    void windowModesRunTheEventLoop()
    {
        QProcess modes[3];
        const QStringList args[3] = {{}, {"--ChuyenMa"}, {"--GoTat"}};
        for (int i = 0; i < 3; ++i) {
            modes[i].setProcessEnvironment(Offscreen());
            modes[i].start(LIRANO_QT_EXE, args[i]);
            QVERIFY(modes[i].waitForStarted());
        }
        QTest::qWait(1200);
        for (int i = 0; i < 3; ++i) {
            QVERIFY2(modes[i].state() == QProcess::Running, qPrintable(modes[i].readAllStandardError()));
            modes[i].kill();
            modes[i].waitForFinished();
        }
    }

    void withoutADisplayOnlyTheWindowsRefuse()
    {
        QProcessEnvironment env = Offscreen();
        env.remove("QT_QPA_PLATFORM");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        Result r = RunQt({"--GoTat"}, env);
        QVERIFY(r.finished);
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains("no display"));
        r = RunQt({"--what"}, env);
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith("usage:\n"));
        TempDir d;
        std::filesystem::create_directory(d.Path("c"));
        r = Install(d.Path("c"), env);
        QCOMPARE(r.code, 0);
        QCOMPARE(QString::fromUtf8(r.out), kSuccess + "\n");
        QVERIFY(std::filesystem::exists(d.Path("c/Lirano.xml")));
    }

    void componentDescriptionText()
    {
        QCOMPARE(QByteArray::fromStdString(LiranoQt::ComponentXml("/opt/lirano/Lirano-IBus")),
                 QByteArray::fromStdString(Expected("/opt/lirano/Lirano-IBus")));
        // IBus splits the command lines as a shell does, and reads XML.
        QCOMPARE(QByteArray::fromStdString(LiranoQt::ComponentXml("/home/an/Chương trình/it's & <x>/Lirano-IBus")),
                 QByteArray::fromStdString(Expected(
                     "&apos;/home/an/Chương trình/it&apos;\\&apos;&apos;s &amp; &lt;x&gt;/Lirano-IBus&apos;")));
        QCOMPARE(LiranoQt::EnginePath(), Utils::ToString(Utils::GetExeFolder()) + "/Lirano-IBus");
    }

    void defaultFoldersAreIBussOwn()
    {
        QByteArray saved = qgetenv("LIRANO_IBUS_COMPONENT_DIRS");
        bool had = qEnvironmentVariableIsSet("LIRANO_IBUS_COMPONENT_DIRS");
        qunsetenv("LIRANO_IBUS_COMPONENT_DIRS");
        std::vector<std::string> dirs = LiranoQt::ComponentFolders();
        qputenv("LIRANO_IBUS_COMPONENT_DIRS", "/a:/b/::/c/");
        std::vector<std::string> custom = LiranoQt::ComponentFolders();
        if (had)
            qputenv("LIRANO_IBUS_COMPONENT_DIRS", saved);
        else
            qunsetenv("LIRANO_IBUS_COMPONENT_DIRS");
        QCOMPARE((int)dirs.size(), 2);
        QCOMPARE(QString::fromStdString(dirs[0]), Q("/usr/share/ibus/component/"));
        QCOMPARE(QString::fromStdString(dirs[1]), Q("/usr/local/share/ibus/component/"));
        QCOMPARE((int)custom.size(), 3);
        QCOMPARE(QString::fromStdString(custom[0]), Q("/a/"));
        QCOMPARE(QString::fromStdString(custom[2]), Q("/c/"));
    }

    void installWritesBothCopies()
    {
        TempDir d;
        std::filesystem::create_directory(d.Path("usr"));
        std::filesystem::create_directory(d.Path("local"));
        // An existing description is replaced, never appended to.
        d.Write("local/Lirano.xml", std::string(5000, 'x'));
        Result r = Install(d.Path("usr") + ":" + d.Path("local"));
        QVERIFY(r.finished);
        QCOMPARE(r.code, 0);
        QCOMPARE(QString::fromUtf8(r.out), kSuccess + "\n");
        std::string expected = Expected(BinFolder() + "/Lirano-IBus");
        QCOMPARE(TempDir::Read(d.WPath("usr/Lirano.xml")), expected);
        QCOMPARE(TempDir::Read(d.WPath("local/Lirano.xml")), expected);
    }

    void installWithOnlyTheSecondFolder()
    {
        TempDir d;
        std::filesystem::create_directory(d.Path("local"));
        Result r = Install(d.Path("missing") + ":" + d.Path("local"));
        QCOMPARE(r.code, 0);
        QCOMPARE(QString::fromUtf8(r.out), kSuccess + "\n");
        QVERIFY(!std::filesystem::exists(d.Path("missing")));
        QCOMPARE(TempDir::Read(d.WPath("local/Lirano.xml")), Expected(BinFolder() + "/Lirano-IBus"));
    }

    void installWithoutIBus()
    {
        TempDir d;
        Result r = Install(d.Path("a") + ":" + d.Path("b"));
        QCOMPARE(r.code, 1); // nothing was written
        QCOMPARE(QString::fromUtf8(r.out), kNoIBus + "\n");
        QVERIFY(std::filesystem::is_empty(d.Path("")));
    }

    void installWithoutRightsStopsAtTheFirstFolder()
    {
        TempDir d;
        std::filesystem::create_directory(d.Path("local"));
        // Not even root may create files in /proc.
        Result r = Install("/proc:" + d.Path("local"));
        QCOMPARE(r.code, 1);
        QCOMPARE(QString::fromUtf8(r.out), kNoRights + "\n");
        QVERIFY(!std::filesystem::exists(d.Path("local/Lirano.xml")));

        // A description that cannot be deleted is no installation either.
        std::filesystem::create_directories(d.Path("usr/Lirano.xml/inside"));
        QCOMPARE(LiranoQt::Install("x", {d.Path("usr/"), d.Path("local/")}), LiranoQt::InstallResult::NoRights);
        QVERIFY(!std::filesystem::exists(d.Path("local/Lirano.xml")));
        QVERIFY_EXCEPTION_THROWN(LiranoQt::WriteAllText(d.Path("usr/Lirano.xml"), "x"), LiranoQt::WriteFailed);
        LiranoQt::WriteAllText(d.Path("local/Lirano.xml"), "abc");
        QCOMPARE(TempDir::Read(d.WPath("local/Lirano.xml")), std::string("abc")); // no byte-order mark
    }

    void messagesOfTheThreeOutcomes()
    {
        QCOMPARE(LiranoQt::InstallMessage(LiranoQt::InstallResult::Installed), kSuccess);
        QCOMPARE(LiranoQt::InstallMessage(LiranoQt::InstallResult::NoIBus), kNoIBus);
        QCOMPARE(LiranoQt::InstallMessage(LiranoQt::InstallResult::NoRights), kNoRights);
        // The boxes: no parent, empty title, one OK button.
        SeenBox seen;
        ModalWatcher watch(ModalWatcher::Accept(seen));
        LiranoUi::Warning(nullptr, kNoRights);
        QVERIFY(seen.seen);
        QVERIFY(!seen.hasParent);
        QVERIFY(seen.title.isEmpty());
        QCOMPARE(seen.buttons, 1);
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.text, kNoRights);
        SeenBox info;
        ModalWatcher watch2(ModalWatcher::Accept(info));
        LiranoUi::Information(nullptr, kSuccess);
        QCOMPARE(info.icon, QMessageBox::Information);
        QCOMPARE(info.text, kSuccess);
    }

    void ibusReadsTheDescriptionAndStartsTheEngineForItsList()
    {
        // A folder whose name needs quoting, holding the engine.
        TempDir d;
        std::string folder = d.Path("Bộ gõ it's here");
        std::filesystem::create_directories(folder);
        std::filesystem::create_symlink(LIRANO_IBUS_EXE, folder + "/Lirano-IBus");
        std::filesystem::create_directory(d.Path("component"));
        LiranoQt::WriteAllText(d.Path("component/Lirano.xml"), LiranoQt::ComponentXml(folder + "/Lirano-IBus"));

        ibus_init();
        IBusComponent* c = ibus_component_new_from_file(d.Path("component/Lirano.xml").c_str());
        QVERIFY(c);
        QCOMPARE(QString(ibus_component_get_name(c)), Q("org.freedesktop.IBus.Lirano"));
        QCOMPARE(QString(ibus_component_get_description(c)), Q("Lirano-IBus"));
        QCOMPARE(QString(ibus_component_get_version(c)), Q(identity::kVersion));
        QCOMPARE(QString(ibus_component_get_textdomain(c)), Q("Lirano-IBus"));
        QCOMPARE(QString(ibus_component_get_license(c)), Q("GPL-2.0-or-later"));
        QCOMPARE(QString(ibus_component_get_author(c)), Q("Lirano developers <lirano@users.noreply.invalid>"));
        gchar** argv = nullptr;
        gint argc = 0;
        QVERIFY(g_shell_parse_argv(ibus_component_get_exec(c), &argc, &argv, nullptr));
        QCOMPARE(argc, 2);
        QCOMPARE(QString::fromUtf8(argv[0]), QString::fromStdString(folder + "/Lirano-IBus"));
        QCOMPARE(QString(argv[1]), Q("--ibus"));
        g_strfreev(argv);
        // The engine list came from running the engine with --xml.
        GList* engines = ibus_component_get_engines(c);
        QVERIFY(engines);
        QCOMPARE(QString(ibus_engine_desc_get_name(IBUS_ENGINE_DESC(engines->data))), Q("Lirano"));
        QCOMPARE(QString(ibus_engine_desc_get_language(IBUS_ENGINE_DESC(engines->data))), Q("vi"));
        g_list_free(engines);
        g_object_unref(c);
    }
};

LIRANO_QT_TEST(EntryTest, "Entry");
#include "TestEntry.moc"

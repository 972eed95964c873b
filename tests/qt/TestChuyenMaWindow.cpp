// The converter window: its settings file, the lists, the clipboard and a
// real file, converted on a worker that can be cancelled.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include "core/SettingUtils.h"
#include "core/UtfConverter.h"
#include "qt/ChuyenMaWindow.h"
#include "tests/qt/QtTestSupport.h"

namespace {

std::string Bom(const std::string& s) { return "\xEF\xBB\xBF" + s; }

void Choose(QComboBox* box, const char* name) { box->setCurrentIndex(box->findText(Q(name))); }

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Presses "Chuyển mã" and returns the box it showed: at once for the
// clipboard, when the worker is done for a file.
SeenBox Convert(ChuyenMaWindow& w)
{
    SeenBox seen;
    ModalWatcher watch(ModalWatcher::Accept(seen));
    QTest::mouseClick(w.ui.BChuyenMa, Qt::LeftButton);
    QDeadlineTimer deadline(20000);
    while (!seen.seen && !deadline.hasExpired()) QTest::qWait(5);
    return seen;
}

// The test's prose repeated past `size` bytes: many blocks of the worker.
std::string LongText(size_t size)
{
    const std::string piece = ReadFile(LIRANO_CONVERT_DATA "/VanBan.txt");
    std::string text;
    while (text.size() < size) text += piece;
    return text;
}

// What the window writes for UTF-8 `text` in VNI Windows.
std::string InVni(const std::string& text)
{
    CChuyenMa cm;
    cm.BangMaDich = L"VNI Windows";
    return Bom(UtfConverter::ToUtf8(cm.Convert(UtfConverter::FromUtf8(text))));
}

size_t FilesIn(const std::string& folder)
{
    size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) n += !e.path().empty();
    return n;
}

// A named pipe as the source: the worker waits on it until the test feeds
// it, so "while it runs" is a state the test holds, not a race. Opened for
// reading as well, so that neither side's open waits (Linux).
class Fifo {
public:
    explicit Fifo(const std::string& path)
    {
        if (::mkfifo(path.c_str(), 0600) == 0) fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        // A conversion run on the window's thread would wait on the pipe for
        // ever: the end of the text comes after 30 s whatever happens.
        watchdog_ = std::thread([this] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!closed_.wait_for(lock, std::chrono::seconds(30), [this] { return fd_ < 0; })) CloseLocked();
        });
    }
    ~Fifo()
    {
        Close();
        watchdog_.join();
    }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;
    bool Ok()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return fd_ >= 0;
    }
    // Writes as the worker reads, with the event loop running meanwhile;
    // false past the deadline.
    bool Feed(const std::string& bytes)
    {
        QDeadlineTimer deadline(20000);
        for (size_t done = 0; done < bytes.size();) {
            ssize_t n;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (fd_ < 0) return false;
                n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            }
            if (n > 0) {
                done += (size_t)n;
                continue;
            }
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || deadline.hasExpired()) return false;
            QTest::qWait(1);
        }
        return true;
    }
    // The end of the text, once the worker has read what is in the pipe.
    void Close()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        CloseLocked();
        closed_.notify_all();
    }

private:
    void CloseLocked()
    {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    std::mutex mutex_;
    std::condition_variable closed_;
    int fd_ = -1;
    std::thread watchdog_;
};

// A window set to convert `source` into `target` as VNI Windows.
void ToVni(ChuyenMaWindow& w, const std::string& source, const std::string& target)
{
    w.show();
    Choose(w.ui.CBBBangMaDich, "VNI Windows");
    w.ui.CBClipboard->setChecked(false);
    w.ui.LEFileNguon->setText(QString::fromStdString(source));
    w.ui.LEFileDich->setText(QString::fromStdString(target));
}

} // namespace

class ChuyenMaWindowTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartDefaults()
    {
        ProgramFolder f;
        ChuyenMaWindow w;
        QCOMPARE(w.windowTitle(), Q("Lirano - Chuyển mã"));
        QCOMPARE(w.ui.CBBBangMaNguon->currentText(), Q("Unicode"));
        QCOMPARE(w.ui.CBBBangMaDich->currentText(), Q("Unicode"));
        QVERIFY(!w.ui.CBToLower->isChecked());
        QVERIFY(!w.ui.CBToUpper->isChecked());
        QVERIFY(!w.ui.CBXoaDau->isChecked());
        QVERIFY(!w.ui.CBAutoDetect->isChecked());
        QCOMPARE(w.ui.SBTiLeChinhXac->value(), 70);
        QCOMPARE(w.ui.SBTiLeChinhXac->minimum(), 0);
        QCOMPARE(w.ui.SBTiLeChinhXac->maximum(), 100);
        QVERIFY(w.ui.CBClipboard->isChecked());
        QVERIFY(!w.ui.GBFile->isEnabled());
        QVERIFY(w.ui.WTienTrinh->isHidden());
        QVERIFY(!w.Converting());
        QVERIFY(w.ui.LEFileNguon->text().isEmpty());
        QVERIFY(w.ui.LEFileDich->text().isEmpty());
        QVERIFY(!f.Exists("ChuyenMa.ini"));

        std::vector<std::wstring> names = BangMaUtils::LayTenTatCaBangMa();
        QCOMPARE(w.ui.CBBBangMaNguon->count(), (int)names.size());
        QCOMPARE(w.ui.CBBBangMaDich->count(), (int)names.size());
        for (int i = 0; i < (int)names.size(); ++i) {
            QCOMPARE(w.ui.CBBBangMaNguon->itemText(i), ToQ(names[i]));
            QCOMPARE(w.ui.CBBBangMaDich->itemText(i), ToQ(names[i]));
        }
    }

    void widgetsCarryTheirTexts()
    {
        ProgramFolder f;
        ChuyenMaWindow w;
        QCOMPARE(w.ui.GBBangMa->title(), Q("Bảng mã"));
        QCOMPARE(w.ui.LNguon->text(), Q("Nguồn"));
        QCOMPARE(w.ui.LDich->text(), Q("Đích"));
        QCOMPARE(w.ui.BSwap->text(), Q("Đảo"));
        QVERIFY(w.ui.GBAutoDetect->title().isEmpty());
        QCOMPARE(w.ui.CBAutoDetect->text(), Q("Tự tìm bảng mã nguồn (chậm hơn)"));
        QCOMPARE(w.ui.LTiLeChinhXac->text(), Q("Độ chính xác (khuyên 70%) :"));
        QCOMPARE(w.ui.BDetect->text(), Q("Tìm bảng mã nguồn của văn bản trong Clipboard"));
        QCOMPARE(w.ui.GBLuaChon->title(), Q("Lựa chọn"));
        QCOMPARE(w.ui.CBToLower->text(), Q("Chuyển sang chữ thường"));
        QCOMPARE(w.ui.CBToUpper->text(), Q("Chuyển sang chữ hoa"));
        QCOMPARE(w.ui.CBXoaDau->text(), Q("Loại bỏ dấu"));
        QCOMPARE(w.ui.CBClipboard->text(), Q("Chuyển mã Clipboard"));
        QCOMPARE(w.ui.GBFile->title(), Q("Chuyển mã tập tin"));
        QCOMPARE(w.ui.LFileNguon->text(), Q("Tập tin nguồn"));
        QCOMPARE(w.ui.LFileDich->text(), Q("Tập tin đích"));
        QVERIFY(w.ui.BFileNguon->text().isEmpty());
        QVERIFY(w.ui.BFileDich->text().isEmpty());
        QCOMPARE(w.ui.BChuyenMa->text(), Q("Chuyển mã"));
        QCOMPARE(w.ui.BHuy->text(), Q("Hủy"));
        for (QPushButton* b : {w.ui.BSwap, w.ui.BDetect, w.ui.BFileNguon, w.ui.BFileDich, w.ui.BChuyenMa, w.ui.BHuy})
            QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));

        // A language change puts the form's texts back.
        w.ui.LNguon->setText(Q("x"));
        QEvent change(QEvent::LanguageChange);
        QApplication::sendEvent(&w, &change);
        QCOMPARE(w.ui.LNguon->text(), Q("Nguồn"));
    }

    void clipboardBoxSwitchesTheFileGroup()
    {
        ProgramFolder f;
        ChuyenMaWindow w;
        w.ui.CBClipboard->setChecked(false);
        QVERIFY(w.ui.GBFile->isEnabled());
        w.ui.CBClipboard->setChecked(true);
        QVERIFY(!w.ui.GBFile->isEnabled());
    }

    void rateIsWrittenAsAShare()
    {
        QCOMPARE(ToQ(ChuyenMaWindow::GhiTiLe(70)), Q("0.7"));
        QCOMPARE(ToQ(ChuyenMaWindow::GhiTiLe(65)), Q("0.65"));
        QCOMPARE(ToQ(ChuyenMaWindow::GhiTiLe(100)), Q("1"));
        QCOMPARE(ToQ(ChuyenMaWindow::GhiTiLe(0)), Q("0"));
        QCOMPARE(ToQ(ChuyenMaWindow::GhiTiLe(33)), Q("0.33"));
        for (int p = 0; p <= 100; ++p) QCOMPARE(ChuyenMaWindow::DocTiLe(ChuyenMaWindow::GhiTiLe(p)), p);
        QCOMPARE(ChuyenMaWindow::DocTiLe(L"0.7"), 70);
        QCOMPARE(ChuyenMaWindow::DocTiLe(L" 0.5xyz"), 50);
        QCOMPARE(ChuyenMaWindow::DocTiLe(L"abc"), 0);
        QCOMPARE(ChuyenMaWindow::DocTiLe(L""), 0);
        QCOMPARE(ChuyenMaWindow::DocTiLe(L"0,65"), 0);
        QCOMPARE(ChuyenMaWindow::DocTiLe(L"7"), 100);
        QCOMPARE(ChuyenMaWindow::DocTiLe(L"-1"), 0);
        QCOMPARE(ChuyenMaWindow::DocTiLe(L"nan"), 0);
        QCOMPARE(ChuyenMaWindow::DocTiLe(L"inf"), 100);
        QCOMPARE(ChuyenMaWindow::DocTiLe(L"1e999"), 100);
    }

    void settingsFileRoundTrip()
    {
        ProgramFolder f;
        {
            ChuyenMaWindow w;
            w.Save();
        }
        QCOMPARE(f.Read("ChuyenMa.ini"),
                 Bom("[ChuyenMa]\nAutoDetect=0\nBangMaDich=Unicode\nBangMaNguon=Unicode\nClipboard=1\n"
                     "FileDich=\nFileNguon=\nFlags=0\nTiLeChinhXac=0.7\n\n"));
        {
            ChuyenMaWindow w;
            Choose(w.ui.CBBBangMaNguon, "TCVN3 (ABC)");
            Choose(w.ui.CBBBangMaDich, "VNI Windows");
            w.ui.CBToLower->setChecked(true);
            w.ui.CBXoaDau->setChecked(true);
            w.ui.CBAutoDetect->setChecked(true);
            w.ui.SBTiLeChinhXac->setValue(65);
            w.ui.CBClipboard->setChecked(false);
            w.ui.LEFileNguon->setText(Q("/tmp/cũ.txt"));
            w.ui.LEFileDich->setText(Q("/tmp/mới.txt"));
            w.Save();
            QCOMPARE(w.CM.Flags, ChuyenMaFlags_ToLower | ChuyenMaFlags_XoaDau);
            QCOMPARE(w.CM.TiLeChinhXac, 0.65);
            QCOMPARE(ToQ(w.CM.BangMaNguon), Q("TCVN3 (ABC)"));
            QCOMPARE(ToQ(w.CM.FileDich), Q("/tmp/mới.txt"));
            QVERIFY(!w.CM.Clipboard);
            QVERIFY(w.CM.AutoDetect);
        }
        QCOMPARE(f.Read("ChuyenMa.ini"),
                 Bom("[ChuyenMa]\nAutoDetect=1\nBangMaDich=VNI Windows\nBangMaNguon=TCVN3 (ABC)\nClipboard=0\n"
                     "FileDich=/tmp/mới.txt\nFileNguon=/tmp/cũ.txt\nFlags=5\nTiLeChinhXac=0.65\n\n"));
        ChuyenMaWindow again;
        QCOMPARE(again.ui.CBBBangMaNguon->currentText(), Q("TCVN3 (ABC)"));
        QCOMPARE(again.ui.CBBBangMaDich->currentText(), Q("VNI Windows"));
        QVERIFY(again.ui.CBToLower->isChecked());
        QVERIFY(!again.ui.CBToUpper->isChecked());
        QVERIFY(again.ui.CBXoaDau->isChecked());
        QVERIFY(again.ui.CBAutoDetect->isChecked());
        QCOMPARE(again.ui.SBTiLeChinhXac->value(), 65);
        QVERIFY(!again.ui.CBClipboard->isChecked());
        QVERIFY(again.ui.GBFile->isEnabled());
        QCOMPARE(again.ui.LEFileNguon->text(), Q("/tmp/cũ.txt"));
        QCOMPARE(again.ui.LEFileDich->text(), Q("/tmp/mới.txt"));
    }

    void readingTheFileToleratesOddValues()
    {
        ProgramFolder f;
        // Only bits 1, 2 and 4 count; an unknown charset leaves no selection.
        f.Write("ChuyenMa.ini", Bom("[ChuyenMa]\nBangMaNguon=Không có\nFlags=26\nTiLeChinhXac=rất cao\nClipboard=0\n"));
        ChuyenMaWindow w;
        QCOMPARE(w.ui.CBBBangMaNguon->currentIndex(), -1);
        QCOMPARE(w.ui.CBBBangMaDich->currentText(), Q("Unicode"));
        QVERIFY(!w.ui.CBToLower->isChecked());
        QVERIFY(w.ui.CBToUpper->isChecked());
        QVERIFY(!w.ui.CBXoaDau->isChecked());
        QCOMPARE(w.ui.SBTiLeChinhXac->value(), 0);
        w.Save();
        IniFile::Settings s = IniFile().Read(SettingUtils::FileChuyenMa(), L"ChuyenMa");
        QCOMPARE(ToQ(s[L"BangMaNguon"]), QString());
        QCOMPARE(ToQ(s[L"Flags"]), Q("2"));
    }

    void swapTwiceGivesBothBack()
    {
        ProgramFolder f;
        ChuyenMaWindow w;
        Choose(w.ui.CBBBangMaNguon, "VISCII");
        Choose(w.ui.CBBBangMaDich, "VPS");
        QTest::mouseClick(w.ui.BSwap, Qt::LeftButton);
        QCOMPARE(w.ui.CBBBangMaNguon->currentText(), Q("VPS"));
        QCOMPARE(w.ui.CBBBangMaDich->currentText(), Q("VISCII"));
        QTest::mouseClick(w.ui.BSwap, Qt::LeftButton);
        QCOMPARE(w.ui.CBBBangMaNguon->currentText(), Q("VISCII"));
        QCOMPARE(w.ui.CBBBangMaDich->currentText(), Q("VPS"));
        QVERIFY(!f.Exists("ChuyenMa.ini")); // swapping saves nothing
    }

    void convertsARealFileBothWays()
    {
        ProgramFolder f;
        std::string original = ReadFile(LIRANO_CONVERT_DATA "/VanBan.txt");
        QVERIFY(original.size() > 1000);
        ChuyenMaWindow w;
        w.show();
        Choose(w.ui.CBBBangMaDich, "VNI Windows");
        w.ui.CBClipboard->setChecked(false);
        w.ui.LEFileNguon->setText(Q(LIRANO_CONVERT_DATA "/VanBan.txt"));
        w.ui.LEFileDich->setText(QString::fromStdString(f.Path("vni.txt")));
        SeenBox seen = Convert(w);
        QVERIFY(seen.seen);
        QCOMPARE(seen.text, Q("Chuyển mã thành công"));
        QCOMPARE(seen.icon, QMessageBox::Information);
        QVERIFY(seen.title.isEmpty());
        QCOMPARE(seen.buttons, 1);

        std::string vni = f.Read("vni.txt");
        QVERIFY(vni.compare(0, 3, "\xEF\xBB\xBF") == 0);
        CChuyenMa cm;
        cm.BangMaDich = L"VNI Windows";
        std::wstring expected = cm.Convert(UtfConverter::FromUtf8(original));
        QCOMPARE(vni, Bom(UtfConverter::ToUtf8(expected)));
        // "Việt" in VNI Windows: V, i, e with circumflex and dot (e + 0xE4), t.
        QVERIFY(ToQ(expected).contains(QString::fromUcs4(U"Vie\u00e4t")));

        // And back, with the source found by detection.
        Choose(w.ui.CBBBangMaNguon, "Unicode");
        Choose(w.ui.CBBBangMaDich, "Unicode");
        w.ui.CBAutoDetect->setChecked(true);
        w.ui.LEFileNguon->setText(QString::fromStdString(f.Path("vni.txt")));
        w.ui.LEFileDich->setText(QString::fromStdString(f.Path("back.txt")));
        QCOMPARE(Convert(w).text, Q("Chuyển mã thành công"));
        QCOMPARE(f.Read("back.txt"), Bom(original));
        // Detection named the file's charset in the object, not in the list.
        QCOMPARE(ToQ(w.CM.BangMaNguon), Q("VNI Windows"));
        QCOMPARE(w.ui.CBBBangMaNguon->currentText(), Q("Unicode"));
        w.Save();
        QCOMPARE(ToQ(w.CM.BangMaNguon), Q("Unicode"));
    }

    void fileConvertsOnAWorkerWithProgress()
    {
        ProgramFolder f;
        const std::string text = LongText(4u << 20);
        Fifo source(f.Path("in.fifo"));
        QVERIFY(source.Ok());
        ChuyenMaWindow w;
        ToVni(w, f.Path("in.fifo"), f.Path("out.txt"));
        int ticks = 0; // of the window's thread while the worker runs
        QTimer timer;
        connect(&timer, &QTimer::timeout, &w, [&] { ticks += w.Converting(); });
        timer.start(1);
        SeenBox seen;
        int value = -1, maximum = -1;
        ModalWatcher watch([&](QWidget* m) {
            value = w.ui.PBTienTrinh->value();
            maximum = w.ui.PBTienTrinh->maximum();
            ModalWatcher::Accept(seen)(m);
        });
        QTest::mouseClick(w.ui.BChuyenMa, Qt::LeftButton);

        // The worker waits for the pipe; the window goes on.
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 5, 5000);
        QVERIFY(w.Converting());
        QVERIFY(w.ui.WTienTrinh->isVisible());
        QCOMPARE(w.ui.PBTienTrinh->maximum(), 0); // busy: the size is unknown yet
        QVERIFY(w.ui.BHuy->isEnabled());
        for (QWidget* off : std::initializer_list<QWidget*>{w.ui.BChuyenMa, w.ui.CBClipboard, w.ui.GBFile,
                                                            w.ui.GBBangMa, w.ui.GBLuaChon, w.ui.GBAutoDetect})
            QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));

        QVERIFY(source.Feed(text));
        source.Close();
        QTRY_VERIFY_WITH_TIMEOUT(seen.seen, 20000);
        QCOMPARE(seen.text, Q("Chuyển mã thành công"));
        QCOMPARE(maximum, (int)text.size());
        QCOMPARE(value, maximum);
        QVERIFY(!w.Converting());
        QVERIFY(w.ui.WTienTrinh->isHidden());
        QVERIFY(w.ui.BChuyenMa->isEnabled());
        QVERIFY(w.ui.GBFile->isEnabled());
        QVERIFY(f.Read("out.txt") == InVni(text));
    }

    void cancelLeavesTheTargetAsItWas()
    {
        ProgramFolder f;
        f.Write("out.txt", "old text");
        Fifo source(f.Path("in.fifo"));
        QVERIFY(source.Ok());
        ChuyenMaWindow w;
        ToVni(w, f.Path("in.fifo"), f.Path("out.txt"));
        ModalWatcher watch([](QWidget* m) { m->close(); });
        QTest::mouseClick(w.ui.BChuyenMa, Qt::LeftButton);
        QVERIFY(w.Converting());
        QVERIFY(source.Feed(LongText(1u << 20)));
        QTest::mouseClick(w.ui.BHuy, Qt::LeftButton);
        QVERIFY(!w.ui.BHuy->isEnabled()); // once is enough
        source.Close();

        QTRY_VERIFY_WITH_TIMEOUT(!w.Converting(), 10000);
        QVERIFY(!watch.Done()); // cancelled is no failure, nor a success
        QCOMPARE(f.Read("out.txt"), std::string("old text"));
        QCOMPARE(FilesIn(f.Path("")), 3u); // the settings, the pipe, the target
        QVERIFY(w.ui.WTienTrinh->isHidden());
        QVERIFY(w.ui.BChuyenMa->isEnabled());
    }

    void closingMidRunCancelsAndWaits()
    {
        // Closed, or destroyed while open: either way the worker is stopped
        // and waited for, and the target is the old text or the whole new one.
        for (bool close : {true, false}) {
            ProgramFolder f;
            const std::string text = LongText(8u << 20);
            f.Write("in.txt", text);
            f.Write("out.txt", "old text");
            ModalWatcher watch([](QWidget* m) { m->close(); });
            {
                ChuyenMaWindow w;
                ToVni(w, f.Path("in.txt"), f.Path("out.txt"));
                QTest::mouseClick(w.ui.BChuyenMa, Qt::LeftButton);
                QVERIFY(w.Converting());
                if (close) {
                    QVERIFY(w.close());
                    QVERIFY(!w.Converting());
                    QVERIFY(!w.isVisible());
                    QTest::qWait(50); // what the worker posted would come now
                }
            }
            QTest::qWait(50);
            QVERIFY2(!watch.Done(), close ? "closed" : "destroyed");
            std::string out = f.Read("out.txt");
            QVERIFY(out == "old text" || out == InVni(text));
            QCOMPARE(FilesIn(f.Path("")), 3u); // no temporary file left
        }
    }

    void fileErrorsAreShownAndTheWindowStays()
    {
        ProgramFolder f;
        ChuyenMaWindow w;
        w.show();
        w.ui.CBClipboard->setChecked(false);
        SeenBox seen = Convert(w);
        QCOMPARE(seen.text, Q("Tập tin nguồn và đích không hợp lệ"));
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QVERIFY(seen.title.isEmpty());
        QCOMPARE(seen.buttons, 1);

        QString missing = QString::fromStdString(f.Path("missing.txt"));
        w.ui.LEFileNguon->setText(missing);
        w.ui.LEFileDich->setText(QString::fromStdString(f.Path("out.txt")));
        seen = Convert(w);
        QCOMPARE(seen.text, Q("Tập tin \"") + missing + Q("\" không tồn tại"));
        QVERIFY(!f.Exists("out.txt"));
        QVERIFY(w.isVisible());
        // The settings were written all the same.
        QVERIFY(f.Read("ChuyenMa.ini").find("missing.txt") != std::string::npos);
    }

    void convertsTheClipboardAsPlainText()
    {
        ProgramFolder f;
        QClipboard* clipboard = QGuiApplication::clipboard();
        ChuyenMaWindow w;
        w.show();

        // Unicode to Unicode without flags: the same text, formatting gone.
        auto* data = new QMimeData();
        data->setText(Q("Tiếng Việt"));
        data->setHtml(Q("<b>Tiếng Việt</b>"));
        clipboard->setMimeData(data);
        QCOMPARE(Convert(w).text, Q("Chuyển mã thành công"));
        QCOMPARE(clipboard->text(), Q("Tiếng Việt"));
        QVERIFY(!clipboard->mimeData()->hasHtml());

        Choose(w.ui.CBBBangMaDich, "VNI Windows");
        w.ui.CBToUpper->setChecked(true);
        QCOMPARE(Convert(w).text, Q("Chuyển mã thành công"));
        CChuyenMa cm;
        cm.BangMaDich = L"VNI Windows";
        cm.Flags = ChuyenMaFlags_ToUpper;
        QCOMPARE(clipboard->text(), ToQ(cm.Convert(L"Tiếng Việt")));
        QVERIFY(clipboard->text() != Q("TIẾNG VIỆT"));

        // The clipboard is never detected, whatever the box says.
        Choose(w.ui.CBBBangMaDich, "Unicode");
        w.ui.CBToUpper->setChecked(false);
        w.ui.CBAutoDetect->setChecked(true);
        clipboard->setText(Q("Việt"));
        Convert(w);
        QCOMPARE(clipboard->text(), Q("Việt"));

        // An empty clipboard stays empty.
        clipboard->clear();
        QCOMPARE(Convert(w).text, Q("Chuyển mã thành công"));
        QVERIFY(clipboard->text().isEmpty());
    }

    void detectSelectsTheSourceCharset()
    {
        ProgramFolder f;
        QClipboard* clipboard = QGuiApplication::clipboard();
        ChuyenMaWindow w;
        w.show();
        CChuyenMa cm;
        cm.BangMaDich = L"VNI Windows";
        std::string text = ReadFile(LIRANO_CONVERT_DATA "/VanBan.txt");
        clipboard->setText(ToQ(cm.Convert(UtfConverter::FromUtf8(text))));
        QTest::mouseClick(w.ui.BDetect, Qt::LeftButton);
        QCOMPARE(w.ui.CBBBangMaNguon->currentText(), Q("VNI Windows"));
        QVERIFY(f.Exists("ChuyenMa.ini")); // saved before detecting
        // Text that is Vietnamese as it stands is Unicode.
        clipboard->setText(QString::fromStdString(text));
        QTest::mouseClick(w.ui.BDetect, Qt::LeftButton);
        QCOMPARE(w.ui.CBBBangMaNguon->currentText(), Q("Unicode"));
        // Text that scores nowhere falls back to "Unicode" too.
        Choose(w.ui.CBBBangMaNguon, "VPS");
        clipboard->setText(Q("1234 ---- ????"));
        QTest::mouseClick(w.ui.BDetect, Qt::LeftButton);
        QCOMPARE(w.ui.CBBBangMaNguon->currentText(), Q("Unicode"));
        // Nothing was converted.
        QCOMPARE(clipboard->text(), Q("1234 ---- ????"));
    }

    // A file dialog takes a selection only once it has read its folder,
    // which it does in the background: select until it holds, then accept.
    static void ChooseFile(QFileDialog* dialog, const QString& path)
    {
        QDeadlineTimer deadline(5000);
        do {
            dialog->selectFile(path);
            if (dialog->selectedFiles() == QStringList{path}) break;
            QTest::qWait(20);
        } while (!deadline.hasExpired());
        static_cast<QDialog*>(dialog)->accept();
    }

    void fileButtonsTakeThePathChosen()
    {
        ProgramFolder f;
        f.Write("in.txt", "abc");
        ChuyenMaWindow w;
        w.show();
        w.ui.CBClipboard->setChecked(false);
        QString title;
        ModalWatcher open([&](QWidget* m) {
            auto* dialog = qobject_cast<QFileDialog*>(m);
            QVERIFY(dialog);
            title = dialog->windowTitle();
            ChooseFile(dialog, QString::fromStdString(f.Path("in.txt")));
        });
        QTest::mouseClick(w.ui.BFileNguon, Qt::LeftButton);
        QCOMPARE(title, Q("Chọn tập tin nguồn"));
        QCOMPARE(w.ui.LEFileNguon->text(), QString::fromStdString(f.Path("in.txt")));

        ModalWatcher cancel([&](QWidget* m) {
            title = m->windowTitle();
            static_cast<QDialog*>(m)->reject();
        });
        QTest::mouseClick(w.ui.BFileNguon, Qt::LeftButton);
        QVERIFY(cancel.Done());
        QCOMPARE(w.ui.LEFileNguon->text(), QString::fromStdString(f.Path("in.txt")));

        ModalWatcher save([&](QWidget* m) {
            auto* dialog = qobject_cast<QFileDialog*>(m);
            QVERIFY(dialog);
            title = dialog->windowTitle();
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            ChooseFile(dialog, QString::fromStdString(f.Path("out.txt")));
        });
        QTest::mouseClick(w.ui.BFileDich, Qt::LeftButton);
        QCOMPARE(title, Q("Chọn tập tin đích"));
        QCOMPARE(w.ui.LEFileDich->text(), QString::fromStdString(f.Path("out.txt")));
    }
};

LIRANO_QT_TEST(ChuyenMaWindowTest, "ChuyenMaWindow");
#include "TestChuyenMaWindow.moc"

// Every window rendered offscreen. With LIRANO_SCREENSHOT_DIR set the
// pictures are saved there as PNG (tools/screenshots.sh makes the README's).
#include <set>

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>

#include "qt/AboutWindow.h"
#include "qt/ChuyenMaWindow.h"
#include "qt/GoTatWindow.h"
#include "qt/KieuGoWindow.h"
#include "qt/MainWindow.h"
#include "tests/qt/QtTestSupport.h"

namespace {

std::string Bom(const std::string& s) { return "\xEF\xBB\xBF" + s; }

// Grabs the window, checks that something was drawn (text is anti-aliased,
// so a real rendering has many shades) and saves it when asked.
void Shoot(QWidget& w, const char* name)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    QImage image = w.grab().toImage();
    QVERIFY2(!image.isNull(), name);
    QVERIFY2(image.width() > 200 && image.height() > 100, name);
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
    QVERIFY2(colours.size() > 20, name);
    QByteArray dir = qgetenv("LIRANO_SCREENSHOT_DIR");
    if (!dir.isEmpty()) QVERIFY(image.save(QString::fromLocal8Bit(dir) + "/" + name + ".png"));
}

} // namespace

class ScreenshotsTest : public QObject {
    Q_OBJECT
private slots:
    void mainWindowPages()
    {
        ProgramFolder f;
        MainWindow w;
        const char* names[] = {"MainWindow", "MainWindow-ChinhTa", "MainWindow-SuaLoi", "MainWindow-GoiY",
                               "MainWindow-HeThong"};
        for (int i = 0; i < 5; ++i) {
            w.ui.tabWidget->setCurrentIndex(i);
            Shoot(w, names[i]);
        }
    }

    void aboutBox()
    {
        ProgramFolder f;
        AboutWindow w;
        Shoot(w, "AboutWindow");
    }

    void typingMethodEditor()
    {
        ProgramFolder f;
        f.Write("KieuGo.ini", Bom("[Telex của tôi]\ns=DauSac\nf=DauHuyen\nr=DauHoi\nx=DauNga\nj=DauNang\nw=UOA_ƯƠĂ__Ư\n"
                                  "d=D_Đ\nq=qu\n[VNI gọn]\n1=DauSac\n"));
        KieuGoWindow w;
        w.resize(680, 460);
        w.ui.LW->setCurrentRow(0);
        w.ui.TW->setCurrentItem(w.ui.TW->topLevelItem(2));
        w.ui.TW->resizeColumnToContents(0);
        Shoot(w, "KieuGoWindow");
    }

    void abbreviationEditor()
    {
        ProgramFolder f;
        f.Write("GoTat.ini", Bom("x\nvn\tViệt Nam\nc/t\tchương trình\nko\tkhông\nđc\tđược\nhs\thọc sinh\n"));
        GoTatWindow w;
        w.ui.treeWidget->setColumnWidth(0, 160);
        Shoot(w, "GoTatWindow");
    }

    void converterWindow()
    {
        ProgramFolder f;
        f.Write("ChuyenMa.ini", Bom("[ChuyenMa]\nBangMaNguon=TCVN3 (ABC)\nBangMaDich=Unicode\nAutoDetect=1\n"
                                    "TiLeChinhXac=0.7\nFlags=0\nClipboard=0\nFileNguon=/home/an/van-ban-cu.txt\n"
                                    "FileDich=/home/an/van-ban-moi.txt\n"));
        ChuyenMaWindow w;
        Shoot(w, "ChuyenMaWindow");
    }
};

LIRANO_QT_TEST(ScreenshotsTest, "Screenshots");
#include "TestScreenshots.moc"

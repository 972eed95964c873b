// The abbreviation editor: placeholder row, sorting, reading and the exact
// bytes it writes, which the engine reads back.
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "core/SettingUtils.h"
#include "engine/BoGo.h"
#include "qt/GoTatWindow.h"
#include "tests/qt/QtTestSupport.h"

namespace {

const char* const kHeader =
    "Đừng xóa dòng này ! Dùng ký tự TAB để phân cách . Thông tin ở đây được lưu ở dạng UTF-8 .\n";

std::string Bom(const std::string& s) { return "\xEF\xBB\xBF" + s; }

QStringList Rows(const GoTatWindow& w)
{
    QStringList r;
    for (int i = 0; i < w.ui.treeWidget->topLevelItemCount(); ++i)
        r << w.ui.treeWidget->topLevelItem(i)->text(0) + "|" + w.ui.treeWidget->topLevelItem(i)->text(1);
    return r;
}

QTreeWidgetItem* Last(GoTatWindow& w)
{
    return w.ui.treeWidget->topLevelItem(w.ui.treeWidget->topLevelItemCount() - 1);
}

} // namespace

class GoTatWindowTest : public QObject {
    Q_OBJECT
private slots:
    void headerIsTheOneTheEngineSkips()
    {
        QCOMPARE(ToQ(GoTatWindow::Header),
                 Q("Đừng xóa dòng này ! Dùng ký tự TAB để phân cách . Thông tin ở đây được lưu ở dạng UTF-8 .\n"));
        QCOMPARE(QString::fromUtf8(kHeader), ToQ(GoTatWindow::Header));
    }

    void withoutFileOnlyThePlaceholderAndOkWritesTheHeader()
    {
        ProgramFolder f;
        GoTatWindow w;
        QCOMPARE(w.windowTitle(), Q("Soạn bảng gõ tắt"));
        QCOMPARE(Rows(w), QStringList({Q("...|...")}));
        QVERIFY(!w.Initialing);
        QCOMPARE(w.ui.treeWidget->columnCount(), 2);
        QCOMPARE(w.ui.treeWidget->headerItem()->text(0), Q("Thay thế"));
        QCOMPARE(w.ui.treeWidget->headerItem()->text(1), Q("Bằng"));
        QVERIFY(!w.ui.treeWidget->rootIsDecorated());
        QVERIFY(!w.ui.treeWidget->itemsExpandable());
        QCOMPARE(w.ui.treeWidget->editTriggers(), QAbstractItemView::AllEditTriggers);
        QVERIFY(Last(w)->flags() & Qt::ItemIsEditable);
        QCOMPARE(w.ui.BRemove->text(), Q("&Xóa"));
        QCOMPARE(w.ui.BOK->text(), Q("Đồng ý"));
        QCOMPARE(w.ui.BCancel->text(), Q("Hủy bỏ"));
        QVERIFY(w.ui.BOK->isDefault());
        for (QPushButton* b : {w.ui.BRemove, w.ui.BOK, w.ui.BCancel}) QVERIFY(!b->icon().isNull());

        w.show();
        QTest::mouseClick(w.ui.BOK, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), (int)QDialog::Accepted);
        QCOMPARE(f.Read("GoTat.ini"), Bom(kHeader));
    }

    void fillingThePlaceholderAddsAnEntryInOrder()
    {
        ProgramFolder f;
        f.Write("GoTat.ini", Bom("x\nvn\tViệt Nam\n"));
        GoTatWindow w;
        QCOMPARE(Rows(w), QStringList({Q("vn|Việt Nam"), Q("...|...")}));
        Last(w)->setText(0, Q("ck"));
        QCOMPARE(Rows(w), QStringList({Q("vn|Việt Nam"), Q("ck|...")})); // still the placeholder
        Last(w)->setText(1, Q("chuyển khoản"));
        QCOMPARE(Rows(w), QStringList({Q("ck|chuyển khoản"), Q("vn|Việt Nam"), Q("...|...")}));
        QVERIFY(Last(w)->flags() & Qt::ItemIsEditable);
        // Editing a row that is not the last adds nothing and sorts nothing.
        w.ui.treeWidget->topLevelItem(0)->setText(0, Q("zz"));
        QCOMPARE(Rows(w), QStringList({Q("zz|chuyển khoản"), Q("vn|Việt Nam"), Q("...|...")}));
    }

    void typingIntoTheTableAddsTheEntry()
    {
        ProgramFolder f;
        GoTatWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTreeWidget* tw = w.ui.treeWidget;
        for (int column : {0, 1}) {
            // Making the cell current opens its editor (every trigger is on).
            tw->setCurrentItem(Last(w), column);
            QCoreApplication::processEvents();
            QLineEdit* editor = nullptr;
            for (QLineEdit* e : tw->findChildren<QLineEdit*>())
                if (e->isVisible()) editor = e;
            QVERIFY(editor);
            editor->selectAll();
            QTest::keyClicks(editor, column == 0 ? "kg" : "kilogram");
            QTest::keyClick(editor, Qt::Key_Return);
            QCoreApplication::processEvents();
        }
        QCOMPARE(Rows(w), QStringList({Q("kg|kilogram"), Q("...|...")}));
    }

    void onlyOneCellFilledIsNotSaved()
    {
        ProgramFolder f;
        GoTatWindow w;
        Last(w)->setText(0, Q("abc"));
        w.OK();
        QCOMPARE(f.Read("GoTat.ini"), Bom(kHeader));
    }

    void removeLeavesThePlaceholder()
    {
        ProgramFolder f;
        f.Write("GoTat.ini", Bom("x\nb\tbê\na\tá\n"));
        GoTatWindow w;
        QCOMPARE(Rows(w), QStringList({Q("a|á"), Q("b|bê"), Q("...|...")}));
        w.ui.treeWidget->setCurrentItem(Last(w));
        QTest::mouseClick(w.ui.BRemove, Qt::LeftButton);
        QCOMPARE(Rows(w).size(), 3);
        w.ui.treeWidget->setCurrentItem(w.ui.treeWidget->topLevelItem(0));
        QTest::mouseClick(w.ui.BRemove, Qt::LeftButton);
        QCOMPARE(Rows(w), QStringList({Q("b|bê"), Q("...|...")}));
        w.ui.treeWidget->setCurrentItem(nullptr);
        w.DeleteSelectedItem();
        QCOMPARE(Rows(w).size(), 2);
    }

    void readingSplitsAtTheFirstTabAndSkipsOtherLines()
    {
        ProgramFolder f;
        f.Write("GoTat.ini", Bom("c/t\tnot an entry: the header\r\nc/t\tchương trình\tx\r\nno tab here\n\t\n"));
        GoTatWindow w;
        QCOMPARE(Rows(w), QStringList({Q("|"), Q("c/t|chương trình\tx"), Q("...|...")}));
    }

    void fileRoundTripIsExactAndTheEngineReadsIt()
    {
        ProgramFolder f;
        std::string body = "vn\tViệt Nam\nck\tchuyển khoản\nđt\tđiện thoại\nck\t lặp lại \n";
        f.Write("GoTat.ini", Bom(std::string(kHeader) + body));
        GoTatWindow w;
        w.OK();
        std::string sorted = "ck\tchuyển khoản\nck\t lặp lại \nvn\tViệt Nam\nđt\tđiện thoại\n";
        QCOMPARE(f.Read("GoTat.ini"), Bom(std::string(kHeader) + sorted));
        // Reading it again gives the same rows, in column-0 order.
        GoTatWindow again;
        QCOMPARE(Rows(again), QStringList({Q("ck|chuyển khoản"), Q("ck| lặp lại "), Q("vn|Việt Nam"),
                                           Q("đt|điện thoại"), Q("...|...")}));
        // The engine's loader takes the same pairs, in file order.
        CBoGo boGo;
        boGo.LoadGoTat(SettingUtils::FileGoTat());
        QCOMPARE((int)boGo.GoTat_Search.size(), 4);
        QCOMPARE(ToQ(boGo.GoTat_Search[0]), Q("ck"));
        QCOMPARE(ToQ(boGo.GoTat_Replace[1]), Q(" lặp lại "));
        QCOMPARE(ToQ(boGo.GoTat_Search[3]), Q("đt"));
        QCOMPARE(ToQ(boGo.GoTat_Replace[3]), Q("điện thoại"));
    }

    void refreshDropsUnsavedEditsAndCancelWritesNothing()
    {
        ProgramFolder f;
        f.Write("GoTat.ini", Bom("x\na\tb\n"));
        GoTatWindow w;
        w.show();
        w.ui.treeWidget->topLevelItem(0)->setText(1, Q("changed"));
        QTest::mouseClick(w.ui.BCancel, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(f.Read("GoTat.ini"), Bom("x\na\tb\n"));
        w.Refresh();
        QCOMPARE(Rows(w), QStringList({Q("a|b"), Q("...|...")}));
    }

    void cellsThatWouldBreakTheLineAreMended()
    {
        ProgramFolder f;
        GoTatWindow w;
        Last(w)->setText(0, Q("a\tb"));
        QCOMPARE(Last(w)->text(0), Q("a b"));
        Last(w)->setText(1, Q("x\ny"));
        w.OK();
        QCOMPARE(f.Read("GoTat.ini"), Bom(std::string(kHeader) + "a b\tx y\n"));
    }

    void unwritableFolderKeepsTheWindowOpen()
    {
        ProgramFolder f;
        GoTatWindow w;
        w.show();
        setenv("XDG_CONFIG_HOME", f.Unwritable().c_str(), 1);
        SeenBox seen;
        ModalWatcher watch(ModalWatcher::Accept(seen));
        QTest::mouseClick(w.ui.BOK, Qt::LeftButton);
        setenv("XDG_CONFIG_HOME", (f.Folder() + "/config").c_str(), 1);
        QVERIFY(seen.seen);
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QVERIFY(seen.title.isEmpty());
        QVERIFY(w.isVisible());
    }
};

LIRANO_QT_TEST(GoTatWindowTest, "GoTatWindow");
#include "TestGoTatWindow.moc"

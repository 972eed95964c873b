// The typing-method editor: key field, rows, built-in methods, saving.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include "core/Enums.h"
#include "qt/KieuGoWindow.h"
#include "tests/qt/QtTestSupport.h"

namespace {

std::string Bom(const std::string& s) { return "\xEF\xBB\xBF" + s; }

// The rows as "key=text" lines.
QStringList Rows(const KieuGoWindow& w)
{
    QStringList r;
    for (int i = 0; i < w.ui.TW->topLevelItemCount(); ++i)
        r << w.ui.TW->topLevelItem(i)->text(0) + "=" + w.ui.TW->topLevelItem(i)->text(1);
    return r;
}

void TypeKey(KieuGoWindow& w, char c) { QTest::keyClick(w.ui.LEPhim, c); }

void ChooseBasic(KieuGoWindow& w, Enums::ChucNangPhimCoBan f)
{
    w.ui.RBTinhNangCoBan->setChecked(true);
    w.ui.CBBChucNang->setCurrentIndex(f);
}

void ChooseText(KieuGoWindow& w, const QString& text)
{
    w.ui.RBTinhNangTaoChu->setChecked(true);
    w.ui.LETinhNangTaoChu->setText(text);
}

// A window with one new method, current and ready for keys.
void NewMethod(KieuGoWindow& w)
{
    QTest::mouseClick(w.ui.BKieuGoAdd, Qt::LeftButton);
    // Leave the name editor the button opened.
    w.ui.LW->closePersistentEditor(w.ui.LW->currentItem());
    w.ui.LEPhim->setFocus();
}

} // namespace

class KieuGoWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithItsWidgetsAndNothingChosen()
    {
        ProgramFolder f;
        KieuGoWindow w;
        QCOMPARE(w.windowTitle(), Q("Tạo kiểu gõ"));
        QCOMPARE(w.ui.LW->count(), 0);
        QVERIFY(!w.ui.groupBox->isEnabled());
        QCOMPARE(w.ui.groupBox->title(), Q("Định nghĩa phím"));
        QCOMPARE(w.ui.BKieuGoAdd->text(), Q("Thêm"));
        QCOMPARE(w.ui.BKieuGoRemove->text(), Q("Xóa"));
        QVERIFY(!w.ui.BKieuGoAdd->icon().isNull());
        QVERIFY(!w.ui.BKieuGoRemove->icon().isNull());
        QCOMPARE(w.ui.BNapKieuGo->text(), Q("Nạp kiểu gõ có sẵn"));
        QCOMPARE(w.ui.LPhim->text(), Q("Phím"));
        QCOMPARE(w.ui.LEPhim->maxLength(), 1);
        QCOMPARE(w.ui.BAdd->text(), Q("Thêm"));
        QCOMPARE(w.ui.BReplace->text(), Q("Thay thế"));
        QVERIFY(!w.ui.BAdd->isEnabled());
        QVERIFY(!w.ui.BReplace->isEnabled());
        QCOMPARE(w.ui.RBTinhNangCoBan->text(), Q("Chức năng cơ bản"));
        QVERIFY(w.ui.RBTinhNangCoBan->isChecked());
        QCOMPARE(w.ui.RBTinhNangTaoChu->text(), Q("Tạo những ký tự "));
        QCOMPARE(w.ui.BRemove->text(), Q("Xóa"));
        QCOMPARE(w.ui.BClear->text(), Q("Xóa hết"));
        QCOMPARE(w.ui.TW->columnCount(), 2);
        QCOMPARE(w.ui.TW->headerItem()->text(0), Q("Phím"));
        QCOMPARE(w.ui.TW->headerItem()->text(1), Q("Chức năng"));
        QVERIFY(!w.ui.TW->rootIsDecorated());

        // Function list: index = basic function value.
        QCOMPARE(w.ui.CBBChucNang->count(), (int)Enums::ChucNangPhimCoBan_Count);
        QCOMPARE(w.ui.CBBChucNang->itemText(Enums::DauSac), Q("Dấu sắc"));
        QCOMPARE(w.ui.CBBChucNang->itemText(Enums::D_DD), Q("Dấu gạch : D thành Đ"));
        QCOMPARE(w.ui.CBBChucNang->itemText(Enums::_UOW), Q("Chữ ƯƠ"));
        std::vector<std::wstring> names = KieuGoUtils::LayTenTatCaKieuGo();
        QCOMPARE(w.ui.CBBKieuGo->count(), (int)names.size());
        QCOMPARE(w.ui.CBBKieuGo->itemText(0), Q("Telex 2"));
    }

    void refreshListsTheUsersMethodsInFileOrder()
    {
        ProgramFolder f;
        f.Write("KieuGo.ini", Bom("[Zeta]\na=DauSac\n[Alpha]\nq=qu\nd=D_Đ\n"));
        KieuGoWindow w;
        QCOMPARE(w.ui.LW->count(), 2);
        QCOMPARE(w.ui.LW->item(0)->text(), Q("Zeta"));
        QCOMPARE(w.ui.LW->item(1)->text(), Q("Alpha"));
        QVERIFY(w.ui.LW->item(0)->flags() & Qt::ItemIsEditable);
        QVERIFY(!w.ui.LW->currentItem());
        QVERIFY(!w.ui.groupBox->isEnabled());
        QCOMPARE((int)KieuGoWindow::TableOf(w.ui.LW->item(1))->size(), 2);

        w.ui.LW->setCurrentRow(1);
        QVERIFY(w.ui.groupBox->isEnabled());
        QCOMPARE(Rows(w), QStringList({Q("d=Dấu gạch : D thành Đ"), Q("q=qu")}));
    }

    void aUserMethodNamedLikeABuiltInOneKeepsItsOwnKeys()
    {
        ProgramFolder f;
        f.Write("KieuGo.ini", Bom("[Telex]\nq=qu\n"));
        KieuGoWindow w;
        w.ui.LW->setCurrentRow(0);
        QCOMPARE(Rows(w), QStringList({Q("q=qu")}));
        w.accept();
        QCOMPARE(f.Read("KieuGo.ini"), Bom("[Telex]\nq=qu\n\n"));
    }

    void aKeyTypedReplacesTheKeyShown()
    {
        ProgramFolder f;
        KieuGoWindow w;
        w.show();
        NewMethod(w);
        TypeKey(w, 'a');
        QCOMPARE(w.ui.LEPhim->text(), Q("a"));
        QVERIFY(w.ui.BAdd->isEnabled());
        TypeKey(w, 'b');
        QCOMPARE(w.ui.LEPhim->text(), Q("b"));
        // Keys that type nothing leave the field alone.
        QTest::keyClick(w.ui.LEPhim, Qt::Key_Left);
        QCOMPARE(w.ui.LEPhim->text(), Q("b"));
        // Upper case would never be matched: the key is kept in lower case.
        QTest::keyClick(w.ui.LEPhim, Qt::Key_W, Qt::ShiftModifier);
        QCOMPARE(w.ui.LEPhim->text(), Q("w"));
        // Space, '=' and ';' cannot be keys of the file.
        TypeKey(w, ' ');
        QCOMPARE(w.ui.LEPhim->text(), QString());
        QVERIFY(!w.ui.BAdd->isEnabled());
        QVERIFY(!w.ui.BReplace->isEnabled());
        TypeKey(w, '=');
        QCOMPARE(w.ui.LEPhim->text(), QString());
        TypeKey(w, ';');
        QCOMPARE(w.ui.LEPhim->text(), QString());
        w.ui.LEPhim->setText(Q("Ư"));
        QCOMPARE(w.ui.LEPhim->text(), Q("ư"));
    }

    void focusChoosesTheRadioButton()
    {
        ProgramFolder f;
        KieuGoWindow w;
        w.show();
        NewMethod(w);
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(w.ui.LETinhNangTaoChu, &in);
        QVERIFY(w.ui.RBTinhNangTaoChu->isChecked());
        QApplication::sendEvent(w.ui.CBBChucNang, &in);
        QVERIFY(w.ui.RBTinhNangCoBan->isChecked());
    }

    void addReplaceRemoveAndClear()
    {
        ProgramFolder f;
        KieuGoWindow w;
        w.show();
        NewMethod(w);

        TypeKey(w, 'a');
        ChooseBasic(w, Enums::DauSac);
        QTest::mouseClick(w.ui.BAdd, Qt::LeftButton);
        QCOMPARE(Rows(w), QStringList({Q("a=Dấu sắc")}));
        QVERIFY(!w.ui.BAdd->isEnabled());
        QCOMPARE(w.ui.TW->selectedItems().size(), 1);

        TypeKey(w, 'b');
        QVERIFY(w.ui.BAdd->isEnabled());
        QVERIFY(!w.ui.BReplace->isEnabled());
        ChooseText(w, Q("uơ"));
        QTest::mouseClick(w.ui.BAdd, Qt::LeftButton);
        QCOMPARE(Rows(w), QStringList({Q("a=Dấu sắc"), Q("b=uơ")}));

        // Typing a key the list has selects its row; Replace changes it.
        TypeKey(w, 'a');
        QCOMPARE(w.ui.TW->currentItem()->text(0), Q("a"));
        QCOMPARE(w.ui.TW->selectedItems().size(), 1);
        QVERIFY(!w.ui.BAdd->isEnabled());
        QVERIFY(w.ui.BReplace->isEnabled());
        QVERIFY(w.ui.RBTinhNangCoBan->isChecked());
        QCOMPARE(w.ui.CBBChucNang->currentIndex(), (int)Enums::DauSac);
        ChooseBasic(w, Enums::DauHuyen);
        QTest::mouseClick(w.ui.BReplace, Qt::LeftButton);
        QCOMPARE(Rows(w), QStringList({Q("a=Dấu huyền"), Q("b=uơ")}));
        QCOMPARE(KieuGoWindow::FunctionOf(w.ui.TW->topLevelItem(0))->ChucNangCoBan, Enums::DauHuyen);

        // Choosing a row shows it in the form.
        w.ui.TW->setCurrentItem(w.ui.TW->topLevelItem(1));
        QCOMPARE(w.ui.LEPhim->text(), Q("b"));
        QVERIFY(w.ui.RBTinhNangTaoChu->isChecked());
        QCOMPARE(w.ui.LETinhNangTaoChu->text(), Q("uơ"));
        QVERIFY(!w.ui.BAdd->isEnabled());
        QVERIFY(w.ui.BReplace->isEnabled());

        QTest::mouseClick(w.ui.BRemove, Qt::LeftButton);
        QCOMPARE(Rows(w), QStringList({Q("a=Dấu huyền")}));
        // The row left becomes current and its key is shown: Add stays off,
        // so no key is listed twice.
        QCOMPARE(w.ui.LEPhim->text(), Q("a"));
        QVERIFY(!w.ui.BAdd->isEnabled());

        TypeKey(w, 'z');
        QTest::mouseClick(w.ui.BClear, Qt::LeftButton);
        QCOMPARE(w.ui.TW->topLevelItemCount(), 0);
        QVERIFY(w.ui.BAdd->isEnabled());
        QVERIFY(!w.ui.BReplace->isEnabled());
    }

    void aFormThatDescribesNoFunctionAddsNothing()
    {
        ProgramFolder f;
        KieuGoWindow w;
        w.show();
        NewMethod(w);
        TypeKey(w, 'q');
        ChooseText(w, QString());
        QVERIFY(!w.LayChucNangPhim());
        QTest::mouseClick(w.ui.BAdd, Qt::LeftButton);
        QCOMPARE(w.ui.TW->topLevelItemCount(), 0);
        // Spaces around a text cannot be stored: they are dropped.
        ChooseText(w, Q("  qu "));
        QCOMPARE(ToQ(w.LayChucNangPhim()->StringValue), Q("qu"));
        // ';' would cut the text in the file: the field refuses it.
        w.ui.LETinhNangTaoChu->clear();
        QTest::keyClicks(w.ui.LETinhNangTaoChu, "a;b");
        QCOMPARE(w.ui.LETinhNangTaoChu->text(), Q("ab"));
    }

    void builtInKeysJoinOnlyWhereTheListHasNone()
    {
        ProgramFolder f;
        f.Write("KieuGo.ini", Bom("[Của tôi]\ns=x\n"));
        KieuGoWindow w;
        w.show();
        w.ui.LW->setCurrentRow(0);
        QCOMPARE(Rows(w), QStringList({Q("s=x")}));
        w.ui.CBBKieuGo->setCurrentIndex(w.ui.CBBKieuGo->findText(Q("Telex 2")));
        QTest::mouseClick(w.ui.BNapKieuGo, Qt::LeftButton);
        KieuGoMap telex = KieuGoUtils::LayKieuGoCoSan(L"Telex 2");
        QCOMPARE(w.ui.TW->topLevelItemCount(), (int)telex.size());
        QCOMPARE(w.ui.TW->topLevelItem(0)->text(1), Q("x")); // the user's own s stays
        QStringList rows = Rows(w);
        QVERIFY(rows.contains(Q("f=Dấu huyền")));
        QVERIFY(rows.contains(Q("w=Dấu móc : UOA thành ƯƠĂ , hoặc tạo chữ Ư")));
        QVERIFY(!rows.contains(Q("s=Dấu sắc")));
        QVERIFY(!w.ui.BReplace->isEnabled());

        // Loading again adds nothing: every key is there.
        QTest::mouseClick(w.ui.BNapKieuGo, Qt::LeftButton);
        QCOMPARE(w.ui.TW->topLevelItemCount(), (int)telex.size());

        // A name only the user's file has is not a built-in method.
        QTest::mouseClick(w.ui.BClear, Qt::LeftButton);
        w.ui.CBBKieuGo->setCurrentIndex(w.ui.CBBKieuGo->findText(Q("Của tôi")));
        QVERIFY(w.ui.CBBKieuGo->currentIndex() >= 0);
        QTest::mouseClick(w.ui.BNapKieuGo, Qt::LeftButton);
        QCOMPARE(w.ui.TW->topLevelItemCount(), 0);
    }

    void switchingMethodsKeepsTheRowsOfEach()
    {
        ProgramFolder f;
        f.Write("KieuGo.ini", Bom("[A]\na=DauSac\n[B]\nb=DauHoi\n"));
        KieuGoWindow w;
        w.show();
        w.ui.LW->setCurrentRow(0);
        TypeKey(w, 'x');
        ChooseText(w, Q("ươ"));
        QTest::mouseClick(w.ui.BAdd, Qt::LeftButton);
        w.ui.LW->setCurrentRow(1);
        QCOMPARE(Rows(w), QStringList({Q("b=Dấu hỏi")}));
        w.ui.LW->setCurrentRow(0);
        QCOMPARE(Rows(w), QStringList({Q("a=Dấu sắc"), Q("x=ươ")}));
    }

    void okWritesTheUsersFileWithKeyNames()
    {
        ProgramFolder f;
        KieuGoWindow w;
        w.show();
        NewMethod(w);
        TypeKey(w, 'b');
        ChooseText(w, Q("bb"));
        QTest::mouseClick(w.ui.BAdd, Qt::LeftButton);
        TypeKey(w, 'a');
        ChooseBasic(w, Enums::D_DD);
        QTest::mouseClick(w.ui.BAdd, Qt::LeftButton);
        // A second method with the same default name: only the first counts.
        NewMethod(w);
        TypeKey(w, 'z');
        ChooseBasic(w, Enums::DauSac);
        QTest::mouseClick(w.ui.BAdd, Qt::LeftButton);
        // And one named otherwise, with a name that would break the header.
        NewMethod(w);
        w.ui.LW->currentItem()->setText(Q("Gõ ]nhanh"));
        QCOMPARE(w.ui.LW->currentItem()->text(), Q("Gõ nhanh"));
        TypeKey(w, '[');
        ChooseBasic(w, Enums::__ow);
        QTest::mouseClick(w.ui.BAdd, Qt::LeftButton);

        QTest::mouseClick(w.ui.buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(QByteArray::fromStdString(f.Read("KieuGo.ini")),
                 QByteArray("\xEF\xBB\xBF[Gõ nhanh]\n[=__ơ\n\n[Tên kiểu gõ]\na=D_Đ\nb=bb\n\n"));
        // The engine's loader reads the methods back.
        QCOMPARE((int)KieuGoUtils::LayTenCacKieuGoTuDinhNghia().size(), 2);
        KieuGoMap mine = KieuGoUtils::LayKieuGo(L"Tên kiểu gõ");
        QCOMPARE((int)mine.size(), 2);
        QCOMPARE(mine.at(L'a').ChucNangCoBan, Enums::D_DD);
        QVERIFY(mine.at(L'b').UseStringValue);
        QCOMPARE(ToQ(mine.at(L'b').StringValue), Q("bb"));
        QCOMPARE(KieuGoUtils::LayKieuGo(L"Gõ nhanh").at(L'[').ChucNangCoBan, Enums::__ow);
    }

    void removedMethodsLeaveTheFileAtOk()
    {
        ProgramFolder f;
        f.Write("KieuGo.ini", Bom("[A]\na=DauSac\n[B]\nb=DauHoi\n"));
        KieuGoWindow w;
        w.show();
        w.ui.LW->setCurrentRow(0);
        QTest::mouseClick(w.ui.BKieuGoRemove, Qt::LeftButton);
        QCOMPARE(w.ui.LW->count(), 1);
        QCOMPARE(w.ui.LW->item(0)->text(), Q("B"));
        QCOMPARE(f.Read("KieuGo.ini"), Bom("[A]\na=DauSac\n[B]\nb=DauHoi\n"));
        w.accept();
        QCOMPARE(f.Read("KieuGo.ini"), Bom("[B]\nb=DauHoi\n\n"));
    }

    void cancelKeepsTheFileAndRefreshShowsIt()
    {
        ProgramFolder f;
        f.Write("KieuGo.ini", Bom("[A]\na=DauSac\n"));
        KieuGoWindow w;
        w.show();
        w.ui.LW->setCurrentRow(0);
        QTest::mouseClick(w.ui.BClear, Qt::LeftButton);
        QTest::mouseClick(w.ui.BKieuGoAdd, Qt::LeftButton);
        QTest::mouseClick(w.ui.buttonBox->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(f.Read("KieuGo.ini"), Bom("[A]\na=DauSac\n"));
        QCOMPARE(w.ui.LW->count(), 2); // kept until Refresh
        w.Refresh();
        QCOMPARE(w.ui.LW->count(), 1);
        w.ui.LW->setCurrentRow(0);
        QCOMPARE(Rows(w), QStringList({Q("a=Dấu sắc")}));
    }

    void saveKeepsTheUpperOfTwoRowsWithOneKey()
    {
        ProgramFolder f;
        KieuGoWindow w;
        NewMethod(w);
        w.LoadKieuGo({{L'a', ChucNangPhim(Enums::DauSac)}});
        w.LoadKieuGo({{L'a', ChucNangPhim(std::wstring(L"â"))}});
        QCOMPARE(w.ui.TW->topLevelItemCount(), 2);
        w.SaveLWIKieuGo(w.ui.LW->currentItem());
        KieuGoMap* t = KieuGoWindow::TableOf(w.ui.LW->currentItem());
        QCOMPARE((int)t->size(), 1);
        QCOMPARE(t->at(L'a').ChucNangCoBan, Enums::DauSac);
    }
};

LIRANO_QT_TEST(KieuGoWindowTest, "KieuGoWindow");
#include "TestKieuGoWindow.moc"

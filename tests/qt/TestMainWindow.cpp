// The options window: defaults, texts, the number list, Apply and what the
// engine's loader makes of the file, the child windows.
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextDocument>

#include "core/Identity.h"
#include "core/SettingUtils.h"
#include "engine/AppModes.h"
#include "engine/BoGo.h"
#include "engine/LuaChon.h"
#include "qt/AboutWindow.h"
#include "qt/GoTatWindow.h"
#include "qt/KieuGoWindow.h"
#include "qt/MainWindow.h"
#include "tests/qt/QtTestSupport.h"

namespace {

QString PlainTip(const QWidget* w)
{
    QTextDocument doc;
    doc.setHtml(w->toolTip());
    return doc.toPlainText();
}

std::string Bom(const std::string& s) { return "\xEF\xBB\xBF" + s; }

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartShowsEveryDefault()
    {
        ProgramFolder f;
        MainWindow w;
        QCOMPARE(w.windowTitle(), Q("Lirano - Linux"));
        QVERIFY(!w.windowIcon().isNull());
        QCOMPARE(w.ui.CBBKieuGo->currentText(), Q("Telex 2"));
        QCOMPARE(w.ui.CBBBangMa->currentText(), Q("Unicode"));
        QStringList on{"CBGoTat", "CBXuLyHoaThuongKhiGoTat", "CBKhoiPhucPhimVoiTuSai", "CBEnableMouseHook",
                       "CBNhoCheDoTheoUngDung"};
        QCOMPARE((int)w.CheckBoxes().size(), 18);
        QCOMPARE(w.ui.CBBPhimChuyenCheDo->currentText(), Q("Ctrl+Shift"));
        QCOMPARE(w.ui.TWUngDung->rowCount(), 0);
        for (auto& [box, field] : w.CheckBoxes()) QCOMPARE(box->isChecked(), on.contains(box->objectName()));
        QCOMPARE(w.ui.LENA_PAC_DacBiet->text(), QString());
        QCOMPARE(w.ui.CBBSoLuongTuGoiY->currentIndex(), 1);
        QCOMPARE(w.ui.CBBSoLuongTuGoiY->currentText(), Q("24 (Khuyên)"));
        QCOMPARE(w.ui.tabWidget->currentIndex(), 0);
        QVERIFY(w.ui.BAdvanced->isCheckable());
        QVERIFY(w.ui.BAdvanced->isChecked());
        QVERIFY(!w.gtw && !w.aw && !w.kgw);
        QVERIFY(!f.Exists("LuaChon.ini")); // opening writes nothing
    }

    // The remembered applications: shown as the file has them (a damaged
    // line said and left out), changed, forgotten and added, and written
    // back only when edited.
    void applicationsAreShownEditedAndWrittenBack()
    {
        ProgramFolder f;
        f.Write("UngDung.ini", "[UngDung]\nkonsole=E\ngedit=V\nthis line is damaged\nkate=V\n");
        {
            MainWindow w;
            QVERIFY(w.ui.LUngDungLoi->text().contains(Q("dòng 4")));
            QCOMPARE(w.ui.TWUngDung->rowCount(), 3);
            std::vector<CAppModes::Entry> shown = {{"konsole", true}, {"gedit", false}, {"kate", false}};
            QVERIFY(w.AppModes().Entries == shown);
            w.Apply();
            QVERIFY(f.Read("UngDung.ini").find("damaged") != std::string::npos); // not edited: left as it was

            qobject_cast<QComboBox*>(w.ui.TWUngDung->cellWidget(1, 1))->setCurrentIndex(1); // gedit in English
            w.ui.TWUngDung->selectRow(2);
            w.ForgetApp(); // kate
            w.ui.LEUngDung->setText(Q(" code "));
            w.AddApp();
            w.ui.LEUngDung->setText(Q("konsole")); // already there: not doubled
            w.AddApp();
            w.Apply();
        }
        CAppModes read;
        std::string problem;
        QVERIFY(read.Read(f.File("UngDung.ini"), problem));
        std::vector<CAppModes::Entry> expected = {{"code", true}, {"konsole", true}, {"gedit", true}};
        QVERIFY(read.Entries == expected);
        {
            MainWindow w;
            QVERIFY(w.ui.LUngDungLoi->isHidden());
            SeenBox seen;
            ModalWatcher refused(ModalWatcher::Accept(seen));
            w.ui.LEUngDung->setText(Q("a=b"));
            w.AddApp();
            QVERIFY(seen.seen);
            QCOMPARE(w.ui.TWUngDung->rowCount(), 3);
        }
    }

    void listsHoldEveryMethodAndCharsetInOrder()
    {
        ProgramFolder f;
        f.Write("KieuGo.ini", Bom("[Của tôi]\na=DauSac\n"));
        MainWindow w;
        std::vector<std::wstring> methods = KieuGoUtils::LayTenTatCaKieuGo();
        QCOMPARE(w.ui.CBBKieuGo->count(), (int)methods.size());
        for (int i = 0; i < (int)methods.size(); ++i) QCOMPARE(w.ui.CBBKieuGo->itemText(i), ToQ(methods[i]));
        QCOMPARE(w.ui.CBBKieuGo->itemText(w.ui.CBBKieuGo->count() - 1), Q("Của tôi"));
        std::vector<std::wstring> charsets = BangMaUtils::LayTenTatCaBangMa();
        QCOMPARE(w.ui.CBBBangMa->count(), (int)charsets.size());
        for (int i = 0; i < (int)charsets.size(); ++i) QCOMPARE(w.ui.CBBBangMa->itemText(i), ToQ(charsets[i]));
    }

    void widgetsCarryTheirTextsAndTips()
    {
        ProgramFolder f;
        MainWindow w;
        const Ui_MainWindowClass& ui = w.ui;
        QStringList tabs;
        for (int i = 0; i < ui.tabWidget->count(); ++i) tabs << ui.tabWidget->tabText(i);
        QCOMPARE(tabs,
                 QStringList({Q("Gõ tắt"), Q("Chính tả"), Q("Sửa lỗi"), Q("Gợi ý từ"), Q("Hệ thống"), Q("Ứng dụng")}));
        QCOMPARE(ui.BOK->text(), Q("Đồng ý"));
        QCOMPARE(ui.BCancel->text(), Q("Hủy bỏ"));
        QCOMPARE(ui.BAbout->text(), Q("Thông tin"));
        QCOMPARE(ui.BAdvanced->text(), Q("Mở rộng"));
        QCOMPARE(ui.BKieuGo->text(), Q("Tạo kiểu gõ"));
        QCOMPARE(ui.BGoTat->text(), Q("Soạn bảng gõ tắt"));
        QVERIFY(ui.BKieuGoInfo->text().isEmpty());
        QCOMPARE(ui.BKieuGoInfo->focusPolicy(), Qt::NoFocus);
        for (QPushButton* b : {ui.BOK, ui.BCancel, ui.BAbout, ui.BKieuGo, ui.BKieuGoInfo, ui.BGoTat})
            QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));

        QCOMPARE(ui.CBGoTat->text(), Q("Gõ tắt"));
        QCOMPARE(ui.CBXuLyHoaThuongKhiGoTat->text(), Q("Tự động đổi \"hoa / thường\" kết quả gõ tắt"));
        QCOMPARE(PlainTip(ui.CBXuLyHoaThuongKhiGoTat),
                 Q("VD: định nghĩa gõ tắt: c/t = chương trình\n+ gõ C/T -> CHƯƠNG TRÌNH\n+ gõ C/t -> Chương trình"));
        QVERIFY(ui.CBXuLyHoaThuongKhiGoTat->toolTip().contains(Q("<b>c/t</b>")));
        QVERIFY(ui.CBXuLyHoaThuongKhiGoTat->toolTip().contains(Q("Tahoma")));
        QCOMPARE(ui.CBGoTatPAD->text(), Q("Gõ tắt phụ âm đầu: f -> ph , j -> gi , w -> qu"));
        QCOMPARE(PlainTip(ui.CBGoTatPAD), Q("gõ fiền -> phiền"));
        QCOMPARE(ui.CBGoTatPAC->text(), Q("Gõ tắt phụ âm cuối: g -> ng , h -> nh , k -> ch"));
        QCOMPARE(PlainTip(ui.CBGoTatPAC), Q("gõ tiếg -> tiếng"));
        QCOMPARE(ui.CBBoDauThanhKieu2->text(), Q("Đặt dấu thanh oà, uý ( thay vì òa, úy )"));
        QCOMPARE(ui.CBPADTuDo->text(), Q("Dùng các phụ âm đầu dz f j w z"));
        QCOMPARE(ui.CBUODiKemPAC->text(), Q("Nguyên âm UƠ có thể đi với phụ âm cuối"));
        QCOMPARE(ui.CBDungTuDienDeKTChinhTa->text(), Q("Dùng từ điển để kiểm tra chính tả"));
        QCOMPARE(ui.CBKhoiPhucPhimVoiTuSai->text(), Q("Tự động khôi phục phím với từ sai"));
        QCOMPARE(ui.CBGoCacTuTVLienTuc->text(),
                 Q("Cho phép gõ các từ tiếng Việt liên tục mà không cần dấu cách / chấm"));
        QCOMPARE(ui.LNA_PAC_DacBiet->text(), Q("Cho gõ những từ sau (phân biệt bằng dấu cách, VD: ah uh ưh)"));
        QCOMPARE(ui.LENA_PAC_DacBiet->toolTip(), Q("Chỉ và Phải gõ nguyên âm và phụ âm cuối\nKhông được gõ dấu thanh"));
        QCOMPARE(ui.CBTuThemDauSac->text(), Q("Tự động thêm dấu Sắc vào những từ có phụ âm cuối là: c ch p t"));
        QCOMPARE(PlainTip(ui.CBTuThemDauSac), Q("gõ viêt -> viết"));
        QCOMPARE(ui.GBSuaLoiChinhTa->title(),
                 Q("Dùng từ điển để các sửa lỗi chính tả: hỏi-ngã, c-t, ch-tr, g-gh, l-r, ng-ngh, s-x n-ng"));
        QCOMPARE(ui.CBSuaLoiChinhTaTuDon->parentWidget(), ui.GBSuaLoiChinhTa);
        QCOMPARE(ui.CBSuaLoiChinhTaTuGhep->parentWidget(), ui.GBSuaLoiChinhTa);
        QCOMPARE(ui.CBSuaLoiChinhTaTuDon->text(), Q("Sửa lỗi chính tả từ đơn. VD: viếc -> viết"));
        QCOMPARE(ui.CBSuaLoiChinhTaTuGhep->text(), Q("Sửa lỗi chính tả từ ghép. VD: trương chình -> chương trình"));
        QCOMPARE(ui.CBSuggestion->text(), Q("Gợi ý từ"));
        QCOMPARE(ui.LPhimTatGoiY->text(), Q("Phím tắt chấp nhận từ gợi ý (Mặc định là phím TAB)"));
        QCOMPARE(ui.LSoLuongTuGoiY->text(), Q("Số lượng từ gợi ý"));
        QCOMPARE(ui.CBSuggestionUIHookUpDownKey->text(), Q("Bắt phím lên xuống khi cửa sổ gợi ý đang hiện\nNếu tắt, "
                                                           "bạn vẫn có thể chọn từ gợi ý bằng phím F1 - F12"));
        QCOMPARE(ui.CBEnableMouseHook->text(), Q("Cho phép theo dõi chuột (khuyên, quan trọng)"));
        QCOMPARE(
            ui.CBPreEditDecorate->text(),
            Q("Hiện gạch chân khi đang PreEdit\nPreEdit là trạng thái gõ chữ trước khi thực sự đưa lên input window"));
        // Each check box sits on its page.
        QCOMPARE(ui.tabWidget->widget(0)->isAncestorOf(ui.CBGoTatPAC), true);
        QCOMPARE(ui.tabWidget->widget(1)->isAncestorOf(ui.LENA_PAC_DacBiet), true);
        QCOMPARE(ui.tabWidget->widget(2)->isAncestorOf(ui.CBSuaLoiChinhTaTuGhep), true);
        QCOMPARE(ui.tabWidget->widget(3)->isAncestorOf(ui.CBBSoLuongTuGoiY), true);
        QCOMPARE(ui.tabWidget->widget(4)->isAncestorOf(ui.CBPreEditDecorate), true);
    }

    void numberListMapsItemsToCounts()
    {
        QCOMPARE(MainWindow::SoLuongTuGoiYToIndex(12), 0);
        QCOMPARE(MainWindow::SoLuongTuGoiYToIndex(24), 1);
        QCOMPARE(MainWindow::SoLuongTuGoiYToIndex(0), 2);
        QCOMPARE(MainWindow::SoLuongTuGoiYToIndex(10), -1);
        QCOMPARE(MainWindow::IndexToSoLuongTuGoiY(0), 12);
        QCOMPARE(MainWindow::IndexToSoLuongTuGoiY(1), 24);
        QCOMPARE(MainWindow::IndexToSoLuongTuGoiY(2), 0);
        QCOMPARE(MainWindow::IndexToSoLuongTuGoiY(-1), -1);

        ProgramFolder f;
        QStringList items;
        {
            MainWindow w;
            for (int i = 0; i < w.ui.CBBSoLuongTuGoiY->count(); ++i) items << w.ui.CBBSoLuongTuGoiY->itemText(i);
        }
        QCOMPARE(items, QStringList({Q("12"), Q("24 (Khuyên)"), Q("Tất cả")}));

        // 0 in the file selects "Tất cả"; choosing "12" and OK stores 12.
        f.Write("LuaChon.ini", Bom("[LuaChon]\nSoLuongTuGoiY=0\n"));
        {
            MainWindow w;
            QCOMPARE(w.ui.CBBSoLuongTuGoiY->currentText(), Q("Tất cả"));
            w.ui.CBBSoLuongTuGoiY->setCurrentIndex(0);
            w.show();
            QTest::mouseClick(w.ui.BOK, Qt::LeftButton);
            QVERIFY(!w.isVisible());
        }
        QCOMPARE(LuaChon::DocFile(SettingUtils::FileLuaChon()).SoLuongTuGoiY, 12);
        {
            MainWindow w;
            QCOMPARE(w.ui.CBBSoLuongTuGoiY->currentIndex(), 0);
        }
        // A count no item stands for: no selection, and Apply keeps it.
        f.Write("LuaChon.ini", Bom("[LuaChon]\nSoLuongTuGoiY=10\n"));
        {
            MainWindow w;
            QCOMPARE(w.ui.CBBSoLuongTuGoiY->currentIndex(), -1);
            w.Apply();
        }
        QCOMPARE(LuaChon::DocFile(SettingUtils::FileLuaChon()).SoLuongTuGoiY, 10);
        {
            MainWindow w;
            w.ui.CBBSoLuongTuGoiY->setCurrentIndex(2);
            w.Apply();
        }
        QCOMPARE(LuaChon::DocFile(SettingUtils::FileLuaChon()).SoLuongTuGoiY, 0);
    }

    void applyWritesEveryKeyThatTheEngineReadsBack()
    {
        ProgramFolder f;
        MainWindow w;
        // Every widget away from its default.
        w.ui.CBBKieuGo->setCurrentIndex(w.ui.CBBKieuGo->findText(Q("VNI")));
        w.ui.CBBBangMa->setCurrentIndex(w.ui.CBBBangMa->findText(Q("VISCII")));
        for (auto& [box, field] : w.CheckBoxes()) box->setChecked(!box->isChecked());
        w.ui.LENA_PAC_DacBiet->setText(Q("ah uh ưh"));
        w.ui.CBBSoLuongTuGoiY->setCurrentIndex(0);
        w.ui.CBBPhimChuyenCheDo->setCurrentIndex(w.ui.CBBPhimChuyenCheDo->findText(Q("Không dùng")));
        w.Apply();

        IniFile::Sections all = IniFile().Read(SettingUtils::FileLuaChon());
        QCOMPARE((int)all.size(), 1);
        const IniFile::Settings& s = all[L"LuaChon"];
        QCOMPARE((int)s.size(), 23);
        for (const LuaChon::Key& k : LuaChon::Keys()) QVERIFY2(s.count(k.Name), qPrintable(ToQ(k.Name)));

        std::map<std::wstring, std::wstring> expected = {
            {L"KieuGo", L"VNI"},
            {L"BangMa", L"VISCII"},
            {L"GoTat", L"0"},
            {L"XuLyHoaThuongKhiGoTat", L"0"},
            {L"GoTatPAD", L"1"},
            {L"GoTatPAC", L"1"},
            {L"BoDauThanhKieu2", L"1"},
            {L"PADTuDo", L"1"},
            {L"UODiKemPAC", L"1"},
            {L"DungTuDienDeKTChinhTa", L"1"},
            {L"KhoiPhucPhimVoiTuSai", L"0"},
            {L"GoCacTuTVLienTuc", L"1"},
            {L"NA_PAC_DacBiet", L"ah uh ưh"},
            {L"Suggestion", L"1"},
            {L"SoLuongTuGoiY", L"12"},
            {L"SuggestionUIHookUpDownKey", L"1"},
            {L"TuThemDauSac", L"1"},
            {L"SuaLoiChinhTaTuDon", L"1"},
            {L"SuaLoiChinhTaTuGhep", L"1"},
            {L"PreEditDecorate", L"1"},
            {L"EnableMouseHook", L"0"},
            {L"PhimChuyenCheDo", L"0"},
            {L"NhoCheDoTheoUngDung", L"0"},
        };
        for (auto& [key, value] : expected) QCOMPARE(ToQ(s.at(key)), ToQ(value));

        // The engine's loader reads every value back as written.
        LuaChon read = LuaChon::DocFile(SettingUtils::FileLuaChon());
        for (auto& [key, value] : read.Ghi()) QCOMPARE(ToQ(value), ToQ(expected[key]));
        QCOMPARE(ToQ(read.KieuGo), Q("VNI"));
        QCOMPARE(read.SoLuongTuGoiY, 12);
        QCOMPARE(read.GoTat, false);
        QCOMPARE(read.SuaLoiChinhTaTuGhep, true);
        // ... and the typing engine takes them over.
        CBoGo boGo;
        read.ApDungBoGo(boGo);
        QCOMPARE(boGo.GoTat, false);
        QCOMPARE(boGo.XuLyHoaThuongKhiGoTat, false);
        QCOMPARE(boGo.BoDauThanhKieu2, true);
        QCOMPARE(boGo.KhoiPhucPhimVoiTuSai, false);
        QCOMPARE(boGo.DungTuDienDeKTChinhTa, true);
        QCOMPARE(boGo.GoCacTuTVLienTuc, true);
        QCOMPARE(boGo.TuThemDauSac, true);
        QCOMPARE(boGo.SuaLoiChinhTaTuDon, true);
        QCOMPARE(boGo.GoTatPADEnabled, true);
        QCOMPARE(boGo.GoTatPACEnabled, true);

        // Reopening shows what was saved.
        MainWindow again;
        QCOMPARE(again.ui.CBBKieuGo->currentText(), Q("VNI"));
        QCOMPARE(again.ui.CBBBangMa->currentText(), Q("VISCII"));
        for (auto& [box, field] : again.CheckBoxes())
            QCOMPARE(box->isChecked(), s.at(box->objectName().mid(2).toStdWString()) == L"1");
        QCOMPARE(again.ui.LENA_PAC_DacBiet->text(), Q("ah uh ưh"));
        QCOMPARE(again.ui.CBBSoLuongTuGoiY->currentIndex(), 0);
    }

    void okWithoutChangesWritesTheDefaultsExactly()
    {
        ProgramFolder f;
        f.Write("LuaChon.ini", Bom("[LuaChon]\nGoTat=0\n"));
        MainWindow w;
        w.show();
        QTest::mouseClick(w.ui.BOK, Qt::LeftButton);
        QCOMPARE(w.result(), (int)QDialog::Accepted);
        QCOMPARE(QByteArray::fromStdString(f.Read("LuaChon.ini")),
                 QByteArray("\xEF\xBB\xBF[LuaChon]\nBangMa=Unicode\nBoDauThanhKieu2=0\nDungTuDienDeKTChinhTa=0\n"
                            "EnableMouseHook=1\nGoCacTuTVLienTuc=0\nGoTat=0\nGoTatPAC=0\nGoTatPAD=0\n"
                            "KhoiPhucPhimVoiTuSai=1\nKieuGo=Telex 2\nNA_PAC_DacBiet=\nNhoCheDoTheoUngDung=1\n"
                            "PADTuDo=0\nPhimChuyenCheDo=393216\nPreEditDecorate=0\n"
                            "SoLuongTuGoiY=24\nSuaLoiChinhTaTuDon=0\nSuaLoiChinhTaTuGhep=0\nSuggestion=0\n"
                            "SuggestionUIHookUpDownKey=0\nTuThemDauSac=0\nUODiKemPAC=0\nXuLyHoaThuongKhiGoTat=1\n\n"));
    }

    void applyKeepsWhatItDoesNotOwn()
    {
        ProgramFolder f;
        f.Write("LuaChon.ini", Bom("[Khac]\nx=1\n[LuaChon]\nKieuGo=VNI\nRieng=abc\n"));
        MainWindow w;
        w.Apply();
        IniFile::Sections all = IniFile().Read(SettingUtils::FileLuaChon());
        QCOMPARE(ToQ(all[L"Khac"][L"x"]), Q("1"));
        QCOMPARE(ToQ(all[L"LuaChon"][L"Rieng"]), Q("abc"));
        QCOMPARE(ToQ(all[L"LuaChon"][L"KieuGo"]), Q("VNI"));
        QCOMPARE((int)all[L"LuaChon"].size(), 24);
    }

    void unknownNamesLeaveTheListsEmptyAndStoreEmptyNames()
    {
        ProgramFolder f;
        f.Write("LuaChon.ini", Bom("[LuaChon]\nKieuGo=Không có\nBangMa=unicode\n"));
        MainWindow w;
        QCOMPARE(w.ui.CBBKieuGo->currentIndex(), -1);
        QCOMPARE(w.ui.CBBBangMa->currentIndex(), -1); // names match exactly
        QVERIFY(w.ui.BKieuGoInfo->toolTip().isEmpty());
        w.Apply();
        LuaChon read = LuaChon::DocFile(SettingUtils::FileLuaChon());
        QCOMPARE(ToQ(read.KieuGo), QString());
        QCOMPARE(ToQ(read.BangMa), QString());
    }

    void cancelWritesNothing()
    {
        ProgramFolder f;
        MainWindow w;
        w.show();
        w.ui.CBGoTat->setChecked(false);
        QTest::mouseClick(w.ui.BCancel, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), (int)QDialog::Rejected);
        QVERIFY(!f.Exists("LuaChon.ini"));
    }

    void unwritableFolderIsReportedAndTheWindowStays()
    {
        ProgramFolder f;
        MainWindow w;
        w.show();
        const std::string config = f.Unwritable();
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        SeenBox seen;
        ModalWatcher watch(ModalWatcher::Accept(seen));
        QTest::mouseClick(w.ui.BOK, Qt::LeftButton);
        setenv("XDG_CONFIG_HOME", (f.Folder() + "/config").c_str(), 1);
        QVERIFY(seen.seen);
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.text, ToQ(L"Không ghi được tập tin \"" + Utils::ToWString(config) + L"/lirano/LuaChon.ini\""));
        QVERIFY(w.isVisible());
    }

    void failedSaveIsReportedAndKeepsTheOldOptions()
    {
        ProgramFolder f;
        const std::string old = Bom("[LuaChon]\nKieuGo=VNI\n");
        f.Write("LuaChon.ini", old);
        // A second name makes the replacement fail (even for root).
        QCOMPARE(link(f.Path("LuaChon.ini").c_str(), f.Path("other").c_str()), 0);
        MainWindow w;
        w.show();
        w.ui.CBGoTat->setChecked(!w.ui.CBGoTat->isChecked());
        SeenBox seen;
        ModalWatcher watch(ModalWatcher::Accept(seen));
        QTest::mouseClick(w.ui.BOK, Qt::LeftButton);
        QVERIFY(seen.seen);
        QCOMPARE(seen.text, ToQ(L"Không ghi được tập tin \"" + f.File("LuaChon.ini") + L"\""));
        QVERIFY(w.isVisible());
        QCOMPARE(f.Read("LuaChon.ini"), old);
    }

    void advancedButtonHidesTheTabsWhoseValuesStillCount()
    {
        ProgramFolder f;
        MainWindow w;
        w.show();
        QVERIFY(w.ui.tabWidget->isVisible());
        w.ui.CBPADTuDo->setChecked(true);
        QTest::mouseClick(w.ui.BAdvanced, Qt::LeftButton);
        QVERIFY(!w.ui.BAdvanced->isChecked());
        QVERIFY(!w.ui.tabWidget->isVisible());
        w.Apply();
        QCOMPARE(LuaChon::DocFile(SettingUtils::FileLuaChon()).PADTuDo, true);
        QTest::mouseClick(w.ui.BAdvanced, Qt::LeftButton);
        QVERIFY(w.ui.tabWidget->isVisible());
    }

    void infoButtonListsTheKeysOfTheChosenMethod()
    {
        ProgramFolder f;
        MainWindow w;
        w.show();
        KieuGoMap telex = KieuGoUtils::LayKieuGo(L"Telex 2");
        QVERIFY(telex.size() > 5);
        std::wstring expected;
        for (auto& [key, fn] : telex) expected += std::wstring(1, key) + L"\t" + fn.ToString() + L"\n";
        QCOMPARE(w.ui.BKieuGoInfo->toolTip(), ToQ(expected));
        QVERIFY(w.ui.BKieuGoInfo->toolTip().contains(Q("s\tDấu sắc\n")));

        w.ui.CBBKieuGo->setCurrentIndex(w.ui.CBBKieuGo->findText(Q("VNI")));
        QVERIFY(w.ui.BKieuGoInfo->toolTip().startsWith(Q("0\tXóa dấu thanh đang có\n1\tDấu sắc\n")));

        SeenBox seen;
        ModalWatcher watch(ModalWatcher::Accept(seen));
        QTest::mouseClick(w.ui.BKieuGoInfo, Qt::LeftButton);
        QVERIFY(seen.seen);
        QCOMPARE(seen.title, Q("VNI"));
        QCOMPARE(seen.text, w.ui.BKieuGoInfo->toolTip());
        QCOMPARE(seen.buttons, 1);
        QCOMPARE(seen.icon, QMessageBox::Information);
    }

    void aboutBoxIsBuiltOnceAndRunsModally()
    {
        ProgramFolder f;
        MainWindow w;
        w.show();
        bool wasModal = false;
        QString version;
        ModalWatcher watch([&](QWidget* m) {
            wasModal = m == w.aw;
            version = w.aw->ui.LVersion->text();
            w.aw->accept();
        });
        QTest::mouseClick(w.ui.BAbout, Qt::LeftButton);
        QVERIFY(wasModal);
        QCOMPARE(version, Q(identity::kVersion));
        AboutWindow* first = w.aw;
        QCOMPARE(first->parentWidget(), &w);
        QCOMPARE(first->windowTitle(), Q("Thông tin"));
        QCOMPARE(first->ui.LTen->text(), Q("Lirano-Ibus"));
        QCOMPARE(first->ui.LBanQuyenTieuDe->text(), Q("Bản quyền"));
        QCOMPARE(first->ui.LTrangWebTieuDe->text(), Q("Trang web"));
        QCOMPARE(first->ui.LDienDanTieuDe->text(), Q("Diễn đàn hỗ trợ"));
        QVERIFY(first->ui.LTrangWeb->openExternalLinks());
        QVERIFY(first->ui.LTrangWeb->text().contains(Q("href=")));
        QVERIFY(first->ui.LDienDan->openExternalLinks());
        QVERIFY(!first->ui.LBanQuyen->text().isEmpty());

        ModalWatcher again([&](QWidget* m) { static_cast<QDialog*>(m)->accept(); });
        QTest::mouseClick(w.ui.BAbout, Qt::LeftButton);
        QVERIFY(again.Done());
        QCOMPARE(w.aw, first);
    }

    void editorsOpenOnceAndAreRefreshedOnReopening()
    {
        ProgramFolder f;
        MainWindow w;
        w.show();
        QTest::mouseClick(w.ui.BKieuGo, Qt::LeftButton);
        QVERIFY(w.kgw);
        QVERIFY(w.kgw->isVisible());
        QVERIFY(!w.kgw->parentWidget());
        QVERIFY(!w.kgw->isModal());
        KieuGoWindow* kgw = w.kgw;
        QCOMPARE(kgw->ui.LW->count(), 0);
        f.Write("KieuGo.ini", Bom("[Mới]\na=DauSac\n"));
        kgw->close();
        QTest::mouseClick(w.ui.BKieuGo, Qt::LeftButton);
        QCOMPARE(w.kgw, kgw);
        QVERIFY(kgw->isVisible());
        QCOMPARE(kgw->ui.LW->count(), 1);
        QCOMPARE(kgw->ui.LW->item(0)->text(), Q("Mới"));

        QTest::mouseClick(w.ui.BGoTat, Qt::LeftButton);
        QVERIFY(w.gtw);
        GoTatWindow* gtw = w.gtw;
        QVERIFY(!gtw->parentWidget());
        QCOMPARE(gtw->ui.treeWidget->topLevelItemCount(), 1);
        f.Write("GoTat.ini", Bom("header\nvn\tViệt Nam\n"));
        QTest::mouseClick(w.ui.BGoTat, Qt::LeftButton);
        QCOMPARE(w.gtw, gtw);
        QCOMPARE(gtw->ui.treeWidget->topLevelItemCount(), 2);
        QCOMPARE(gtw->ui.treeWidget->topLevelItem(0)->text(1), Q("Việt Nam"));
    }
};

LIRANO_QT_TEST(MainWindowTest, "MainWindow");
#include "TestMainWindow.moc"

#include "qt/MainWindow.h"

#include <QComboBox>
#include <QMessageBox>
#include <QTableWidgetItem>

#include "core/BangMaUtils.h"
#include "core/IniFile.h"
#include "core/KieuGoUtils.h"
#include "core/SettingUtils.h"
#include "core/Utils.h"
#include "engine/HotKey.h"
#include "qt/AboutWindow.h"
#include "qt/GoTatWindow.h"
#include "qt/KieuGoWindow.h"
#include "qt/QtText.h"

MainWindow::MainWindow(QWidget* parent) : QDialog(parent)
{
    LiranoUi::InitResources();
    ui.setupUi(this);

    connect(ui.BCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui.BAbout, &QPushButton::clicked, this, &MainWindow::ShowAbout);
    connect(ui.BOK, &QPushButton::clicked, this, &MainWindow::OK);
    connect(ui.BAdvanced, &QPushButton::toggled, ui.tabWidget, &QWidget::setVisible);
    connect(ui.BGoTat, &QPushButton::clicked, this, &MainWindow::ShowGoTatWindow);
    connect(ui.CBBKieuGo, &QComboBox::currentTextChanged, this, &MainWindow::CBBKieuGo_CurrentIndexChanged);
    connect(ui.BKieuGoInfo, &QPushButton::clicked, this, &MainWindow::BKieuGoInfo_Clicked);
    connect(ui.BThemUngDung, &QPushButton::clicked, this, &MainWindow::AddApp);
    connect(ui.LEUngDung, &QLineEdit::returnPressed, this, &MainWindow::AddApp);
    connect(ui.BQuenUngDung, &QPushButton::clicked, this, &MainWindow::ForgetApp);
    for (const auto& [text, packed] : ModeChords()) ui.CBBPhimChuyenCheDo->addItem(text, packed);

    for (const std::wstring& name : KieuGoUtils::LayTenTatCaKieuGo()) ui.CBBKieuGo->addItem(ToQ(name));
    for (const std::wstring& name : BangMaUtils::LayTenTatCaBangMa()) ui.CBBBangMa->addItem(ToQ(name));

    // The engine's own loader: what it would apply is what the window shows.
    LuaChon o = LuaChon::DocFile(SettingUtils::FileLuaChon());
    ui.CBBKieuGo->setCurrentIndex(ui.CBBKieuGo->findText(ToQ(o.KieuGo), Qt::MatchExactly | Qt::MatchCaseSensitive));
    ui.CBBBangMa->setCurrentIndex(ui.CBBBangMa->findText(ToQ(o.BangMa), Qt::MatchExactly | Qt::MatchCaseSensitive));
    for (auto& [box, field] : CheckBoxes()) box->setChecked(o.*field);
    ui.LENA_PAC_DacBiet->setText(ToQ(o.NA_PAC_DacBiet));
    soLuongTuGoiYDaDoc_ = o.SoLuongTuGoiY;
    ui.CBBSoLuongTuGoiY->setCurrentIndex(SoLuongTuGoiYToIndex(o.SoLuongTuGoiY));
    CBBKieuGo_CurrentIndexChanged(ui.CBBKieuGo->currentText());
    phimChuyenCheDoDaDoc_ = o.PhimChuyenCheDo;
    ui.CBBPhimChuyenCheDo->setCurrentIndex(ui.CBBPhimChuyenCheDo->findData(o.PhimChuyenCheDo));

    // What can be read of the list is shown; the rest is said.
    CAppModes apps;
    std::string problem;
    const bool readWhole = apps.Read(CAppModes::File(), problem);
    ui.LUngDungLoi->setText(readWhole
                                ? QString()
                                : QStringLiteral("Tập tin \"%1\" đọc không hết (%2): chỉ hiện những dòng đọc được")
                                      .arg(ToQ(CAppModes::File()), QString::fromStdString(problem)));
    ui.LUngDungLoi->setVisible(!readWhole);
    ui.TWUngDung->setRowCount((int)apps.Entries.size());
    for (int i = 0; i < (int)apps.Entries.size(); ++i) ShowApp(i, apps.Entries[i]);

    ui.tabWidget->setCurrentIndex(0);
    ui.BAdvanced->setChecked(true);
}

MainWindow::~MainWindow()
{
    // The two editors are top-level windows of their own.
    delete gtw;
    delete kgw;
}

int MainWindow::SoLuongTuGoiYToIndex(int n)
{
    switch (n) {
    case 12: return 0;
    case 24: return 1;
    case 0: return 2;
    default: return -1;
    }
}

int MainWindow::IndexToSoLuongTuGoiY(int index)
{
    static const int counts[] = {12, 24, 0};
    return index >= 0 && index < 3 ? counts[index] : -1;
}

std::vector<std::pair<QCheckBox*, bool LuaChon::*>> MainWindow::CheckBoxes() const
{
    return {
        {ui.CBGoTat, &LuaChon::GoTat},
        {ui.CBXuLyHoaThuongKhiGoTat, &LuaChon::XuLyHoaThuongKhiGoTat},
        {ui.CBGoTatPAD, &LuaChon::GoTatPAD},
        {ui.CBGoTatPAC, &LuaChon::GoTatPAC},
        {ui.CBBoDauThanhKieu2, &LuaChon::BoDauThanhKieu2},
        {ui.CBPADTuDo, &LuaChon::PADTuDo},
        {ui.CBUODiKemPAC, &LuaChon::UODiKemPAC},
        {ui.CBDungTuDienDeKTChinhTa, &LuaChon::DungTuDienDeKTChinhTa},
        {ui.CBKhoiPhucPhimVoiTuSai, &LuaChon::KhoiPhucPhimVoiTuSai},
        {ui.CBGoCacTuTVLienTuc, &LuaChon::GoCacTuTVLienTuc},
        {ui.CBSuggestion, &LuaChon::Suggestion},
        {ui.CBSuggestionUIHookUpDownKey, &LuaChon::SuggestionUIHookUpDownKey},
        {ui.CBTuThemDauSac, &LuaChon::TuThemDauSac},
        {ui.CBSuaLoiChinhTaTuDon, &LuaChon::SuaLoiChinhTaTuDon},
        {ui.CBSuaLoiChinhTaTuGhep, &LuaChon::SuaLoiChinhTaTuGhep},
        {ui.CBPreEditDecorate, &LuaChon::PreEditDecorate},
        {ui.CBEnableMouseHook, &LuaChon::EnableMouseHook},
        {ui.CBNhoCheDoTheoUngDung, &LuaChon::NhoCheDoTheoUngDung},
    };
}

const std::vector<std::pair<QString, int>>& MainWindow::ModeChords()
{
    static const std::vector<std::pair<QString, int>> chords = {
        {QStringLiteral("Ctrl+Shift"), CHotKey(MOD_CONTROL | MOD_SHIFT, 0).ToInteger()},
        {QStringLiteral("Alt+Shift"), CHotKey(MOD_ALT | MOD_SHIFT, 0).ToInteger()},
        {QStringLiteral("Ctrl+Win"), CHotKey(MOD_CONTROL | MOD_WIN, 0).ToInteger()},
        {QStringLiteral("Không dùng"), 0},
    };
    return chords;
}

void MainWindow::ShowApp(int row, const CAppModes::Entry& entry)
{
    ui.TWUngDung->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(entry.App)));
    auto* mode = new QComboBox(ui.TWUngDung);
    mode->addItems({QStringLiteral("Tiếng Việt"), QStringLiteral("English")});
    mode->setCurrentIndex(entry.English ? 1 : 0);
    connect(mode, &QComboBox::currentIndexChanged, this, [this] { appModesEdited_ = true; });
    ui.TWUngDung->setCellWidget(row, 1, mode);
}

CAppModes MainWindow::AppModes() const
{
    CAppModes apps;
    for (int i = 0; i < ui.TWUngDung->rowCount(); ++i) {
        auto* mode = qobject_cast<QComboBox*>(ui.TWUngDung->cellWidget(i, 1));
        apps.Entries.push_back({ui.TWUngDung->item(i, 0)->text().toStdString(), mode && mode->currentIndex() == 1});
    }
    return apps;
}

void MainWindow::AddApp()
{
    const std::string name = ui.LEUngDung->text().trimmed().toStdString();
    if (!CAppModes::ValidName(name)) {
        LiranoUi::Warning(this,
                          QStringLiteral("Tên chương trình không dùng được: không để trống, không có =, [ hay ]"));
        return;
    }
    // Already there: shown, not doubled.
    for (int i = 0; i < ui.TWUngDung->rowCount(); ++i)
        if (ui.TWUngDung->item(i, 0)->text().toStdString() == name) {
            ui.TWUngDung->selectRow(i);
            return;
        }
    // The usual wish is English in a program: the new row says so.
    ui.TWUngDung->insertRow(0);
    ShowApp(0, {name, true});
    ui.TWUngDung->selectRow(0);
    ui.LEUngDung->clear();
    appModesEdited_ = true;
}

void MainWindow::ForgetApp()
{
    const int row = ui.TWUngDung->currentRow();
    if (row < 0) return;
    ui.TWUngDung->removeRow(row);
    appModesEdited_ = true;
}

LuaChon MainWindow::Options() const
{
    LuaChon o;
    // A list without selection stores an empty name.
    o.KieuGo = FromQ(ui.CBBKieuGo->currentText());
    o.BangMa = FromQ(ui.CBBBangMa->currentText());
    for (auto& [box, field] : CheckBoxes()) o.*field = box->isChecked();
    o.NA_PAC_DacBiet = FromQ(ui.LENA_PAC_DacBiet->text());
    int n = IndexToSoLuongTuGoiY(ui.CBBSoLuongTuGoiY->currentIndex());
    o.SoLuongTuGoiY = n >= 0 ? n : soLuongTuGoiYDaDoc_;
    o.PhimChuyenCheDo = ui.CBBPhimChuyenCheDo->currentIndex() >= 0 ? ui.CBBPhimChuyenCheDo->currentData().toInt()
                                                                   : phimChuyenCheDoDaDoc_;
    return o;
}

void MainWindow::Apply()
{
    lastApplyWrote_ = false;
    const std::wstring read = SettingUtils::FileLuaChon();
    const std::wstring file = SettingUtils::ForWriting(read);
    // Every key is written; sections and keys this window does not know
    // are kept, as the engine keeps them when it saves.
    IniFile ini;
    IniFile::Sections sections;
    if (Utils::FileExists(read)) sections = ini.Read(read);
    IniFile::Settings& s = sections[LuaChon::Section];
    for (auto& [key, value] : Options().Ghi()) s[key] = value;
    if (!ini.Write(file, sections)) {
        LiranoUi::Warning(this, LiranoUi::CannotWriteMessage(file));
        return;
    }
    if (appModesEdited_) {
        const std::wstring apps = SettingUtils::ForWriting(CAppModes::File());
        std::string error;
        if (!AppModes().Write(apps, error)) {
            LiranoUi::Warning(this, LiranoUi::CannotWriteMessage(apps));
            return;
        }
        appModesEdited_ = false;
    }
    lastApplyWrote_ = true;
}

void MainWindow::OK()
{
    Apply();
    if (lastApplyWrote_) accept();
}

void MainWindow::on_BKieuGo_clicked()
{
    if (kgw)
        kgw->Refresh();
    else
        kgw = new KieuGoWindow();
    kgw->show();
    kgw->raise();
    kgw->activateWindow();
}

void MainWindow::ShowGoTatWindow()
{
    if (gtw)
        gtw->Refresh();
    else
        gtw = new GoTatWindow();
    gtw->show();
    gtw->raise();
    gtw->activateWindow();
}

void MainWindow::ShowAbout()
{
    if (!aw) aw = new AboutWindow(this);
    aw->exec();
}

void MainWindow::CBBKieuGo_CurrentIndexChanged(const QString& text)
{
    std::wstring tip;
    for (const auto& [key, f] : KieuGoUtils::LayKieuGo(FromQ(text)))
        tip += std::wstring(1, key) + L"\t" + f.ToString() + L"\n";
    ui.BKieuGoInfo->setToolTip(ToQ(tip));
}

void MainWindow::BKieuGoInfo_Clicked()
{
    QMessageBox box(QMessageBox::Information, ui.CBBKieuGo->currentText(), ui.BKieuGoInfo->toolTip(), QMessageBox::Ok,
                    this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

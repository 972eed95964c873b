#include "qt/ChuyenMaWindow.h"

#include <algorithm>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <initializer_list>
#include <locale>
#include <sstream>

#include <QClipboard>
#include <QEvent>
#include <QFileDialog>
#include <QGuiApplication>

#include "core/BangMaUtils.h"
#include "core/IniFile.h"
#include "core/SettingUtils.h"
#include "core/Utils.h"
#include "qt/QtText.h"

namespace {

int FindExact(QComboBox* box, const QString& text)
{
    return box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

} // namespace

ChuyenMaWindow::ChuyenMaWindow(QWidget* parent) : QDialog(parent)
{
    LiranoUi::InitResources();
    ui.setupUi(this);
    connect(ui.CBClipboard, &QCheckBox::toggled, ui.GBFile, [this](bool on) { ui.GBFile->setEnabled(!on); });
    ui.WTienTrinh->hide();
    for (const std::wstring& name : BangMaUtils::LayTenTatCaBangMa()) {
        ui.CBBBangMaNguon->addItem(ToQ(name));
        ui.CBBBangMaDich->addItem(ToQ(name));
    }
    Load();
}

std::wstring ChuyenMaWindow::GhiTiLe(int percent)
{
    std::wostringstream os;
    os.imbue(std::locale::classic());
    os << percent / 100.0;
    return os.str();
}

int ChuyenMaWindow::DocTiLe(const std::wstring& text)
{
    // The program runs in the desktop's locale, whose decimal mark may be a
    // comma: read the number in the C locale's form, as it is written.
    static locale_t c = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    std::string narrow = Utils::ToString(text);
    char* end = nullptr;
    double v = c ? strtod_l(narrow.c_str(), &end, c) : std::strtod(narrow.c_str(), &end);
    if (end == narrow.c_str() || std::isnan(v)) return 0;
    v *= 100;
    if (v <= 0) return 0;
    if (v >= 100) return 100;
    return (int)std::lround(v);
}

void ChuyenMaWindow::Load()
{
    IniFile::Settings s;
    std::wstring file = SettingUtils::FileChuyenMa();
    if (Utils::FileExists(file)) {
        IniFile::Sections all = IniFile().Read(file);
        auto it = all.find(Section);
        if (it != all.end()) s = it->second;
    }
    ui.CBBBangMaNguon->setCurrentIndex(
        FindExact(ui.CBBBangMaNguon, ToQ(IniFile::ReadString(s, L"BangMaNguon", BangMaUtils::Unicode))));
    ui.CBBBangMaDich->setCurrentIndex(
        FindExact(ui.CBBBangMaDich, ToQ(IniFile::ReadString(s, L"BangMaDich", BangMaUtils::Unicode))));
    int flags = IniFile::ReadInt(s, L"Flags", 0);
    ui.CBToLower->setChecked(flags & ChuyenMaFlags_ToLower);
    ui.CBToUpper->setChecked(flags & ChuyenMaFlags_ToUpper);
    ui.CBXoaDau->setChecked(flags & ChuyenMaFlags_XoaDau);
    ui.CBAutoDetect->setChecked(IniFile::ReadBool(s, L"AutoDetect", false));
    ui.CBClipboard->setChecked(IniFile::ReadBool(s, L"Clipboard", true));
    ui.GBFile->setEnabled(!ui.CBClipboard->isChecked());
    ui.SBTiLeChinhXac->setValue(DocTiLe(IniFile::ReadString(s, L"TiLeChinhXac", L"0.7")));
    ui.LEFileNguon->setText(ToQ(IniFile::ReadString(s, L"FileNguon", L"")));
    ui.LEFileDich->setText(ToQ(IniFile::ReadString(s, L"FileDich", L"")));
}

void ChuyenMaWindow::Save()
{
    CM.BangMaNguon = FromQ(ui.CBBBangMaNguon->currentText());
    CM.BangMaDich = FromQ(ui.CBBBangMaDich->currentText());
    CM.AutoDetect = ui.CBAutoDetect->isChecked();
    CM.TiLeChinhXac = ui.SBTiLeChinhXac->value() / 100.0;
    ChuyenMaFlags flags = ChuyenMaFlags_Normal;
    if (ui.CBToLower->isChecked()) flags |= ChuyenMaFlags_ToLower;
    if (ui.CBToUpper->isChecked()) flags |= ChuyenMaFlags_ToUpper;
    if (ui.CBXoaDau->isChecked()) flags |= ChuyenMaFlags_XoaDau;
    CM.Flags = flags;
    CM.Clipboard = ui.CBClipboard->isChecked();
    CM.FileNguon = FromQ(ui.LEFileNguon->text());
    CM.FileDich = FromQ(ui.LEFileDich->text());

    IniFile::Settings s;
    s[L"BangMaNguon"] = CM.BangMaNguon;
    s[L"BangMaDich"] = CM.BangMaDich;
    s[L"AutoDetect"] = CM.AutoDetect ? L"1" : L"0";
    s[L"TiLeChinhXac"] = GhiTiLe(ui.SBTiLeChinhXac->value());
    s[L"Flags"] = Utils::ToWString((unsigned)flags);
    s[L"Clipboard"] = CM.Clipboard ? L"1" : L"0";
    s[L"FileNguon"] = CM.FileNguon;
    s[L"FileDich"] = CM.FileDich;
    // The choices are a convenience: a folder that cannot be written must
    // not stop the conversion, nor interrupt it with a message.
    IniFile().Write(SettingUtils::ForWriting(L"ChuyenMa.ini"), {{Section, s}});
}

void ChuyenMaWindow::on_BSwap_clicked()
{
    int nguon = ui.CBBBangMaNguon->currentIndex();
    ui.CBBBangMaNguon->setCurrentIndex(ui.CBBBangMaDich->currentIndex());
    ui.CBBBangMaDich->setCurrentIndex(nguon);
}

void ChuyenMaWindow::on_BFileNguon_clicked()
{
    QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Chọn tập tin nguồn"), ui.LEFileNguon->text());
    if (!path.isEmpty()) ui.LEFileNguon->setText(path);
}

void ChuyenMaWindow::on_BFileDich_clicked()
{
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Chọn tập tin đích"), ui.LEFileDich->text());
    if (!path.isEmpty()) ui.LEFileDich->setText(path);
}

void ChuyenMaWindow::on_BDetect_clicked()
{
    Save();
    std::wstring text = FromQ(QGuiApplication::clipboard()->text(QClipboard::Clipboard));
    ui.CBBBangMaNguon->setCurrentIndex(FindExact(ui.CBBBangMaNguon, ToQ(CM.DetectBangMa(text))));
}

void ChuyenMaWindow::on_BChuyenMa_clicked()
{
    if (job_) return;
    Save();
    if (!CM.Clipboard) {
        job_ = new ChuyenMaFileJob(CM, CM.FileNguon, CM.FileDich, this);
        connect(job_, &ChuyenMaFileJob::Progress, this, &ChuyenMaWindow::ShowProgress);
        connect(job_, &ChuyenMaFileJob::Finished, this, &ChuyenMaWindow::FileDone);
        SetConverting(true);
        job_->Start();
        return;
    }
    // The clipboard's text is in memory: converted at once.
    try {
        CM.ChuyenMaClipboard();
        LiranoUi::Information(this, QStringLiteral("Chuyển mã thành công"));
    } catch (const std::wstring& message) {
        LiranoUi::Warning(this, ToQ(message));
    } catch (const std::exception& e) {
        LiranoUi::Warning(this, QString::fromLocal8Bit(e.what()));
    }
}

void ChuyenMaWindow::on_BHuy_clicked()
{
    if (job_) job_->Cancel();
    ui.BHuy->setEnabled(false);
}

void ChuyenMaWindow::SetConverting(bool on)
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui.GBBangMa, ui.GBAutoDetect, ui.GBLuaChon, ui.CBClipboard, ui.BChuyenMa})
        w->setEnabled(!on);
    ui.GBFile->setEnabled(!on && !ui.CBClipboard->isChecked());
    ui.BHuy->setEnabled(on);
    ui.WTienTrinh->setVisible(on);
    // Busy until the size is known.
    if (on) ui.PBTienTrinh->setRange(0, 0);
}

void ChuyenMaWindow::ShowProgress(qint64 done, qint64 total)
{
    if (total <= 0) {
        ui.PBTienTrinh->setRange(0, 0);
        return;
    }
    // In bytes while the size fits the bar's int, in larger units beyond.
    int shift = 0;
    while ((total >> shift) > INT_MAX) ++shift;
    ui.PBTienTrinh->setRange(0, (int)(total >> shift));
    ui.PBTienTrinh->setValue((int)(std::min(done, total) >> shift));
}

void ChuyenMaWindow::FileDone(ChuyenMaFileJob::Outcome outcome, const QString& message)
{
    if (!job_) return;
    // Detection named the file's charset in the converter, not in the list.
    CM.BangMaNguon = job_->Converter().BangMaNguon;
    // Its signal is still on the stack.
    job_->deleteLater();
    job_ = nullptr;
    ui.BHuy->setEnabled(false);
    if (outcome == ChuyenMaFileJob::Outcome::Done) {
        // An empty source reported nothing.
        if (ui.PBTienTrinh->maximum() == 0) ui.PBTienTrinh->setRange(0, 1);
        ui.PBTienTrinh->setValue(ui.PBTienTrinh->maximum());
        LiranoUi::Information(this, QStringLiteral("Chuyển mã thành công"));
    } else if (outcome == ChuyenMaFileJob::Outcome::Failed) {
        LiranoUi::Warning(this, message);
    }
    SetConverting(false);
}

void ChuyenMaWindow::done(int result)
{
    if (job_) {
        job_->Stop();
        job_->deleteLater();
        job_ = nullptr;
        SetConverting(false);
    }
    QDialog::done(result);
}

void ChuyenMaWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) ui.retranslateUi(this);
    QDialog::changeEvent(event);
}

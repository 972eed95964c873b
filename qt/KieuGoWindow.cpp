#include "qt/KieuGoWindow.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "core/Enums.h"
#include "core/IniFile.h"
#include "core/SettingUtils.h"
#include "core/Utils.h"
#include "qt/QtText.h"

const QString KieuGoWindow::NewName = QStringLiteral("Tên kiểu gõ");

namespace {

// A method entry: its name is the entry's text, its keys live here.
class KieuGoEntry : public QListWidgetItem {
public:
    KieuGoEntry(const QString& name, KieuGoMap table)
        : QListWidgetItem(name, nullptr, UserType), Table(std::move(table))
    {
        setFlags(flags() | Qt::ItemIsEditable);
    }
    KieuGoMap Table;
};

// A row of the key list and the function it stands for.
class KeyRow : public QTreeWidgetItem {
public:
    explicit KeyRow(const ChucNangPhim& f) : QTreeWidgetItem(UserType), Function(f) {}
    ChucNangPhim Function;
};

QString KeyText(wchar_t key) { return ToQ(std::wstring(1, key)); }

// What the key field may hold: one lower-case character that the typing
// method file can store. The file trims spaces and reads '=' and ';' as
// syntax, and the engine looks keys up by their lower-case form.
QString NormalKey(const QString& text)
{
    std::wstring out;
    for (wchar_t c : FromQ(text)) {
        if (c == L' ' || c == L'=' || c == L';' || c == L'\t') continue;
        out += Utils::ToLower(c);
    }
    return ToQ(out);
}

} // namespace

KieuGoWindow::KieuGoWindow(QWidget* parent) : QDialog(parent)
{
    LiranoUi::InitResources();
    ui.setupUi(this);
    ui.buttonBox->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Đồng ý"));
    ui.buttonBox->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Hủy bỏ"));
    ui.TW->setSelectionMode(QAbstractItemView::SingleSelection);
    ui.LW->setSelectionMode(QAbstractItemView::SingleSelection);

    for (const std::wstring& name : KieuGoUtils::LayTenTatCaKieuGo()) ui.CBBKieuGo->addItem(ToQ(name));
    // Item index = ChucNangPhimCoBan value.
    for (const std::wstring& text : KieuGoUtils::GetMoTaChucNangPhim()) ui.CBBChucNang->addItem(ToQ(text));
    // ';' starts a comment in the file: a text holding it would come back cut.
    ui.LETinhNangTaoChu->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^;]*")), ui.LETinhNangTaoChu));

    ui.LEPhim->installEventFilter(this);
    ui.LETinhNangTaoChu->installEventFilter(this);
    ui.CBBChucNang->installEventFilter(this);
    Refresh();
}

KieuGoMap* KieuGoWindow::TableOf(QListWidgetItem* entry)
{
    auto* e = dynamic_cast<KieuGoEntry*>(entry);
    return e ? &e->Table : nullptr;
}

ChucNangPhim* KieuGoWindow::FunctionOf(QTreeWidgetItem* row)
{
    auto* r = dynamic_cast<KeyRow*>(row);
    return r ? &r->Function : nullptr;
}

bool KieuGoWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui.LEPhim && event->type() == QEvent::KeyPress) {
        // The key typed replaces the one shown. Keys that type nothing
        // (Tab, arrows, Backspace, shortcuts) leave the field alone.
        QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty() && text.at(0).isPrint()) ui.LEPhim->clear();
    } else if (event->type() == QEvent::FocusIn) {
        if (watched == ui.LETinhNangTaoChu) ui.RBTinhNangTaoChu->setChecked(true);
        if (watched == ui.CBBChucNang) ui.RBTinhNangCoBan->setChecked(true);
    }
    return QDialog::eventFilter(watched, event);
}

void KieuGoWindow::Refresh()
{
    // Leave the current entry first, so that no signal names an entry
    // that is being deleted.
    ui.LW->setCurrentItem(nullptr);
    ui.LW->clear();
    // From the user's file itself: looking the name up would give the
    // built-in method of the same name, and OK would then overwrite the
    // user's keys with it.
    for (const std::wstring& name : KieuGoUtils::LayTenCacKieuGoTuDinhNghia())
        ui.LW->addItem(new KieuGoEntry(ToQ(name), KieuGoUtils::LayKieuGoFromFile(KieuGoUtils::FileTuDinhNghia, name)));
    ui.LW->setCurrentItem(nullptr);
    ui.groupBox->setEnabled(false);
    ui.TW->clear();
}

QTreeWidgetItem* KieuGoWindow::AddRow(const QString& key, const ChucNangPhim& f)
{
    auto* row = new KeyRow(f);
    row->setText(0, key);
    row->setText(1, ToQ(f.ToString()));
    ui.TW->addTopLevelItem(row);
    return row;
}

void KieuGoWindow::SetRow(QTreeWidgetItem* row, const QString& key, const ChucNangPhim& f)
{
    if (ChucNangPhim* own = FunctionOf(row)) *own = f;
    row->setText(0, key);
    row->setText(1, ToQ(f.ToString()));
}

QTreeWidgetItem* KieuGoWindow::FindRow(const QString& key) const
{
    for (int i = 0; i < ui.TW->topLevelItemCount(); ++i)
        if (ui.TW->topLevelItem(i)->text(0) == key) return ui.TW->topLevelItem(i);
    return nullptr;
}

void KieuGoWindow::UpdateButtons()
{
    QString key = ui.LEPhim->text();
    ui.BAdd->setEnabled(!key.isEmpty() && !FindRow(key));
    ui.BReplace->setEnabled(!key.isEmpty() && ui.TW->selectedItems().size() == 1);
}

void KieuGoWindow::LoadKieuGo(const KieuGoMap& table)
{
    for (const auto& [key, f] : table)
        if (key != 0) AddRow(KeyText(key), f); // an empty name in the file gives key 0, which no key types
    QString key = ui.LEPhim->text();
    ui.BAdd->setEnabled(!key.isEmpty() && !FindRow(key));
    ui.BReplace->setEnabled(false);
}

void KieuGoWindow::SaveLWIKieuGo(QListWidgetItem* entry)
{
    KieuGoMap* table = TableOf(entry);
    if (!table) return;
    table->clear();
    for (int i = 0; i < ui.TW->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = ui.TW->topLevelItem(i);
        std::wstring key = FromQ(row->text(0));
        ChucNangPhim* f = FunctionOf(row);
        if (key.empty() || !f) continue;
        table->emplace(key[0], *f); // the upper of two rows with one key wins
    }
}

std::optional<ChucNangPhim> KieuGoWindow::LayChucNangPhim() const
{
    if (ui.RBTinhNangCoBan->isChecked()) {
        int i = ui.CBBChucNang->currentIndex();
        if (i < 0 || i >= Enums::ChucNangPhimCoBan_Count) return std::nullopt;
        return ChucNangPhim((Enums::ChucNangPhimCoBan)i);
    }
    // The file trims spaces around a value and cuts it at ';'; store what
    // will come back.
    QString text = ui.LETinhNangTaoChu->text();
    while (text.startsWith(QLatin1Char(' '))) text.remove(0, 1);
    while (text.endsWith(QLatin1Char(' '))) text.chop(1);
    if (text.isEmpty() || text.contains(QLatin1Char(';'))) return std::nullopt;
    // "[" followed by "]" on a line would read as a section header.
    if (ui.LEPhim->text() == QLatin1String("[") && text.contains(QLatin1Char(']'))) return std::nullopt;
    return ChucNangPhim(FromQ(text));
}

void KieuGoWindow::on_BKieuGoAdd_clicked()
{
    auto* entry = new KieuGoEntry(NewName, KieuGoMap());
    ui.LW->addItem(entry);
    ui.LW->setCurrentItem(entry);
    ui.LW->editItem(entry);
}

void KieuGoWindow::on_BKieuGoRemove_clicked()
{
    QListWidgetItem* entry = ui.LW->currentItem();
    if (!entry) return;
    // takeItem moves the current entry on while this one still lives.
    delete ui.LW->takeItem(ui.LW->row(entry));
}

void KieuGoWindow::on_LW_currentItemChanged(QListWidgetItem* current, QListWidgetItem* previous)
{
    if (previous) SaveLWIKieuGo(previous);
    ui.groupBox->setEnabled(current != nullptr);
    ui.TW->clear();
    if (KieuGoMap* table = TableOf(current)) LoadKieuGo(*table);
}

void KieuGoWindow::on_LW_itemChanged(QListWidgetItem* entry)
{
    // A name is a section header in the file: "]" would end it early and a
    // line break would split it; an empty name would show as nothing.
    QString name = entry->text();
    QString clean = name;
    clean.remove(QLatin1Char(']'))
        .replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '));
    if (clean.trimmed().isEmpty()) clean = NewName;
    if (clean != name) entry->setText(clean);
}

void KieuGoWindow::on_LEPhim_textChanged(const QString& text)
{
    ui.TW->clearSelection();
    QString key = NormalKey(text);
    if (key != text) {
        ui.LEPhim->setText(key); // comes back here with the clean key
        return;
    }
    if (key.isEmpty()) {
        ui.BAdd->setEnabled(false);
        ui.BReplace->setEnabled(false);
        return;
    }
    if (QTreeWidgetItem* row = FindRow(key)) {
        ui.TW->setCurrentItem(row);
        row->setSelected(true);
        ui.BAdd->setEnabled(false);
    } else {
        ui.BAdd->setEnabled(true);
    }
    ui.BReplace->setEnabled(ui.TW->selectedItems().size() == 1);
}

void KieuGoWindow::on_TW_currentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem*)
{
    if (current) {
        if (ChucNangPhim* f = FunctionOf(current)) {
            if (f->UseStringValue) {
                ui.RBTinhNangTaoChu->setChecked(true);
                ui.LETinhNangTaoChu->setText(ToQ(f->StringValue));
            } else {
                ui.RBTinhNangCoBan->setChecked(true);
                ui.CBBChucNang->setCurrentIndex(f->ChucNangCoBan);
            }
        }
        ui.LEPhim->setText(current->text(0));
        ui.BAdd->setEnabled(false);
        ui.BReplace->setEnabled(true);
    } else {
        UpdateButtons();
    }
    ui.LEPhim->setFocus();
}

void KieuGoWindow::on_BAdd_clicked()
{
    std::optional<ChucNangPhim> f = LayChucNangPhim();
    QString key = ui.LEPhim->text();
    if (!f || key.isEmpty()) return;
    ui.TW->clearSelection();
    QTreeWidgetItem* row = AddRow(key, *f);
    ui.TW->setCurrentItem(row);
    row->setSelected(true);
    ui.BAdd->setEnabled(false);
}

void KieuGoWindow::on_BReplace_clicked()
{
    std::optional<ChucNangPhim> f = LayChucNangPhim();
    QString key = ui.LEPhim->text();
    QList<QTreeWidgetItem*> selected = ui.TW->selectedItems();
    if (!f || key.isEmpty() || selected.isEmpty()) return;
    SetRow(selected.first(), key, *f);
    ui.BAdd->setEnabled(false);
}

void KieuGoWindow::on_BRemove_clicked()
{
    delete ui.TW->currentItem();
    // The key field may now name a key the list still has (the next row
    // became current): Add stays off then, so no key is listed twice.
    UpdateButtons();
}

void KieuGoWindow::on_BClear_clicked()
{
    ui.TW->clear();
    UpdateButtons();
}

void KieuGoWindow::on_BNapKieuGo_clicked()
{
    KieuGoMap table = KieuGoUtils::LayKieuGoCoSan(FromQ(ui.CBBKieuGo->currentText()));
    for (int i = 0; i < ui.TW->topLevelItemCount(); ++i) {
        std::wstring key = FromQ(ui.TW->topLevelItem(i)->text(0));
        if (!key.empty()) table.erase(key[0]);
    }
    LoadKieuGo(table);
}

void KieuGoWindow::accept()
{
    // The key list shows the current entry's keys.
    if (QListWidgetItem* current = ui.LW->currentItem()) SaveLWIKieuGo(current);

    IniFile::Sections sections;
    for (int i = 0; i < ui.LW->count(); ++i) {
        QListWidgetItem* entry = ui.LW->item(i);
        const KieuGoMap* table = TableOf(entry);
        if (!table) continue;
        IniFile::Settings settings;
        for (const auto& [key, f] : *table) {
            if (f.UseStringValue)
                settings[std::wstring(1, key)] = f.StringValue;
            else if (f.ChucNangCoBan >= 0 && f.ChucNangCoBan < Enums::ChucNangPhimCoBan_Count)
                settings[std::wstring(1, key)] = Enums::TenCacChucNangPhimCoBan[f.ChucNangCoBan];
        }
        sections.emplace(FromQ(entry->text()), std::move(settings)); // the first of two names wins
    }

    const std::wstring file = SettingUtils::ForWriting(L"KieuGo.ini");
    if (!KieuGoUtils::IF.Write(file, sections)) {
        LiranoUi::Warning(this, LiranoUi::CannotWriteMessage(file));
        return;
    }
    // From now on the user's copy is the one to read.
    KieuGoUtils::FileTuDinhNghia = file;
    QDialog::accept();
}

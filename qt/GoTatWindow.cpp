#include "qt/GoTatWindow.h"

#include <string>
#include <vector>

#include "core/SettingUtils.h"
#include "core/Utils.h"
#include "qt/QtText.h"

const wchar_t* const GoTatWindow::Header =
    L"Đừng xóa dòng này ! Dùng ký tự TAB để phân cách . Thông tin ở đây được lưu ở dạng UTF-8 .\n";
const QString GoTatWindow::Placeholder = QStringLiteral("...");

GoTatWindow::GoTatWindow(QWidget* parent) : QDialog(parent)
{
    LiranoUi::InitResources();
    ui.setupUi(this);
    connect(ui.BRemove, &QPushButton::clicked, this, &GoTatWindow::DeleteSelectedItem);
    connect(ui.BOK, &QPushButton::clicked, this, &GoTatWindow::OK);
    connect(ui.BCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui.treeWidget, &QTreeWidget::itemChanged, this, &GoTatWindow::OnItemChanged);
    Refresh();
}

QTreeWidgetItem* GoTatWindow::AddItem(const QString& abbreviation, const QString& expansion)
{
    auto* item = new QTreeWidgetItem(QStringList{abbreviation, expansion});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    ui.treeWidget->addTopLevelItem(item);
    return item;
}

void GoTatWindow::AddNewItem() { AddItem(Placeholder, Placeholder); }

void GoTatWindow::Refresh()
{
    Initialing = true;
    ui.treeWidget->clear();
    std::wstring file = SettingUtils::FileGoTat();
    if (Utils::FileExists(file)) {
        std::vector<std::wstring> lines = Utils::ReadAllLines(file, '\n');
        // Line 1 is the header.
        for (size_t i = 1; i < lines.size(); ++i) {
            size_t tab = lines[i].find(L'\t');
            if (tab == std::wstring::npos) continue;
            AddItem(ToQ(lines[i].substr(0, tab)), ToQ(lines[i].substr(tab + 1)));
        }
    }
    ui.treeWidget->sortItems(0, Qt::AscendingOrder);
    AddNewItem();
    Initialing = false;
}

void GoTatWindow::DeleteSelectedItem()
{
    QTreeWidget* tw = ui.treeWidget;
    QTreeWidgetItem* item = tw->currentItem();
    if (!item || tw->indexOfTopLevelItem(item) == tw->topLevelItemCount() - 1) return;
    delete item;
}

void GoTatWindow::OnItemChanged(QTreeWidgetItem* item, int column)
{
    if (Initialing || !item) return;
    // A TAB in the abbreviation, or a line break anywhere, would split or
    // end the line in the file: such characters become spaces.
    QString text = item->text(column);
    QString clean = text;
    if (column == 0) clean.replace(QLatin1Char('\t'), QLatin1Char(' '));
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (clean != text) {
        Initialing = true;
        item->setText(column, clean);
        Initialing = false;
    }

    QTreeWidget* tw = ui.treeWidget;
    if (tw->indexOfTopLevelItem(item) != tw->topLevelItemCount() - 1) return;
    if (item->text(0) == Placeholder || item->text(1) == Placeholder) return;
    Initialing = true;
    tw->sortItems(0, Qt::AscendingOrder);
    AddNewItem();
    Initialing = false;
}

bool GoTatWindow::Apply()
{
    std::vector<std::wstring> lines{Header};
    QTreeWidget* tw = ui.treeWidget;
    for (int i = 0; i + 1 < tw->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tw->topLevelItem(i);
        lines.push_back(FromQ(item->text(0)) + L"\t" + FromQ(item->text(1)) + L"\n");
    }
    const std::wstring file = SettingUtils::ForWriting(L"GoTat.ini");
    if (Utils::WriteAllLines(file, lines, Utils::UserFileMode)) return true;
    LiranoUi::Warning(this, LiranoUi::CannotWriteMessage(file));
    return false;
}

void GoTatWindow::OK()
{
    if (Apply()) accept();
}

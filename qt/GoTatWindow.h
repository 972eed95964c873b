#pragma once

#include <QDialog>

#include "ui_GoTatWindow.h"

class QTreeWidgetItem;

// Editor of the abbreviation table GoTat.ini: one row per abbreviation and
// its expansion, and a last placeholder row ("...", "...") that becomes an
// entry once both its cells are filled.
class GoTatWindow : public QDialog {
    Q_OBJECT
public:
    explicit GoTatWindow(QWidget* parent = nullptr);

    // The first line of the file, which the engine skips.
    static const wchar_t* const Header;
    static const QString Placeholder;

    Ui_GoTatWindowClass ui;
    // Set while the window fills or sorts the table itself.
    bool Initialing = false;

    // Reloads the table from the file; unsaved edits are dropped.
    void Refresh();
    // Writes every row but the placeholder to the file; false, after the
    // warning, when it cannot be written.
    bool Apply();

public slots:
    void DeleteSelectedItem();
    void OK();
    void OnItemChanged(QTreeWidgetItem* item, int column);

private:
    void AddNewItem();
    QTreeWidgetItem* AddItem(const QString& abbreviation, const QString& expansion);
};

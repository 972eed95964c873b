#pragma once

#include <optional>

#include <QDialog>

#include "core/ChucNangPhim.h"
#include "core/KieuGoUtils.h"
#include "ui_KieuGoWindow.h"

class QListWidgetItem;
class QTreeWidgetItem;

// Editor of the user's typing methods (KieuGo.ini beside the programs).
// Each entry of the method list owns its key table; each row of the key
// list owns its key function. The file is written only on OK.
class KieuGoWindow : public QDialog {
    Q_OBJECT
public:
    explicit KieuGoWindow(QWidget* parent = nullptr);

    static const QString NewName;

    Ui_KieuGoWindow ui;

    // Reloads the method list from the user's file.
    void Refresh();
    // Appends one row per key of the table, in key order.
    void LoadKieuGo(const KieuGoMap& table);
    // Stores the key list into the entry's table.
    void SaveLWIKieuGo(QListWidgetItem* entry);
    // The function the form describes, if it describes one.
    std::optional<ChucNangPhim> LayChucNangPhim() const;

    // The table and function attached to an entry and a row.
    static KieuGoMap* TableOf(QListWidgetItem* entry);
    static ChucNangPhim* FunctionOf(QTreeWidgetItem* row);

public slots:
    void accept() override;

private slots:
    void on_BKieuGoAdd_clicked();
    void on_BKieuGoRemove_clicked();
    void on_LW_currentItemChanged(QListWidgetItem* current, QListWidgetItem* previous);
    void on_LW_itemChanged(QListWidgetItem* entry);
    void on_LEPhim_textChanged(const QString& text);
    void on_TW_currentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void on_BAdd_clicked();
    void on_BReplace_clicked();
    void on_BRemove_clicked();
    void on_BClear_clicked();
    void on_BNapKieuGo_clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidgetItem* AddRow(const QString& key, const ChucNangPhim& f);
    void SetRow(QTreeWidgetItem* row, const QString& key, const ChucNangPhim& f);
    QTreeWidgetItem* FindRow(const QString& key) const;
    // Enables the two buttons from the key field and the selection.
    void UpdateButtons();
};

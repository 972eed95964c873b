#pragma once

#include <QDialog>

#include "engine/AppModes.h"
#include "engine/LuaChon.h"
#include "ui_MainWindow.h"

class AboutWindow;
class GoTatWindow;
class KieuGoWindow;
class QCheckBox;

// The options window: every option of LuaChon.ini, written back whole on
// "Đồng ý". It only writes the file; the engine reloads it when this
// program exits.
class MainWindow : public QDialog {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    Ui_MainWindowClass ui;
    GoTatWindow* gtw = nullptr;
    AboutWindow* aw = nullptr;
    KieuGoWindow* kgw = nullptr;

    // Item of the number list for a count of suggestions, -1 for none.
    static int SoLuongTuGoiYToIndex(int n);
    // The count an item stands for, -1 for no item.
    static int IndexToSoLuongTuGoiY(int index);

    // The options as the widgets show them.
    LuaChon Options() const;
    // Each check box with the option it edits.
    std::vector<std::pair<QCheckBox*, bool LuaChon::*>> CheckBoxes() const;
    // The chords the switch of Vietnamese and English may use, packed as
    // CHotKey does; the last is none.
    static const std::vector<std::pair<QString, int>>& ModeChords();
    // The remembered applications as the table shows them.
    CAppModes AppModes() const;

public slots:
    void on_BKieuGo_clicked();
    void ShowAbout();
    void ShowGoTatWindow();
    void Apply();
    void OK();
    void CBBKieuGo_CurrentIndexChanged(const QString& text);
    void BKieuGoInfo_Clicked();
    void AddApp();
    void ForgetApp();

private:
    // SoLuongTuGoiY as read, kept when the file held a count that no item
    // stands for and the user chose none.
    int soLuongTuGoiYDaDoc_ = 24;
    // The same for the switch's chord.
    int phimChuyenCheDoDaDoc_ = 0;
    // The list is written only when edited here: the engine adds to it
    // while the window is open.
    bool appModesEdited_ = false;
    void ShowApp(int row, const CAppModes::Entry& entry);
    bool lastApplyWrote_ = false;
};

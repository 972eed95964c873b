#pragma once

#include <string>

#include <QDialog>

#include "qt/ChuyenMaUI.h"
#include "ui_ChuyenMaWindow.h"

// The converter window: source and target charset, text changes, and the
// clipboard or a pair of files. Its choices live in ChuyenMa.ini, written
// before every detection and conversion.
class ChuyenMaWindow : public QDialog {
    Q_OBJECT
public:
    explicit ChuyenMaWindow(QWidget* parent = nullptr);

    static constexpr const wchar_t* Section = L"ChuyenMa";
    // TiLeChinhXac as the file holds it: the share in the stream's default
    // form, whatever the locale (0.65, 0.7, 1, 0).
    static std::wstring GhiTiLe(int percent);
    // The percentage for the file's text: a C number times 100, rounded and
    // kept within 0..100; 0 for a text that is no number.
    static int DocTiLe(const std::wstring& text);

    Ui_ChuyenMaWindow ui;
    CChuyenMaUI CM;

    // Widgets into CM, then CM into ChuyenMa.ini.
    void Save();

private slots:
    void on_BFileDich_clicked();
    void on_BFileNguon_clicked();
    void on_BDetect_clicked();
    void on_BSwap_clicked();
    void on_BChuyenMa_clicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    void Load();
};

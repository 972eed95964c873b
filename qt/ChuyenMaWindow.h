#pragma once

#include <string>

#include <QDialog>
#include <QPointer>

#include "qt/ChuyenMaUI.h"
#include "ui_ChuyenMaWindow.h"

// The converter window: source and target charset, text changes, and the
// clipboard or a pair of files. Its choices live in ChuyenMa.ini, written
// before every detection and conversion. A file converts on a worker, with
// a progress bar and a button that cancels it.
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
    bool Converting() const { return job_ != nullptr; }

private slots:
    void on_BFileDich_clicked();
    void on_BFileNguon_clicked();
    void on_BDetect_clicked();
    void on_BSwap_clicked();
    void on_BChuyenMa_clicked();
    void on_BHuy_clicked();

protected:
    void changeEvent(QEvent* event) override;
    // However the window closes, a running conversion is cancelled and
    // waited for, so it never replaces the target afterwards.
    void done(int result) override;

private:
    void Load();
    // Only the progress row and its button work while a file converts.
    void SetConverting(bool on);
    void ShowProgress(qint64 done, qint64 total);
    void FileDone(ChuyenMaFileJob::Outcome outcome, const QString& message);

    QPointer<ChuyenMaFileJob> job_; // a child: it goes with the window at the latest
};

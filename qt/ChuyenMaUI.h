#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include <QObject>
#include <QString>

#include "convert/ChuyenMa.h"

// The converter with the choice of what to convert: the clipboard or a
// pair of files. The clipboard is the toolkit's, so this part lives apart
// from the toolkit-free conversion core.
class CChuyenMaUI : public CChuyenMa {
public:
    bool Clipboard = true;
    std::wstring FileNguon;
    std::wstring FileDich;

    // Replaces the clipboard's plain text by its conversion (no detection;
    // other flavours such as HTML are dropped).
    void ChuyenMaClipboard();
};

// One file conversion on a thread of its own, so that the window stays
// responsive. Progress and the outcome come back as signals on the thread
// that made the job; that thread waits for the worker only in Stop.
class ChuyenMaFileJob : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Done, Failed, Cancelled };
    Q_ENUM(Outcome)

    // Works on a copy of `cm`, so the window may change its own meanwhile.
    ChuyenMaFileJob(const CChuyenMa& cm, std::wstring nguon, std::wstring dich, QObject* parent = nullptr);
    ~ChuyenMaFileJob() override;
    ChuyenMaFileJob(const ChuyenMaFileJob&) = delete;
    ChuyenMaFileJob& operator=(const ChuyenMaFileJob&) = delete;

    void Start();
    // Stops the conversion at its next block; Finished(Cancelled) follows
    // unless it was done already.
    void Cancel() { cancel_ = true; }
    // Cancels and waits for the worker; no signal follows.
    void Stop();
    // The converter as the run left it (BangMaNguon holds what detection
    // found); read it once Finished came.
    const CChuyenMa& Converter() const { return cm_; }

signals:
    // Source bytes converted of `total`; coalesced, so a slow receiver
    // sees fewer, never stale, reports.
    void Progress(qint64 done, qint64 total);
    // `message` says what failed.
    void Finished(ChuyenMaFileJob::Outcome outcome, const QString& message);

private:
    void Run();
    void Report(uint64_t done, uint64_t total);

    CChuyenMa cm_;
    std::wstring nguon_, dich_;
    std::atomic<bool> cancel_{false};
    std::atomic<uint64_t> done_{0}, total_{0};
    std::atomic<bool> reportQueued_{false};
    std::thread thread_;
};

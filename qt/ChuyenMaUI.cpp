#include "qt/ChuyenMaUI.h"

#include <exception>

#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>

#include "qt/QtText.h"

void CChuyenMaUI::ChuyenMaClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    std::wstring text = FromQ(clipboard->text(QClipboard::Clipboard));
    clipboard->setText(ToQ(Convert(text)), QClipboard::Clipboard);
}

ChuyenMaFileJob::ChuyenMaFileJob(const CChuyenMa& cm, std::wstring nguon, std::wstring dich, QObject* parent)
    : QObject(parent), cm_(cm), nguon_(std::move(nguon)), dich_(std::move(dich))
{
}

ChuyenMaFileJob::~ChuyenMaFileJob() { Stop(); }

void ChuyenMaFileJob::Start()
{
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
}

void ChuyenMaFileJob::Stop()
{
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
    // What the worker posted before it ended must not reach a window that
    // is closing.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
}

// On the worker. The report goes to this object's thread as a queued call;
// while one is on its way, newer numbers only replace the ones it will read.
void ChuyenMaFileJob::Report(uint64_t done, uint64_t total)
{
    done_ = done;
    total_ = total;
    if (reportQueued_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            reportQueued_ = false;
            emit Progress((qint64)done_.load(), (qint64)total_.load());
        },
        Qt::QueuedConnection);
}

void ChuyenMaFileJob::Run()
{
    Outcome outcome = Outcome::Done;
    QString message;
    ChuyenMaFileWatch watch;
    watch.cancel = &cancel_;
    watch.progress = [this](uint64_t done, uint64_t total) { Report(done, total); };
    try {
        if (!cm_.ChuyenMaFile(nguon_, dich_, watch)) outcome = Outcome::Cancelled;
    } catch (const std::wstring& m) {
        outcome = Outcome::Failed;
        message = ToQ(m);
    } catch (const std::exception& e) {
        outcome = Outcome::Failed;
        message = QString::fromLocal8Bit(e.what());
    }
    QMetaObject::invokeMethod(
        this, [this, outcome, message] { emit Finished(outcome, message); }, Qt::QueuedConnection);
}

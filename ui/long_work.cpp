#include "ui/long_work.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

namespace longwork {

namespace {

QPointer<QProgressDialog> activeDialog;

// What the worker reports and the window thread reads: plain atomics, no locks.
class SharedProgress : public WorkProgress {
public:
    bool report(std::uint64_t done, std::uint64_t total) override
    {
        done_.store(done, std::memory_order_relaxed);
        total_.store(total, std::memory_order_relaxed);
        return !stopped_.load(std::memory_order_relaxed);
    }
    void stop() { stopped_.store(true, std::memory_order_relaxed); }
    bool stopped() const { return stopped_.load(std::memory_order_relaxed); }
    std::uint64_t done() const { return done_.load(std::memory_order_relaxed); }
    std::uint64_t total() const { return total_.load(std::memory_order_relaxed); }

private:
    std::atomic<std::uint64_t> done_{0};
    std::atomic<std::uint64_t> total_{0};
    std::atomic<bool> stopped_{false};
};

// Swallows the user's input to every window but the progress dialog while work runs;
// painting, resizing and timers go on.
class InputBlocker : public QObject {
public:
    explicit InputBlocker(QProgressDialog*& dialog) : dialog_(dialog) { qApp->installEventFilter(this); }
    ~InputBlocker() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Close:
        case QEvent::ContextMenu:
        case QEvent::Drop:
            break;
        default:
            return false;
        }
        if (dialog_) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && (widget == dialog_ || dialog_->isAncestorOf(widget)))
                return false;
            if (watched == dialog_->windowHandle() && event->type() != QEvent::Close)
                return false;
        }
        event->ignore();
        return true;
    }

private:
    QProgressDialog*& dialog_;
};

// The bar's range: a total beyond int is scaled down; no total gives the busy bar.
void showProgress(QProgressDialog& dialog, std::uint64_t done, std::uint64_t total)
{
    if (total == 0) {
        dialog.setRange(0, 0);
        return;
    }
    int shift = 0;
    while ((total >> shift) > 1'000'000'000u)
        ++shift;
    dialog.setRange(0, static_cast<int>(total >> shift));
    dialog.setValue(static_cast<int>(std::min(done, total) >> shift));
}

}  // namespace

QWidget* ActiveProgressDialog()
{
    return activeDialog.data();
}

bool Run(QWidget* parent, const QString& label, const std::function<void(WorkProgress&)>& work, bool stoppable)
{
    SharedProgress progress;
    std::atomic<bool> finished{false};
    std::exception_ptr failure;
    QProgressDialog* dialog = nullptr;
    InputBlocker blocker(dialog);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    // The worker ends the loop as soon as it is done (a queued call, run by the window
    // thread), so that short work costs no more than a thread's start.
    QEventLoop loop;
    std::thread worker([&] {
        try {
            work(progress);
        } catch (...) {
            failure = std::current_exception();
        }
        finished.store(true, std::memory_order_release);
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });

    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finished.load(std::memory_order_acquire)) {
            loop.quit();
            return;
        }
        if (!dialog && clock.elapsed() >= kProgressDelayMs) {
            dialog = new QProgressDialog(label, stoppable ? QStringLiteral("Cancel") : QString(), 0, 0, parent);
            dialog->setWindowTitle(QStringLiteral("TORVENII"));  // as every message box
            dialog->setWindowModality(Qt::ApplicationModal);
            dialog->setMinimumDuration(0);
            dialog->setAutoClose(false);
            dialog->setAutoReset(false);
            if (stoppable)
                QObject::connect(dialog, &QProgressDialog::canceled, dialog, [&] {
                    progress.stop();
                    dialog->setLabelText(QStringLiteral("Stopping..."));
                    dialog->setCancelButtonText(QString());
                });
            activeDialog = dialog;
            QApplication::restoreOverrideCursor();
            dialog->show();
        }
        if (dialog && !progress.stopped())
            showProgress(*dialog, progress.done(), progress.total());
    });
    poll.start();
    loop.exec();
    worker.join();

    if (dialog) {
        activeDialog = nullptr;
        delete dialog;
    } else {
        QApplication::restoreOverrideCursor();
    }
    if (failure)
        std::rethrow_exception(failure);
    return !progress.stopped();
}

}  // namespace longwork

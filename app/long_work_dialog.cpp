#include "app/long_work_dialog.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <future>

namespace tarnevo::app {

namespace {

// Steps of the progress bar: a tenth of a percent.
constexpr int kProgressSteps = 1000;
// How often the dialog looks at the work's progress.
constexpr std::chrono::milliseconds kPollInterval{40};

// What the worker thread and the user-interface thread share: the fraction
// done, written by the work, and the user's cancel, read by it.
class SharedProgress : public core::WorkProgress {
public:
    bool KeepGoing(double fractionDone) override {
        const double clamped = std::clamp(fractionDone, 0.0, 1.0);
        steps_.store(static_cast<int>(clamped * kProgressSteps), std::memory_order_relaxed);
        return !cancelled_.load(std::memory_order_relaxed);
    }
    int Steps() const { return steps_.load(std::memory_order_relaxed); }
    void Cancel() { cancelled_.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

private:
    std::atomic<int> steps_{0};
    std::atomic<bool> cancelled_{false};
};

bool IsReady(const std::future<core::WorkStatus>& result) {
    return result.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready;
}

// The modal dialog, shown until the work has ended. Cancel only asks the work
// to stop; the dialog stays, saying so, until it has.
void ShowProgressUntilDone(QWidget* parent, const QString& caption, SharedProgress& progress,
                           const std::future<core::WorkStatus>& result) {
    QProgressDialog dialog(caption, QObject::tr("Cancel"), 0, kProgressSteps, parent);
    dialog.setWindowTitle(QStringLiteral("TARNEVO"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(0);
    dialog.setValue(progress.Steps());

    QEventLoop loop;
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] {
        progress.Cancel();
        dialog.setLabelText(QObject::tr("Cancelling..."));
        dialog.setCancelButton(nullptr);
        dialog.show();  // canceled() hides the dialog; it stays until the work has stopped
    });
    QTimer poll;
    poll.setInterval(kPollInterval);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (IsReady(result)) {
            loop.quit();
            return;
        }
        if (!progress.Cancelled()) dialog.setValue(progress.Steps());
    });
    poll.start();
    if (!IsReady(result)) loop.exec();
}

}  // namespace

core::WorkStatus RunWithProgressDialog(QWidget* parent, const QString& caption, const port::LongWork& work) {
    SharedProgress progress;
    std::future<core::WorkStatus> result = std::async(std::launch::async, [&] { return work(progress); });
    if (result.wait_for(kProgressDialogDelay) != std::future_status::ready)
        ShowProgressUntilDone(parent, caption, progress, result);
    const core::WorkStatus status = result.get();
    return progress.Cancelled() ? core::WorkStatus::Cancelled : status;
}

}  // namespace tarnevo::app

// Pins how the desktop runs long work (a formula search that takes seconds):
// off the user-interface thread, with no dialog for work that ends quickly, a
// modal progress dialog for work that does not, whose Cancel (or Escape) stops
// the work and makes the run count as cancelled, and an exception thrown by the
// work reaching the caller instead of ending the program. The work here is
// synthetic, so the evidence does not depend on how fast any search is.
#include <QApplication>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/long_work_dialog.h"

namespace tarnevo::app {

namespace {

QProgressDialog* VisibleProgressDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QProgressDialog*>(widget);
        if (dialog != nullptr && dialog->isVisible()) return dialog;
    }
    return nullptr;
}

// Work that reports a growing fraction every few milliseconds until it is told
// to stop or has made the given number of reports.
port::LongWork ReportingWork(int reports, std::atomic<bool>& sawStop) {
    return [reports, &sawStop](core::WorkProgress& progress) {
        for (int report = 0; report < reports; ++report) {
            if (!progress.KeepGoing(static_cast<double>(report) / reports)) {
                sawStop = true;
                return core::WorkStatus::Cancelled;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return core::WorkStatus::Finished;
    };
}

}  // namespace

class LongWorkDialogTest : public QObject {
    Q_OBJECT

private slots:
    void quickWorkEndsWithoutADialog() {
        bool dialogSeen = false;
        const core::WorkStatus status =
            RunWithProgressDialog(nullptr, QStringLiteral("Searching"), [&](core::WorkProgress& progress) {
                dialogSeen = VisibleProgressDialog() != nullptr;
                progress.KeepGoing(1.0);
                return core::WorkStatus::Finished;
            });
        QCOMPARE(status, core::WorkStatus::Finished);
        QVERIFY(!dialogSeen);
    }

    void escapeInTheProgressDialogCancelsTheWork() {
        std::atomic<bool> sawStop = false;
        bool dialogSeen = false;
        int shownSteps = -1;
        // Long enough (about 100 s) that only the cancel can end it in time.
        QTimer::singleShot(kProgressDialogDelay * 3, [&] {
            QProgressDialog* dialog = VisibleProgressDialog();
            dialogSeen = dialog != nullptr;
            if (dialog == nullptr) return;
            shownSteps = dialog->value();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        const core::WorkStatus status =
            RunWithProgressDialog(nullptr, QStringLiteral("Searching"), ReportingWork(20000, sawStop));
        QVERIFY(dialogSeen);
        QVERIFY(shownSteps > 0);  // the bar moved with the work's reports
        QCOMPARE(status, core::WorkStatus::Cancelled);
        QVERIFY(sawStop.load());
        QVERIFY(VisibleProgressDialog() == nullptr);
    }

    void slowWorkThatEndsIsFinished() {
        std::atomic<bool> sawStop = false;
        const core::WorkStatus status =
            RunWithProgressDialog(nullptr, QStringLiteral("Searching"), ReportingWork(120, sawStop));
        QCOMPARE(status, core::WorkStatus::Finished);
        QVERIFY(!sawStop.load());
    }

    void anExceptionOfTheWorkReachesTheCaller() {
        bool caught = false;
        try {
            RunWithProgressDialog(
                nullptr, QStringLiteral("Searching"),
                [](core::WorkProgress&) -> core::WorkStatus { throw std::runtime_error("out of memory"); });
        } catch (const std::runtime_error& error) {
            caught = QString::fromUtf8(error.what()) == QStringLiteral("out of memory");
        }
        QVERIFY(caught);
    }
};

}  // namespace tarnevo::app

QTEST_MAIN(tarnevo::app::LongWorkDialogTest)
#include "long_work_dialog_test.moc"

// Pins Identify Ion from Pattern end to end on Qt's offscreen platform,
// through the real main window and dialogs: Ctrl+T opens the peak grid, two
// columns copied to the clipboard go into it with Paste, the options dialog
// takes the charge, and the results view draws the page whose ranking lists
// caffeine's [M+H]+ first; a click on the second candidate's row selects it
// (the page's comparison and the plot's list follow), and picking the first
// from the plot pane's list selects it again. Pasted text that is not a list
// of peaks is refused with its message and leaves the grid alone; a refused
// cell comes back for correcting after Retry. The peaks are caffeine's
// [M+H]+ cluster (C8H11N4O2+, m/z 195.0877), entered as a user would, so the
// evidence holds only if every step reaches the engine and back.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <clocale>
#include <functional>
#include <memory>

#include "app/identify_dialogs.h"
#include "app/main_frame.h"
#include "app/tarnevo_app.h"
#include "app/tarnevo_view.h"
#include "output/identification_page.h"
#include "output/page_layout.h"
#include "tests/support/dismiss_modal.h"

#ifdef TARNEVO_HAVE_PATTERN_PLOT
#include "app/pattern_plot.h"
#endif

namespace tarnevo::app {
namespace {

using doc::Command;

// Runs act on the next modal window of type T once it shows; if none comes,
// failed is set and every modal window is closed so that the test ends.
template <typename T>
void WhenModal(std::function<void(T*)> act, bool* failed, int triesLeft = 300) {
    QTimer::singleShot(10, [act, failed, triesLeft] {
        if (auto* widget = qobject_cast<T*>(QApplication::activeModalWidget());
            widget != nullptr && widget->isVisible()) {
            act(widget);
            return;
        }
        if (triesLeft > 0) {
            WhenModal<T>(act, failed, triesLeft - 1);
            return;
        }
        *failed = true;
        while (QWidget* open = QApplication::activeModalWidget()) tarnevo::testing::DismissModal(open);
    });
}

QLineEdit* Field(RecordDialog* dialog, std::string_view key) {
    return qobject_cast<QLineEdit*>(dialog->EditorForKey(key));
}

void Press(QWidget* dialog, QDialogButtonBox::StandardButton which) {
    dialog->findChild<QDialogButtonBox*>()->button(which)->click();
}

// Caffeine's [M+H]+ as an instrument's peak list copies it: a heading, tabs,
// a third column.
constexpr const char* kCaffeinePeaks =
    "m/z\tintensity\tresolution\n"
    "195.08765\t100\t60000\n"
    "196.09101\t10.4\t60000\n"
    "197.09203\t1.2\t60000\n";

}  // namespace

class IdentifyGuiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(settingsDirectory_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDirectory_.path());
    }

    void init() {
        program_ = std::make_unique<core::ProgramContext>();
        app_ = std::make_unique<CTARNEVOApp>(*program_);
        QVERIFY(app_->InitInstance());
        QVERIFY(QTest::qWaitForWindowExposed(Frame()));
        failed_ = false;
    }

    void cleanup() {
        QVERIFY2(!failed_, "an expected modal window did not come up");
        app_.reset();
        program_.reset();
    }

    void pastedPeaksAreIdentified() {
        RunCaffeine();
        const output::CalculationState& state = app_->Document().Data().state;
        QCOMPARE(state.calcKind, output::CalcKind::IonIdentification);
        QVERIFY(!state.identification.result.candidates.empty());
        const std::vector<std::string> page = output::LayoutResultLines(state);
        QCOMPARE(QString::fromStdString(page.front()),
                 QStringLiteral("       ***** Results for Ion Identification from an Isotope Pattern *****"));
        const std::size_t first = output::LayoutIdentificationPage(state).firstCandidateLine;
        QVERIFY2(QString::fromStdString(page[first]).contains(QStringLiteral("[M+H]+     C8H10N4O2")),
                 page[first].c_str());
        View()->viewport()->grab();  // one screen pass draws every line
        QCOMPARE(View()->LineCounter(), static_cast<int>(page.size()));
    }

    void clickingARowOrPickingFromThePlotSelects() {
        RunCaffeine();
        output::CalculationState& state = app_->Document().Data().state;
        QVERIFY(state.identification.result.candidates.size() >= 2);
        const std::size_t first = output::LayoutIdentificationPage(state).firstCandidateLine;
        // Line n of the page is drawn kScreenFirstLineY + 24 n units down; a
        // click in the middle of the second candidate's line.
        const double unitsY = CTARNEVOView::kScreenFirstLineY + 24.0 * (static_cast<double>(first) + 1.5);
        const int y = static_cast<int>(unitsY * View()->viewport()->logicalDpiY() / 100.0) -
                      View()->verticalScrollBar()->value();
        QVERIFY(y < View()->viewport()->height());
        QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, QPoint(200, y));
        QCOMPARE(state.identification.selected, std::size_t{1});
        const std::vector<std::string> page = output::LayoutResultLines(state);
        QVERIFY(std::any_of(page.begin(), page.end(),
                            [](const std::string& line) { return line.starts_with("Peaks of rank 2: "); }));
#ifdef TARNEVO_HAVE_PATTERN_PLOT
        QComboBox* list = Frame()->PlotPane()->CandidateBox();
        QCOMPARE(list->currentIndex(), 1);
        QVERIFY(list->itemText(0).startsWith(QStringLiteral("1  C8H10N4O2  [M+H]+")));
        emit list->activated(0);  // as a pick from the list's popup
        QCOMPARE(state.identification.selected, std::size_t{0});
        QVERIFY(QString::fromStdString(Frame()->PlotPane()->View()->Data().title)
                    .contains(QStringLiteral("C8H10N4O2")));
#endif
    }

    void pastedTextThatIsNoPeakListIsRefused() {
        bool refused = false;
        WhenModal<CIdentifyPeaksDlg>(
            [this, &refused](CIdentifyPeaksDlg* dialog) {
                Field(dialog, "mz1")->setText(QStringLiteral("300.1"));
                WhenModal<QMessageBox>(
                    [&refused](QMessageBox* box) {
                        refused = box->text() == QStringLiteral(
                                                     "The pasted text, line 2: expected two columns, m/z and "
                                                     "intensity, not 1 in '196.09101'");
                        box->button(QMessageBox::Ok)->click();
                    },
                    &failed_);
                dialog->PasteText(QStringLiteral("195.08765 100\n196.09101\n"));
                QCOMPARE(Field(dialog, "mz1")->text(), QStringLiteral("300.1"));
                Press(dialog, QDialogButtonBox::Cancel);
            },
            &failed_);
        Key(Qt::Key_T, Qt::ControlModifier);
        QVERIFY(refused);
        QVERIFY(app_->Document().Data().readyForCalculation);
    }

    void aRefusedCellComesBackAfterRetry() {
        WhenModal<CIdentifyPeaksDlg>(
            [this](CIdentifyPeaksDlg* dialog) {
                Field(dialog, "mz1")->setText(QStringLiteral("195.08765"));
                Field(dialog, "intensity1")->setText(QStringLiteral("-3"));
                WhenModal<QMessageBox>(
                    [this](QMessageBox* box) {
                        QCOMPARE(box->text(),
                                 QStringLiteral("Peak 1: the intensity must be greater than 0."));
                        WhenModal<CIdentifyPeaksDlg>(
                            [](CIdentifyPeaksDlg* again) {
                                QCOMPARE(Field(again, "intensity1")->text(), QStringLiteral("-3"));
                                Press(again, QDialogButtonBox::Cancel);
                            },
                            &failed_);
                        box->button(QMessageBox::Retry)->click();
                    },
                    &failed_);
                Press(dialog, QDialogButtonBox::Ok);
            },
            &failed_);
        Key(Qt::Key_T, Qt::ControlModifier);
        QVERIFY(app_->Document().Data().readyForCalculation);
    }

private:
    CMainFrame* Frame() const { return app_->MainFrame(); }
    CTARNEVOView* View() const { return app_->View(); }

    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        QTest::keyClick(Frame(), key, modifiers);
    }

    // Ctrl+T; the peaks pasted from the clipboard; charge 1 and OK.
    void RunCaffeine() {
        QGuiApplication::clipboard()->setText(QString::fromLatin1(kCaffeinePeaks));
        WhenModal<CIdentifyPeaksDlg>(
            [this](CIdentifyPeaksDlg* dialog) {
                dialog->PasteButton()->click();
                QCOMPARE(Field(dialog, "mz3")->text(), QStringLiteral("197.09203"));
                QCOMPARE(Field(dialog, "intensity2")->text(), QStringLiteral("10.4"));
                WhenModal<CIdentifyOptionsDlg>(
                    [](CIdentifyOptionsDlg* options) {
                        Field(options, "charge")->setText(QStringLiteral("1"));
                        Press(options, QDialogButtonBox::Ok);
                    },
                    &failed_);
                Press(dialog, QDialogButtonBox::Ok);
            },
            &failed_);
        Key(Qt::Key_T, Qt::ControlModifier);
        QVERIFY(!app_->Document().Data().readyForCalculation);
    }

    QTemporaryDir settingsDirectory_;
    std::unique_ptr<core::ProgramContext> program_;
    std::unique_ptr<CTARNEVOApp> app_;
    bool failed_ = false;
};

}  // namespace tarnevo::app

QTEST_MAIN(tarnevo::app::IdentifyGuiTest)
#include "identify_gui_test.moc"

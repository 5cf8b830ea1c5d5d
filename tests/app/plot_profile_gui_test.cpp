// Pins the instrument profile of the Pattern Plot end to end on Qt's offscreen
// platform: off on a first start (the plot as it always was), drawn under the
// sticks of an isotope cluster once a resolving power is typed into the pane's
// toolbar (its top on the [A+0] centroid at the tallest stick's height, its
// width at half height m/z / R, the sticks in front in their usual colour and
// still the ones hovering reads, the zoom kept when R changes), gone again
// when the field is emptied,
// widened at a low resolving power so that its tails show, a refused entry
// answered with a message and the field put back, and the choice remembered
// for the next start. The expectations come from the definition of resolving
// power and the masses of the isotopes, not from the program's own output:
// the evidence holds because the field is typed into and the cluster run
// through the real dialog, as a user would. Under a profile the sticks stand
// at the peaks it resolves; zoomed in, the height axis rises to the highest
// mark in sight.
#include <QApplication>
#include <QAreaSeries>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QValueAxis>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <functional>
#include <memory>

#include "app/form_dialog.h"
#include "app/main_frame.h"
#include "app/pattern_plot.h"
#include "app/record_dialog.h"
#include "app/tarnevo_app.h"
#include "core/program_context.h"
#include "tests/support/dismiss_modal.h"

namespace tarnevo::app {
namespace {

// 12C6 1H5 35Cl2 less an electron: 6 x 12 + 5 x 1.00782503207 + 2 x 34.968852682
// - 0.000548579909 = 146.976276...; the [A+0] peak holds no other composition.
constexpr double kAZeroMz = 146.97627642;

// Caffeine's [M+H]+, C8H11N4O2+: 8 x 12 + 11 x 1.00782503207 + 4 x
// 14.0030740048 + 2 x 15.99491461956 - 0.000548579909 = 195.08765203. Its
// [A+1] holds a 15N line (+0.9970348941 = 15.0001088989 - 14.0030740048)
// and a 13C line (+1.0033548378), 6.3 mDa apart: at R 240,000 (FWHM 0.81
// mDa at m/z 196) two peaks, and the [A+1] mean between them.
constexpr double kCaffeineMz = 195.08765203;
constexpr double kN15Shift = 0.9970348941;
constexpr double kC13Shift = 1.0033548378;

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

QLineEdit* Field(QWidget* dialog, std::string_view key) {
    return qobject_cast<QLineEdit*>(static_cast<RecordDialog*>(dialog)->EditorForKey(key));
}

// The profile as drawn: the outline of its area.
QLineSeries* ProfileOutline(QChart* chart) {
    for (QAbstractSeries* series : chart->series()) {
        if (auto* area = qobject_cast<QAreaSeries*>(series)) return area->upperSeries();
    }
    return nullptr;
}

QPointF Highest(const QLineSeries* line) {
    QPointF highest(0.0, -1.0);
    for (const QPointF& point : line->points()) {
        if (point.y() > highest.y()) highest = point;
    }
    return highest;
}

// The outline's height at mz, read between its samples as its line draws it.
double HeightAt(const QLineSeries* line, double mz) {
    const QList<QPointF> points = line->points();
    for (qsizetype k = 1; k < points.size(); ++k) {
        const QPointF a = points[k - 1];
        const QPointF b = points[k];
        if (a.x() <= mz && mz <= b.x() && b.x() > a.x()) {
            return a.y() + (b.y() - a.y()) * (mz - a.x()) / (b.x() - a.x());
        }
    }
    return -1.0;
}

}  // namespace

class PlotProfileGuiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        // Remembered settings go to a scratch place of this process.
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(settingsDirectory_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDirectory_.path());
    }

    void init() {
        QSettings(QStringLiteral("TARNEVO"), QStringLiteral("TARNEVO")).remove(QStringLiteral("PatternPlot"));
        program_ = std::make_unique<core::ProgramContext>();
        Start();
        failed_ = false;
    }

    void cleanup() {
        QVERIFY2(!failed_, "an expected modal window did not come up");
        app_.reset();
        program_.reset();
    }

    // A first start: the field is empty and the plot of a cluster is only its
    // sticks, with no legend, exactly as without the field.
    void profileOffByDefault() {
        QVERIFY(Pane()->ToolBar()->isVisible());
        QVERIFY(Pane()->ResolvingPowerField()->text().isEmpty());
        QVERIFY(!Pane()->OrbitrapBox()->isChecked());
        QVERIFY(!Pane()->ResolvingPower().has_value());
        RunCluster("C6H5Cl2");
        QChart* chart = Pane()->View()->chart();
        QCOMPARE(chart->series().size(), 1);
        QVERIFY(qobject_cast<QLineSeries*>(chart->series().front()) != nullptr);
        QVERIFY(ProfileOutline(chart) == nullptr);
        QVERIFY(!chart->legend()->isVisible());
    }

    // R 60,000: at m/z 147 the FWHM is 147 / 60000 = 2.45 mDa, far below the
    // 1 u between nominal peaks, so the profile's top is the [A+0] line itself
    // (sampled every FWHM / 20) at the tallest stick's height, and half a FWHM
    // either side of it the Gaussian stands at half that height.
    void profileDrawnUnderTheSticks() {
        RunCluster("C6H5Cl2");
        auto* plain = qobject_cast<QLineSeries*>(Pane()->View()->chart()->series().back());
        QVERIFY(plain != nullptr);
        const QColor stickColour = plain->pen().color();

        TypeResolvingPower(QStringLiteral("60000"));
        QChart* chart = Pane()->View()->chart();
        QCOMPARE(chart->series().size(), 2);
        QLineSeries* outline = ProfileOutline(chart);
        QVERIFY(outline != nullptr);
        QCOMPARE(chart->series().front()->name(), QStringLiteral("Profile at R 60,000 (fine structure)"));
        QVERIFY(chart->legend()->isVisible());

        const double fwhm = kAZeroMz / 60000.0;
        const QPointF top = Highest(outline);
        QVERIFY2(std::abs(top.x() - kAZeroMz) <= fwhm / 40.0 + 1e-9,
                 qPrintable(QString::number(top.x(), 'f', 6)));
        QVERIFY(std::abs(top.x() - app_->Document().Data().state.cluster.peakCentroidMz[0]) <= fwhm / 40.0);
        QVERIFY(std::abs(top.y() - 100.0) < 0.2);  // the tallest stick is [A+0] at Rel % 100
        QVERIFY(top.y() <= 100.0 + 1e-9);
        for (const double side : {-0.5, 0.5}) {
            const double half = HeightAt(outline, kAZeroMz + side * fwhm);
            QVERIFY2(std::abs(half - 50.0) < 1.0, qPrintable(QString::number(half)));
        }

        // The sticks stand in front, in the colour they have without a profile,
        // and pointing at a stick still reads that stick.
        auto* sticks = qobject_cast<QLineSeries*>(chart->series().back());
        QVERIFY(sticks != nullptr && ProfileOutline(chart) != sticks);
        QCOMPARE(sticks->pen().color(), stickColour);
        PatternPlotView* view = Pane()->View();
        const QPointF stickTop = sticks->at(1);
        const QPointF inChart = chart->mapToPosition(QPointF(stickTop.x(), stickTop.y() / 2), sticks);
        const QPoint onStick = view->mapFromScene(chart->mapToScene(inChart));
        QVERIFY(view->HoverTextAt(onStick).startsWith(QStringLiteral("C6H5Cl2\n[A+0]")));

        // Zoomed in on [A+2] to compare resolving powers, the user keeps the
        // zoom when R changes; new results show whole again.
        view->ZoomAt(onStick.x(), 0.01);
        const double zoomedLow = view->AxisX()->min();
        const double zoomedHigh = view->AxisX()->max();
        TypeResolvingPower(QStringLiteral("240000"));
        QCOMPARE(Pane()->View()->AxisX()->min(), zoomedLow);
        QCOMPARE(Pane()->View()->AxisX()->max(), zoomedHigh);

        // Emptied, the field takes the profile away from the plot on show.
        TypeResolvingPower(QString());
        QCOMPARE(Pane()->View()->chart()->series().size(), 1);
        QVERIFY(!Pane()->ResolvingPower().has_value());
    }

    // Regression: at R 240,000 the [A+1] stick stood at the nominal peak's
    // mean m/z, between the profile's 15N and 13C peaks. The sticks stand at
    // the peaks resolved: one on each line, none between.
    void sticksStandAtTheResolvedPeaks() {
        RunCluster("C8H11N4O2");
        TypeResolvingPower(QStringLiteral("240000"));
        const output::PlotData& plot = Pane()->View()->Data();
        const output::PlotSeries& sticks = plot.series.back();
        QCOMPARE(sticks.style, output::SeriesStyle::Stick);
        const auto sticksNear = [&sticks](double mz, double within) {
            return std::count_if(sticks.marks.begin(), sticks.marks.end(), [=](const output::PlotMark& mark) {
                return std::abs(mark.x - mz) <= within;
            });
        };
        QCOMPARE(sticksNear(kCaffeineMz + kN15Shift, 0.0002), 1);
        QCOMPARE(sticksNear(kCaffeineMz + kC13Shift, 0.0003), 1);
        // Nothing between the lines, where the [A+1] mean (+1.0025) stood.
        const double betweenMiddle = kCaffeineMz + (0.998 + 1.0028) / 2.0;
        QCOMPARE(sticksNear(betweenMiddle, (1.0028 - 0.998) / 2.0), 0);
        // 15N: 4 atoms x 0.368 % (IUPAC 2003: 0.00368) of the [A+0] height, near enough.
        for (const output::PlotMark& mark : sticks.marks) {
            if (std::abs(mark.x - (kCaffeineMz + kN15Shift)) > 0.0002) continue;
            QVERIFY2(std::abs(mark.y - 100.0 * 4 * 0.00368 / 0.99632) < 0.1,
                     qPrintable(QString::number(mark.y)));
            QCOMPARE(QString::fromStdString(mark.label), QStringLiteral("[A+1]"));
        }
    }

    // Regression: the height axis kept its full height on zoom, so a small
    // peak stayed a few pixels tall. Zoomed in on [A+4] of C6H5Cl2 (two 37Cl:
    // (0.2422 / 0.7578)^2 = 10.2 % of [A+0], a little more with 13C), the
    // axis rises to that peak with the plot's head room above it.
    void zoomingRescalesTheHeights() {
        RunCluster("C6H5Cl2");
        PatternPlotView* view = Pane()->View();
        QCOMPARE(view->AxisY()->max(), view->Data().y.high);
        const output::PlotMark* fourth = nullptr;
        for (const output::PlotMark& mark : view->Data().series.back().marks) {
            if (mark.label == "[A+4]") fourth = &mark;
        }
        QVERIFY(fourth != nullptr);
        QVERIFY(fourth->y > 10.0 && fourth->y < 11.0);
        QChart* chart = view->chart();
        const QPointF inChart = chart->mapToPosition(QPointF(fourth->x, 0.0), chart->series().back());
        view->ZoomAt(view->mapFromScene(chart->mapToScene(inChart)).x(), 0.05);
        QVERIFY(view->AxisX()->min() < fourth->x && fourth->x < view->AxisX()->max());
        QVERIFY2(view->AxisY()->max() >= fourth->y && view->AxisY()->max() < 1.3 * fourth->y,
                 qPrintable(QString::number(view->AxisY()->max())));
        view->ResetZoom();
        QCOMPARE(view->AxisY()->max(), view->Data().y.high);
    }

    // At R 100 a peak is m/z 1.47 wide: the profile runs well past the margin
    // the sticks leave (0.6 below [A+0]), and the m/z axis shows its tails
    // down to a fraction of a percent, some 2 u below the first peak.
    void lowResolvingPowerWidensTheAxis() {
        RunCluster("C6H5Cl2");
        const double sticksLow = Pane()->View()->Data().x.low;
        TypeResolvingPower(QStringLiteral("100"));
        const double low = Pane()->View()->Data().x.low;
        QVERIFY2(low < kAZeroMz - 1.5 && low < sticksLow, qPrintable(QString::number(low)));
        QCOMPARE(Pane()->View()->AxisX()->min(), low);
        QVERIFY(Highest(ProfileOutline(Pane()->View()->chart())).y() <= 100.0 + 1e-9);
    }

    // A value below the range is refused with a message, and the field goes
    // back to the value in force: the profile stays as it was.
    void refusedEntryIsPutBack() {
        TypeResolvingPower(QStringLiteral("17,500"));
        QCOMPARE(Pane()->ResolvingPower()->resolution, 17500.0);
        QString shown;
        WhenModal<QMessageBox>(
            [&shown](QMessageBox* box) {
                shown = box->text();
                box->button(QMessageBox::Ok)->click();
            },
            &failed_);
        TypeResolvingPower(QStringLiteral("50"));
        QCOMPARE(shown, QStringLiteral("Please enter a resolving power between 100 and 10,000,000, or leave "
                                       "the field empty for no profile."));
        QCOMPARE(Pane()->ResolvingPowerField()->text(), QStringLiteral("17500"));
        QCOMPARE(Pane()->ResolvingPower()->resolution, 17500.0);
    }

    // The resolving power and the Orbitrap choice come back at the next start.
    void choiceRememberedBetweenRuns() {
        TypeResolvingPower(QStringLiteral("240000"));
        Pane()->OrbitrapBox()->click();
        app_.reset();
        Start();
        QCOMPARE(Pane()->ResolvingPowerField()->text(), QStringLiteral("240000"));
        QVERIFY(Pane()->OrbitrapBox()->isChecked());
        const std::optional<core::ResolvingPower> power = Pane()->ResolvingPower();
        QVERIFY(power.has_value());
        QCOMPARE(power->resolution, 240000.0);
        QVERIFY(power->model == core::ResolvingPowerModel::Orbitrap);
        RunCluster("C6H5Cl2");
        QCOMPARE(Pane()->View()->chart()->series().front()->name(),
                 QStringLiteral("Profile at R 240,000 at m/z 200 (fine structure)"));
    }

private:
    void Start() {
        app_ = std::make_unique<CTARNEVOApp>(*program_);
        QVERIFY(app_->InitInstance());
        QVERIFY(QTest::qWaitForWindowExposed(app_->MainFrame()));
        QVERIFY(Pane() != nullptr);
    }

    PatternPlotPane* Pane() const { return app_->MainFrame()->PlotPane(); }

    // The text typed into the pane's field over what it held, and Return.
    void TypeResolvingPower(const QString& text) {
        QLineEdit* field = Pane()->ResolvingPowerField();
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    // Ctrl+I, then the formula and charge 1 typed into the dialog and OK.
    void RunCluster(const char* formula) {
        WhenModal<CFormDlg>(
            [=](CFormDlg* dialog) {
                Field(dialog, "formula")->setText(QString::fromLatin1(formula));
                Field(dialog, "charge")->setText(QStringLiteral("1"));
                qobject_cast<QCheckBox*>(dialog->EditorForKey("reminder"))->setChecked(false);
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            },
            &failed_);
        CMainFrame* frame = app_->MainFrame();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QTest::keyClick(frame, Qt::Key_I, Qt::ControlModifier);
        QVERIFY(!app_->Document().Data().readyForCalculation);
    }

    QTemporaryDir settingsDirectory_;
    std::unique_ptr<core::ProgramContext> program_;
    std::unique_ptr<CTARNEVOApp> app_;
    bool failed_ = false;
};

}  // namespace tarnevo::app

QTEST_MAIN(tarnevo::app::PlotProfileGuiTest)
#include "plot_profile_gui_test.moc"

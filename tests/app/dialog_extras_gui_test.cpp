// Pins, end to end through the real main window on Qt's offscreen platform,
// what the cluster dialog offers beyond its four fields, and how a long line
// goes on paper:
// - a molecule typed with its ion type ([M+H]+ of caffeine) gives the ion's
//   cluster, the ion's charge taken from the notation whatever the charge
//   field held; a notation that is not one is refused with the core's
//   sentence and Retry empties the field;
// - at a resolving power the page adds the resolved peaks: at R 17,500
//   caffeine [M+H]+'s [A+1] (13C at +1.00335, 15N at +0.99703 u) is one peak,
//   at R 240,000 (FWHM 0.0008 at m/z 196) two;
// - a result line wider than the sheet (a 126-character formula) is printed
//   whole over two lines, and the screen page scrolls to its end.
// The expectations come from the chemistry (masses of the lightest isotopes,
// the split of the two heavy isotopes against the FWHM m/z / R) and from the
// sheet's width, not from the program's output.
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>

#include "app/form_dialog.h"
#include "app/main_frame.h"
#include "app/result_drawing.h"
#include "app/tarnevo_app.h"
#include "app/tarnevo_view.h"
#include "calc/calculation_catalog.h"
#include "output/page_layout.h"
#include "output/print_layout.h"
#include "tests/support/dismiss_modal.h"

#ifdef TARNEVO_HAVE_PATTERN_PLOT
#include "app/pattern_plot.h"
#endif

namespace tarnevo::app {
namespace {

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

// The entries of one cluster dialog; the resolution fields only when choice > 0.
struct ClusterEntries {
    QString formula;
    QString charge = QStringLiteral("1");
    QString ionType;
    int choice = 0;
    QString resolution = QStringLiteral("60000");
    bool profile = false;
};

ClusterEntries Entries(const QString& formula, const QString& ionType = {}, int choice = 0,
                       const QString& resolution = QStringLiteral("60000"), bool profile = false) {
    ClusterEntries entries;
    entries.formula = formula;
    entries.ionType = ionType;
    entries.choice = choice;
    entries.resolution = resolution;
    entries.profile = profile;
    return entries;
}

void Fill(CFormDlg* dialog, const ClusterEntries& entries) {
    Field(dialog, "formula")->setText(entries.formula);
    Field(dialog, "charge")->setText(entries.charge);
    Field(dialog, "adduct")->setText(entries.ionType);
    qobject_cast<QCheckBox*>(dialog->EditorForKey("reminder"))->setChecked(false);
    if (entries.choice > 0) {
        const QList<QRadioButton*> choices = dialog->EditorForKey("peaks")->findChildren<QRadioButton*>();
        choices.at(entries.choice)->click();
        Field(dialog, "resolution")->setText(entries.resolution);
        qobject_cast<QCheckBox*>(dialog->EditorForKey("profile"))->setChecked(entries.profile);
    }
}

std::vector<std::string> Words(const std::vector<std::string>& lines) {
    std::vector<std::string> words;
    for (const std::string& line : lines) {
        std::istringstream in(line);
        for (std::string word; in >> word;) words.push_back(word);
    }
    return words;
}

}  // namespace

class DialogExtrasGuiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(settingsDirectory_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDirectory_.path());
    }

    void init() {
        QSettings(QStringLiteral("TARNEVO"), QStringLiteral("TARNEVO")).remove(QStringLiteral("PatternPlot"));
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

    void moleculeWithIonTypeGivesTheIonsCluster() {
        // [M-H]- typed beside a charge field left at 1: the notation's charge
        // counts. C8H9N4O2- from the table's masses (H 1.007825, N 14.00307,
        // O 15.99491): 96 + 9.070425 + 56.01228 + 31.98982 + 0.000549 (the
        // electron gained) = 193.073074.
        RunCluster(Entries(QStringLiteral("C8H10N4O2"), QStringLiteral("[M-H]-")));
        const output::CalculationState& state = app_->Document().Data().state;
        QCOMPARE(state.charge, -1);
        QCOMPARE(View()->State().charge, -1);  // the charge field shows it next time
        QVERIFY2(std::abs(state.ionMassA - 193.073074) < 2e-6,
                 qPrintable(QString::number(state.ionMassA, 'f', 6)));
        const std::vector<std::string> page = output::LayoutResultLines(state);
        QCOMPARE(QString::fromStdString(page[1]), QStringLiteral("Ion Formula: C8H9N4O2"));
        QCOMPARE(QString::fromStdString(page[3]), QStringLiteral("Ion Charge: -1"));
        QCOMPARE(QString::fromStdString(page[4]),
                 QStringLiteral("Ion type: [M-H]- of the molecule C8H10N4O2"));
        QCOMPARE(QString::fromStdString(page[5]).left(5), QStringLiteral(" Ion "));
    }

    void notationThatIsNoneIsRefusedAndRetryEmptiesIt() {
        QString refusal;
        QString ionTypeOnRetry = QStringLiteral("unset");
        WhenModal<CFormDlg>(
            [&](CFormDlg* dialog) {
                Fill(dialog, Entries(QStringLiteral("C8H10N4O2"), QStringLiteral("[M+H]")));
                WhenModal<QMessageBox>(
                    [&](QMessageBox* box) {
                        refusal = box->text();
                        WhenModal<CFormDlg>(
                            [&](CFormDlg* again) {
                                ionTypeOnRetry = Field(again, "adduct")->text();
                                Press(again, QDialogButtonBox::Cancel);
                            },
                            &failed_);
                        box->button(QMessageBox::Retry)->click();
                    },
                    &failed_);
                Press(dialog, QDialogButtonBox::Ok);
            },
            &failed_);
        Frame()->Action(doc::Command::IsotopeClusterPattern)->trigger();
        QVERIFY2(refusal.contains(QStringLiteral("charge")), qPrintable(refusal));
        QCOMPARE(ionTypeOnRetry, QString());
        QVERIFY(app_->Document().Data().readyForCalculation);
    }

    void resolvingPowerSplitsTheHeavyIsotopesOfA1() {
        // Caffeine [M+H]+ (195.08765) [A+1]: 15N at +0.997035 u (196.08468) and
        // 13C at +1.003355 u (196.09100), 0.0063 u apart. R 17,500 makes the
        // FWHM 0.0112 at m/z 196: one peak. R 240,000 makes it 0.00082: the two
        // stand apart (2H, another 0.0029 u up, apart from both).
        const std::vector<core::ResolvedPeak> low = PeaksNear196(QStringLiteral("17500"));
        QCOMPARE(low.size(), std::size_t{1});
        const std::vector<core::ResolvedPeak> high = PeaksNear196(QStringLiteral("240000"));
        const auto near = [&high](double mz, double within) {
            return std::any_of(high.begin(), high.end(), [&](const core::ResolvedPeak& peak) {
                return std::abs(peak.mz - mz) < within;
            });
        };
        QVERIFY(near(196.08468, 0.0003));
        QVERIFY(near(196.09100, 0.0003));
    }

    void profileAskedForGoesToThePlot() {
#ifdef TARNEVO_HAVE_PATTERN_PLOT
        RunCluster(Entries(QStringLiteral("C6H5Cl2"), {}, 1, QStringLiteral("30000"), true));
        const std::optional<core::ResolvingPower> power = Frame()->PlotPane()->ResolvingPower();
        QVERIFY(power.has_value());
        QCOMPARE(power->resolution, 30000.0);
#else
        QSKIP("the program has no plot pane");
#endif
    }

    void longLineIsPrintedWholeAndScrollsOnScreen() {
        // 42 x CH2 is 126 characters, within the field's 128: the page's
        // "Ion Formula: " line is 139 characters, wider than any sheet at 0.16
        // inch a line (Courier's cell is 0.085 inch wide: 93 fit on 8 inches).
        QString formula;
        for (int k = 0; k < 42; ++k) formula += QStringLiteral("CH2");
        RunCluster(Entries(formula));
        const std::vector<std::string> page = output::LayoutResultLines(app_->Document().Data().state);
        QCOMPARE(page[1].size(), std::size_t{139});

        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("long.pdf")));
        const std::vector<std::string> printed = View()->PrintedLines(printer);
        const UnitMapping mapping(printer);
        const QFontMetricsF metrics(ResultFont(mapping, output::kPrintFontHeight, QFont::Normal, &printer),
                                    &printer);
        for (const std::string& line : printed) {
            const double right =
                mapping.X(CTARNEVOView::kLineX) + metrics.horizontalAdvance(QString::fromStdString(line));
            QVERIFY2(right <= printer.width(), line.c_str());
        }
        QCOMPARE(printed.size(), page.size() + 1);                // the formula line takes two
        QCOMPARE(Words(printed).size(), Words(page).size() + 1);  // "Ion Formula:" and two pieces
        QCOMPARE(View()->PrintPages(printer), View()->PageCountFor(printer));

        // On screen the line keeps its length and the page scrolls to its end.
        View()->viewport()->grab();
        const UnitMapping screen(*View()->viewport());
        const QFontMetricsF screenMetrics(
            ResultFont(screen, CTARNEVOView::kScreenFontHeight, QFont::Medium, View()->viewport()),
            View()->viewport());
        const double lineUnits =
            screen.UnitsX(screenMetrics.horizontalAdvance(QString::fromStdString(page[1])));
        QVERIFY2(
            View()->ScrollExtentUnits().width() >= CTARNEVOView::kLineX + lineUnits,
            qPrintable(QStringLiteral("%1 < %2").arg(View()->ScrollExtentUnits().width()).arg(lineUnits)));
    }

    // The main window's help said "eight calculations" beside a menu of
    // seven: it names each command of the menu with its shortcut now.
    void mainWindowHelpNamesEveryCalculationOfTheMenu() {
        QFile page(QStringLiteral(":/help/main_window.html"));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(page.readAll()).simplified();
        QVERIFY(!text.contains(QStringLiteral("eight calculations")));
        for (const calc::CalculationDescriptor& calculation : calc::Calculations()) {
            QString name = QString::fromLatin1(calculation.menuText.data(),
                                               static_cast<qsizetype>(calculation.menuText.size()))
                               .remove(u'&')
                               .trimmed();
            const QString entry =
                name + QStringLiteral(" (Ctrl+") + QChar::fromLatin1(calculation.shortcutKey);
            QVERIFY2(text.contains(entry), qPrintable(entry));
        }
    }

private:
    CMainFrame* Frame() const { return app_->MainFrame(); }
    CTARNEVOView* View() const { return app_->View(); }

    void RunCluster(const ClusterEntries& entries) {
        WhenModal<CFormDlg>(
            [&, entries](CFormDlg* dialog) {
                Fill(dialog, entries);
                Press(dialog, QDialogButtonBox::Ok);
            },
            &failed_);
        Frame()->Action(doc::Command::IsotopeClusterPattern)->trigger();
        QVERIFY(!app_->Document().Data().readyForCalculation);
    }

    // The resolved peaks of caffeine [M+H]+ between m/z 196.0 and 196.2 that
    // hold at least 0.01 % of the ion.
    std::vector<core::ResolvedPeak> PeaksNear196(const QString& resolution) {
        if (!app_->Document().Data().readyForCalculation) app_->Document().OnFileNew(app_->Ui());
        RunCluster(Entries(QStringLiteral("C8H10N4O2"), QStringLiteral("[M+H]+"), 1, resolution));
        const output::ResolvedPeaksTable& resolved = app_->Document().Data().state.resolved;
        const std::vector<std::string> page = output::LayoutResultLines(app_->Document().Data().state);
        const std::string heading =
            "Resolved peaks at R " + resolution.toStdString() + ", the same at every m/z";
        // No table on the page: no peaks, and the counts that follow fail.
        const auto headed = [&heading](const std::string& line) { return line.starts_with(heading); };
        if (!resolved.asked || std::none_of(page.begin(), page.end(), headed)) return {};
        std::vector<core::ResolvedPeak> near;
        std::copy_if(resolved.peaks.begin(), resolved.peaks.end(), std::back_inserter(near),
                     [](const core::ResolvedPeak& peak) {
                         return peak.mz > 196.0 && peak.mz < 196.2 && peak.abundance > 1e-4;
                     });
        return near;
    }

    QTemporaryDir settingsDirectory_;
    std::unique_ptr<core::ProgramContext> program_;
    std::unique_ptr<CTARNEVOApp> app_;
    bool failed_ = false;
};

}  // namespace tarnevo::app

QTEST_MAIN(tarnevo::app::DialogExtrasGuiTest)
#include "dialog_extras_gui_test.moc"

// Pins Identify Ion from Pattern end to end on Qt's offscreen platform,
// through the real main window and dialogs: Ctrl+T opens the peak grid, two
// columns copied to the clipboard go into it with Paste, the options dialog
// takes the charge, and the results view draws the page whose ranking lists
// caffeine's [M+H]+ first; a click on the second candidate's row selects it
// (the page's comparison and the plot's list follow), and picking the first
// from the plot pane's list selects it again. Pasted text that is not a list
// of peaks is refused with its message and leaves the grid alone; a refused
// cell comes back for correcting after Retry, and so do peaks of no one
// cluster. A wide question runs behind a progress dialog whose Cancel stops
// it; Tab walks the options as they are laid out; Ctrl+V in a cell spreads a
// copied table, Clear empties the grid, All and None set the ion types; the
// number of candidates to list reaches the page; the selected candidate's
// row is highlighted; and the plot's resolving power field says what the
// plot draws. The peaks are caffeine's
// [M+H]+ cluster (C8H11N4O2+, m/z 195.0877), entered as a user would, so the
// evidence holds only if every step reaches the engine and back.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
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
#include <QChart>
#include <QLineEdit>

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

void FillRows(RecordDialog* dialog, const std::vector<std::pair<QString, QString>>& rows) {
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const std::string number = std::to_string(row + 1);
        Field(dialog, "mz" + number)->setText(rows[row].first);
        Field(dialog, "intensity" + number)->setText(rows[row].second);
    }
}

// What a widget of the options dialog is, as the test names it: the key of
// the field it edits (a radio button by its group's), or its text.
QString NameOf(const RecordDialog& dialog, QWidget* widget, const std::vector<std::string>& keys) {
    for (const std::string& key : keys) {
        QWidget* editor = dialog.EditorForKey(key);
        if (editor == widget || (editor != nullptr && widget->parentWidget() == editor &&
                                 qobject_cast<QRadioButton*>(widget) != nullptr)) {
            return QString::fromStdString(key);
        }
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text().remove(u'&');
    return widget->metaObject()->className();
}

// How many pixels of a band of the view look like the selection's shade: blue
// well above red, as no black text on white ever is.
int ShadedPixels(const QImage& image, int top, int bottom) {
    int shaded = 0;
    for (int y = std::max(0, top); y < std::min(image.height(), bottom); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.blue() - colour.red() > 20) ++shaded;
        }
    }
    return shaded;
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

    // Regression: after "The peaks are not of one cluster: ..." Retry brought
    // the options back, which cannot mend the peaks; only Cancel got out. It
    // brings back the peak grid, with the peaks as they were entered.
    void retryAfterPeaksOfNoClusterReturnsToTheGrid() {
        QString refusal;
        QString secondMz;
        WhenModal<CIdentifyPeaksDlg>(
            [&](CIdentifyPeaksDlg* dialog) {
                FillRows(dialog, {{QStringLiteral("500.0"), QStringLiteral("100")},
                                  {QStringLiteral("500.7"), QStringLiteral("30")}});
                WhenModal<CIdentifyOptionsDlg>(
                    [&](CIdentifyOptionsDlg* options) {
                        Field(options, "charge")->setText(QStringLiteral("0"));
                        WhenModal<QMessageBox>(
                            [&](QMessageBox* box) {
                                refusal = box->text();
                                WhenModal<CIdentifyPeaksDlg>(
                                    [&](CIdentifyPeaksDlg* again) {
                                        secondMz = Field(again, "mz2")->text();
                                        Press(again, QDialogButtonBox::Cancel);
                                    },
                                    &failed_);
                                box->button(QMessageBox::Retry)->click();
                            },
                            &failed_);
                        Press(options, QDialogButtonBox::Ok);
                    },
                    &failed_);
                Press(dialog, QDialogButtonBox::Ok);
            },
            &failed_);
        Key(Qt::Key_T, Qt::ControlModifier);
        QVERIFY2(
            refusal.startsWith(QStringLiteral("The peaks are not of one cluster: m/z 500.0000 and 500.7000")),
            qPrintable(refusal));
        QCOMPARE(secondMz, QStringLiteral("500.7"));
        QVERIFY(app_->Document().Data().readyForCalculation);
    }

    // Regression: a wide question (one peak at m/z 900.5, 100 ppm, every
    // positive ion type: some hundred thousand formulae, seconds of work)
    // froze the window. It runs behind a progress dialog, whose Cancel ends the
    // command with nothing stored and no message.
    void aWideQuestionRunsBehindAProgressDialogThatCancels() {
        bool progressShown = false;
        WhenModal<CIdentifyPeaksDlg>(
            [&](CIdentifyPeaksDlg* dialog) {
                FillRows(dialog, {{QStringLiteral("900.5"), QStringLiteral("100")}});
                WhenModal<CIdentifyOptionsDlg>(
                    [&](CIdentifyOptionsDlg* options) {
                        Field(options, "charge")->setText(QStringLiteral("1"));
                        Field(options, "ppm")->setText(QStringLiteral("100"));
                        WhenModal<QProgressDialog>(
                            [&](QProgressDialog* progress) {
                                progressShown = true;
                                progress->findChild<QPushButton*>()->click();  // its Cancel
                            },
                            &failed_, 1000);
                        Press(options, QDialogButtonBox::Ok);
                    },
                    &failed_);
                Press(dialog, QDialogButtonBox::Ok);
            },
            &failed_);
        Key(Qt::Key_T, Qt::ControlModifier);
        QVERIFY(progressShown);
        QVERIFY(app_->Document().Data().readyForCalculation);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    // Regression: Tab went from the resolving power to the save reminder and
    // OK, and only then to the ion types, elements and filters (the editors
    // put into group boxes had left the order). It follows the layout: down
    // the left column, down the right one, then the reminder, OK and Cancel.
    void tabFollowsTheOptionsLayout() {
        calc::IdentifyOptionsInput input;
        CIdentifyOptionsDlg dialog(input, Frame());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        std::vector<std::string> keys = {"polarity", "charge"};
        QStringList expected = {QStringLiteral("polarity"), QStringLiteral("charge")};
        for (const char* polarity : {"pos", "neg"}) {
            const std::size_t count = std::string(polarity) == "pos"
                                          ? calc::IdentifyOptionsInput::PositiveTypeCount()
                                          : calc::IdentifyOptionsInput::NegativeTypeCount();
            for (std::size_t k = 1; k <= count; ++k) {
                keys.push_back(polarity + std::to_string(k));
                expected << QString::fromStdString(keys.back());
            }
            expected << QStringLiteral("All") << QStringLiteral("None");
        }
        keys.emplace_back("adducts");
        expected << QStringLiteral("adducts");
        for (int row = 1; row <= calc::IdentifyOptionsInput::kElementRows; ++row) {
            for (const char* part : {"symbol", "min", "max"}) {
                keys.push_back(part + std::to_string(row));
                expected << QString::fromStdString(keys.back());
            }
        }
        for (const char* key :
             {"ppm", "resolution", "model", "at", "rdbe", "ratios", "strict", "lewis", "top", "reminder"}) {
            keys.emplace_back(key);
            expected << QString::fromLatin1(key);
        }
        expected << QStringLiteral("OK") << QStringLiteral("Cancel");

        // The walk Tab takes, from the chosen polarity on, once round.
        auto* start = qobject_cast<QGroupBox*>(dialog.EditorForKey("polarity"))->findChild<QRadioButton*>();
        QStringList walked;
        QWidget* widget = start;
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus)
                walked << NameOf(dialog, widget, keys);
            widget = widget->nextInFocusChain();
        } while (widget != start && walked.size() < 200);
        QCOMPARE(walked, expected);

        // And the keys themselves: Tab from the resolving power reaches the model.
        dialog.EditorForKey("resolution")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->parentWidget(), dialog.EditorForKey("model"));
    }

    // All and None check and clear every ion type of the polarity chosen.
    void allAndNoneSetTheIonTypes() {
        calc::IdentifyOptionsInput input;
        CIdentifyOptionsDlg dialog(input, Frame());
        QPushButton* none = nullptr;
        QPushButton* all = nullptr;
        for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
            if (!button->isEnabled()) continue;  // the other polarity's
            if (button->text() == QStringLiteral("None")) none = button;
            if (button->text() == QStringLiteral("All")) all = button;
        }
        QVERIFY(none != nullptr && all != nullptr);
        const auto checked = [&dialog](const char* key) {
            return qobject_cast<QCheckBox*>(dialog.EditorForKey(key))->isChecked();
        };
        none->click();
        QVERIFY(!checked("pos1") && !checked("pos10"));
        QVERIFY(checked("neg1"));  // the other polarity's boxes are left alone
        all->click();
        QVERIFY(checked("pos1") && checked("pos10"));
    }

    // Ctrl+V in a cell spreads a table copied from a spreadsheet over the grid
    // from that cell (the heading skipped, the rows below emptied); Clear
    // empties the grid; Paste has Alt+P.
    void ctrlVSpreadsACopiedTableAndClearEmpties() {
        QStringList seen;
        WhenModal<CIdentifyPeaksDlg>(
            [&](CIdentifyPeaksDlg* dialog) {
                FillRows(dialog, {{QStringLiteral("1"), QStringLiteral("10")},
                                  {QStringLiteral("2"), QStringLiteral("20")},
                                  {QStringLiteral("3"), QStringLiteral("30")},
                                  {QStringLiteral("4"), QStringLiteral("40")}});
                QGuiApplication::clipboard()->setText(
                    QStringLiteral("m/z\tIntensity\n195.08765\t100\n196.09101\t10.4\n"));
                QLineEdit* cell = Field(dialog, "mz2");
                cell->setFocus();
                QTest::keyClick(cell, Qt::Key_V, Qt::ControlModifier);
                seen << Field(dialog, "mz1")->text() << Field(dialog, "mz2")->text()
                     << Field(dialog, "intensity3")->text() << Field(dialog, "mz4")->text();
                dialog->ClearButton()->click();
                seen << Field(dialog, "mz1")->text() << Field(dialog, "intensity3")->text();
                QGuiApplication::clipboard()->setText(QString::fromLatin1(kCaffeinePeaks));
                // Alt+P (which the offscreen platform does not deliver to a
                // mnemonic) is the Paste button's.
                seen << dialog->PasteButton()->shortcut().toString();
                dialog->PasteButton()->click();
                seen << Field(dialog, "mz1")->text();
                Press(dialog, QDialogButtonBox::Cancel);
            },
            &failed_);
        Key(Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(seen, QStringList({QStringLiteral("1"), QStringLiteral("195.08765"), QStringLiteral("10.4"),
                                    QString(), QString(), QString(), QStringLiteral("Alt+P"),
                                    QStringLiteral("195.08765")}));
    }

    // The number of candidates asked for in the options is the number the
    // page lists.
    void theCandidatesToListReachThePage() {
        RunCaffeine(QStringLiteral("2"));
        const output::IdentificationPage page =
            output::LayoutIdentificationPage(app_->Document().Data().state);
        QCOMPARE(page.candidateLines, std::size_t{2});
    }

    // The selected candidate's row stands on a highlight, which follows a
    // click on another row.
    void theSelectedRowIsHighlighted() {
        RunCaffeine();
        output::CalculationState& state = app_->Document().Data().state;
        const std::size_t first = output::LayoutIdentificationPage(state).firstCandidateLine;
        const double pixelsPerUnit = View()->viewport()->logicalDpiY() / 100.0;
        const auto band = [&](std::size_t line) {
            const double top = CTARNEVOView::kScreenFirstLineY + 24.0 * static_cast<double>(line);
            return std::pair{
                static_cast<int>(top * pixelsPerUnit) - View()->verticalScrollBar()->value() + 2,
                static_cast<int>((top + 22.0) * pixelsPerUnit) - View()->verticalScrollBar()->value() - 2};
        };
        const auto shadedOn = [&](std::size_t line) {
            const QImage image = View()->viewport()->grab().toImage();
            const auto [top, bottom] = band(line);
            return ShadedPixels(image, top, bottom);
        };
        QVERIFY(shadedOn(first) > 50);
        QCOMPARE(shadedOn(first + 1), 0);
        const auto [top, bottom] = band(first + 1);
        QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, QPoint(200, (top + bottom) / 2));
        QCOMPARE(state.identification.selected, std::size_t{1});
        QVERIFY(shadedOn(first + 1) > 50);
        QCOMPARE(shadedOn(first), 0);
    }

#ifdef TARNEVO_HAVE_PATTERN_PLOT
    // Regression: the plot pane's resolving power field said "Off" (or held
    // another value) while the legend of an identification named R 60,000. New
    // results put the resolving power they were scored at into the field, and
    // a value typed there redraws the candidate at it: one resolving power,
    // said once.
    void thePlotsResolvingPowerIsTheFieldsOne() {
        RunCaffeine();
        PatternPlotPane* pane = Frame()->PlotPane();
        QCOMPARE(pane->ResolvingPowerField()->text(), QStringLiteral("60000"));
        QCOMPARE(pane->View()->chart()->series().front()->name(), QStringLiteral("Profile at R 60,000"));
        QLineEdit* field = pane->ResolvingPowerField();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("240000"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(pane->View()->chart()->series().front()->name(), QStringLiteral("Profile at R 240,000"));
        // The results themselves stay as scored.
        QCOMPARE(app_->Document().Data().state.identification.query.power.resolution, 60000.0);
    }
#endif

private:
    CMainFrame* Frame() const { return app_->MainFrame(); }
    CTARNEVOView* View() const { return app_->View(); }

    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        QTest::keyClick(Frame(), key, modifiers);
    }

    // Ctrl+T; the peaks pasted from the clipboard; charge 1 (and the number
    // of candidates to list, if given) and OK.
    void RunCaffeine(const QString& listed = QString()) {
        QGuiApplication::clipboard()->setText(QString::fromLatin1(kCaffeinePeaks));
        WhenModal<CIdentifyPeaksDlg>(
            [this, listed](CIdentifyPeaksDlg* dialog) {
                dialog->PasteButton()->click();
                QCOMPARE(Field(dialog, "mz3")->text(), QStringLiteral("197.09203"));
                QCOMPARE(Field(dialog, "intensity2")->text(), QStringLiteral("10.4"));
                WhenModal<CIdentifyOptionsDlg>(
                    [listed](CIdentifyOptionsDlg* options) {
                        Field(options, "charge")->setText(QStringLiteral("1"));
                        if (!listed.isEmpty()) Field(options, "top")->setText(listed);
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

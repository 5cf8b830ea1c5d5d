// Pins the desktop program end to end on Qt's offscreen platform: the start
// state, a cluster calculation typed into the real dialog and drawn by the view,
// the refusal of a second calculation, File New with and without the save
// reminder, Save and Save As (a write-protected report refused), closing with
// the reminder, a refused dialog entry, a dialog built from field descriptions,
// the advice screen of the cluster ions command, Correct for Loss of H through
// its two dialogs, printing to PDF and print preview, click-for-help, the Pattern
// Plot pane (its series after a cluster, hover, zoom, saving the picture, the View
// item and its remembered state), and Export Table under a comma-decimal locale.
// The faults a user found are pinned each by a test that failed before its fix:
// Escape and the close button do not answer a Yes/No question, the plot's
// hover text stays while the pointer rests and names its series, axis labels
// stay distinct and whole, Tab rests on the chosen radio button and the arrows
// move the choice, the Jx note stands under the valence field, F1 on results
// opens the calculation's page and Shift+F1 starts click-for-help, the export
// dialog says what it does, and read-only fields look read-only.
// Modal dialogs
// are driven as a user would: a timer finds the active modal window, types into
// its fields and presses its buttons. The evidence holds because nothing here
// calls the handlers directly: keys go to the main window and every answer goes
// through the widgets.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <algorithm>
#include <clocale>
#include <functional>
#include <memory>

#ifdef TARNEVO_HAVE_PATTERN_PLOT
#include <QLineSeries>
#include <QValueAxis>
#include <QWheelEvent>

#include "app/pattern_plot.h"
#endif

#include "app/context_help.h"
#include "app/file_filter.h"
#include "app/form_dialog.h"
#include "app/main_frame.h"
#include "app/qt_user_interface.h"
#include "app/record_dialog.h"
#include "app/tarnevo_app.h"
#include "app/tarnevo_view.h"
#include "calc/labelling_input.h"
#include "calc/user_element_input.h"
#include "core/enriched_element.h"
#include "core/formula_parser.h"
#include "document/command_enabling.h"
#include "output/csv_table.h"
#include "output/page_layout.h"
#include "output/print_layout.h"
#include "tests/support/dismiss_modal.h"

namespace tarnevo::app {
namespace {

using doc::Command;

// Runs act on the next modal window of type T once it shows (polling, so that
// it also finds a window opened from inside another modal one). If none comes,
// failed is set and every modal window is closed so that the test ends.
template <typename T>
void WhenModal(std::function<void(T*)> act, bool* failed, const QWidget* notThis = nullptr,
               int triesLeft = 300) {
    QTimer::singleShot(10, [act, failed, notThis, triesLeft] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* widget = qobject_cast<T*>(modal);
            widget != nullptr && widget != notThis && widget->isVisible()) {
            act(widget);
            return;
        }
        if (triesLeft > 0) {
            WhenModal<T>(act, failed, notThis, triesLeft - 1);
            return;
        }
        *failed = true;
        while (QWidget* open = QApplication::activeModalWidget()) tarnevo::testing::DismissModal(open);
    });
}

QLineEdit* Field(QWidget* dialog, std::string_view key) {
    return qobject_cast<QLineEdit*>(static_cast<RecordDialog*>(dialog)->EditorForKey(key));
}

void Press(QWidget* dialog, QDialogButtonBox::StandardButton which) {
    dialog->findChild<QDialogButtonBox*>()->button(which)->click();
}

// Types a whole path into the file dialog's name field and accepts, as a user
// would. (QFileDialog::selectFile leaves the field alone once it has the
// focus, which depends on when the window gets activated.)
void TypeFileName(QFileDialog* files, const QString& path) {
    auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name != nullptr);
    name->setText(path);
    static_cast<QDialog*>(files)->accept();
}

void Press(QMessageBox* box, QMessageBox::StandardButton which) { box->button(which)->click(); }

}  // namespace

class AppGuiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        // Remembered settings go to a scratch place of this process, not the
        // user's own nor that of a test running beside it.
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
        StartWatchdog();
    }

    void cleanup() {
        watchdog_.stop();
        QVERIFY2(unattended_.isEmpty(), qPrintable(QStringLiteral("unexpected window: ") + unattended_));
        QVERIFY2(!failed_, "an expected modal window did not come up");
        app_.reset();
        program_.reset();
    }

    void startState() {
        QVERIFY(Frame()->windowState().testFlag(Qt::WindowMaximized));
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("Untitled - TARNEVO"));
        QVERIFY(View()->State().showWelcome);
        QVERIFY(app_->Document().Data().readyForCalculation);
        for (Command disabled :
             {Command::FileSave, Command::FileSaveAs, Command::FilePrint, Command::FilePrintPreview,
              Command::FilePrintSetup, Command::FileOpen, Command::EditUndo, Command::EditCut,
              Command::EditCopy, Command::EditPaste}) {
            QVERIFY2(!Frame()->Action(disabled)->isEnabled(), qPrintable(Frame()->Action(disabled)->text()));
        }
        for (Command enabled : {Command::FileNew, Command::IsotopeClusterPattern,
                                Command::DisplayIsotopicData, Command::AppAbout}) {
            QVERIFY(Frame()->Action(enabled)->isEnabled());
        }
        QCOMPARE(Frame()->MessagePane()->text(), QStringLiteral("For Help, press F1"));

        // The Calculations menu: texts with mnemonics, a blank before the shortcut.
        QMenu* calculations = nullptr;
        for (QAction* top : Frame()->menuBar()->actions()) {
            if (top->text() == QStringLiteral("&Calculations")) calculations = top->menu();
        }
        QVERIFY(calculations != nullptr);
        QCOMPARE(calculations->actions().front()->text(), QStringLiteral("&Isotope Cluster Pattern "));
        QCOMPARE(calculations->actions().front()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));

        // Toolbar buttons left to right (0: separator).
        QList<int> order;
        for (QAction* action : Frame()->ToolBar()->actions()) {
            order << (action->isSeparator() ? 0 : action->data().toInt());
        }
        const QList<int> expected = {57600, 57603, 0,     57607, 32772, 32775, 32780,
                                     32782, 32786, 32789, 32793, 0,     57664, 57669};
        QCOMPARE(order, expected);

        // The welcome lines are drawn: dark pixels in the middle of the page.
        const QImage page = View()->viewport()->grab().toImage();
        int dark = 0;
        for (int y = page.height() / 3; y < page.height() * 2 / 3; ++y) {
            for (int x = 0; x < page.width(); ++x) dark += qGray(page.pixel(x, y)) < 128 ? 1 : 0;
        }
        QVERIFY(dark > 100);
    }

    void clusterThroughDialogDrawsResults() {
        RunCluster("C6H5Cl2", "1", true);
        const doc::Document& document = app_->Document().Data();
        QVERIFY(!document.readyForCalculation);
        QVERIFY(!View()->State().showWelcome);
        // 6 x 12 + 5 x 1.007825 + 2 x 34.96885 - 0.000548579909 = 146.97627642, from the
        // lightest isotopes and the electron removed by the positive charge.
        QVERIFY(std::abs(document.state.ionMassA - 146.97627642) < 1e-6);
        QVERIFY(Frame()->Action(Command::FileSave)->isEnabled());
        QVERIFY(Frame()->Action(Command::FilePrint)->isEnabled());

        View()->viewport()->grab();  // one screen pass
        const auto lines = static_cast<int>(output::LayoutResultLines(document.state).size());
        QCOMPARE(View()->LineCounter(), lines);
        // Vertical extent: 20 units plus 24 for every line advance.
        QCOMPARE(View()->ScrollExtentUnits().height(), 20.0 + 24.0 * lines);
        // Horizontal: 82 monospaced cells of the 22-unit font plus 100 units,
        // however short the lines; a Courier cell is 0.6 em and the em about
        // 19.4 units (22-unit cell / 1.13), so 82 cells are close to 955 units.
        QVERIFY(View()->ScrollExtentUnits().width() > 900 && View()->ScrollExtentUnits().width() < 1100);
    }

    void secondCalculationRefused() {
        RunCluster("C6H6", "1", true);
        QString shown;
        WhenModal<QMessageBox>(
            [&shown](QMessageBox* box) {
                shown = box->text();
                QCOMPARE(box->icon(), QMessageBox::Warning);
                Press(box, QMessageBox::Ok);
            },
            &failed_);
        Key(Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(shown, QStringLiteral("Click 'File, New' (Ctrl+N) before another calculation!"));
        QVERIFY(!app_->Document().Data().readyForCalculation);
        QCOMPARE(QString::fromStdString(app_->Document().Data().state.formulaText), QStringLiteral("C6H6"));
    }

    void fileNewWithoutReminder() {
        RunCluster("C6H6", "1", false);
        bool asked = false;
        WhenModal<QWidget>(
            [&asked](QWidget* modal) {
                asked = true;
                modal->close();
            },
            &failed_, nullptr, 20);
        Key(Qt::Key_N, Qt::ControlModifier);
        QTest::qWait(300);
        failed_ = false;  // no modal window was expected
        QVERIFY(!asked);
        QVERIFY(app_->Document().Data().readyForCalculation);
        QVERIFY(!Frame()->Action(Command::FileSave)->isEnabled());
        QVERIFY(!Frame()->Action(Command::FileSaveAs)->isEnabled());
        QVERIFY(!View()->State().showWelcome);  // the welcome text does not return
    }

    void fileNewWithReminderSaves() {
        RunCluster("C6H6", "1", true);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("reminded.txt"));
        QString question;
        QString offeredName;
        WhenModal<QMessageBox>(
            [&](QMessageBox* box) {
                question = box->text();
                QCOMPARE(box->icon(), QMessageBox::Question);
                WhenModal<QFileDialog>(
                    [&](QFileDialog* files) {
                        offeredName = files->selectedFiles().value(0).section(u'/', -1);
                        TypeFileName(files, path);
                    },
                    &failed_);
                Press(box, QMessageBox::Yes);
            },
            &failed_);
        Key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(question, QStringLiteral("Current data set is not saved, save it?"));
        QCOMPARE(offeredName, QStringLiteral("File_X.txt"));
        QFile report(path);
        QVERIFY(report.open(QIODevice::ReadOnly));
        QVERIFY(report.readLine().startsWith("TARNEVO Isotope Cluster Data"));
        QVERIFY(app_->Document().Data().readyForCalculation);
    }

    void saveDisablesSaveKeepsSaveAs() {
        RunCluster("C6H6", "1", true);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("benzene"));
        WhenModal<QFileDialog>([&](QFileDialog* files) { TypeFileName(files, path); }, &failed_);
        Key(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(QFile::exists(path + QStringLiteral(".txt")));  // the default extension was added
        QVERIFY(!Frame()->Action(Command::FileSave)->isEnabled());
        QVERIFY(Frame()->Action(Command::FileSaveAs)->isEnabled());
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("benzene.txt - TARNEVO"));
    }

    // A write-protected report picked in Save As: the file dialog's own
    // overwrite question is answered Yes, and the save is still refused with a
    // message, the file unchanged and Save still available.
    void saveOverWriteProtectedReportIsRefused() {
        RunCluster("C6H6", "1", true);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kept.txt"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old report\r\n");
        }
        QVERIFY(QFile::setPermissions(
            path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        QString refusal;
        WhenModal<QFileDialog>(
            [&](QFileDialog* files) {
                WhenModal<QMessageBox>(
                    [&](QMessageBox* confirm) {
                        WhenModal<QMessageBox>(
                            [&](QMessageBox* error) {
                                refusal = error->text();
                                Press(error, QMessageBox::Ok);
                            },
                            &failed_, confirm);
                        Press(confirm, QMessageBox::Yes);
                    },
                    &failed_);
                TypeFileName(files, path);
            },
            &failed_);
        Key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(refusal, QStringLiteral("The report could not be saved to \"") + path +
                              QStringLiteral(
                                  "\": The file is read-only. Any earlier file of that name is unchanged."));
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("old report\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        QVERIFY(Frame()->Action(Command::FileSave)->isEnabled());
    }

    void chargeOutOfRangeKeepsDialogOpen() {
        QString refusal;
        bool stillOpen = false;
        bool chargeFocused = false;
        WhenModal<CFormDlg>(
            [&](CFormDlg* dialog) {
                Field(dialog, "formula")->setText(QStringLiteral("C6H6"));
                Field(dialog, "charge")->setText(QStringLiteral("31"));
                WhenModal<QMessageBox>(
                    [&, dialog](QMessageBox* box) {
                        refusal = box->text();
                        Press(box, QMessageBox::Ok);
                        QTimer::singleShot(50, [&, dialog] {
                            stillOpen = dialog->isVisible();
                            chargeFocused = dialog->focusWidget() == Field(dialog, "charge");
                            Press(dialog, QDialogButtonBox::Cancel);
                        });
                    },
                    &failed_);
                Press(dialog, QDialogButtonBox::Ok);
            },
            &failed_);
        Key(Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(refusal, QStringLiteral("Please enter an integer between -30 and 30."));
        QVERIFY(stillOpen);
        QVERIFY(chargeFocused);
        // Cancelled: nothing stored, the preset charge untouched.
        QVERIFY(app_->Document().Data().readyForCalculation);
        QCOMPARE(View()->State().charge, 1);
    }

    void printsToPdfWithPageCount() {
        RunCluster("Br200", "1", true);  // peaks [A+0] .. [A+250]: well over two pages
        const auto lines = static_cast<int>(output::LayoutResultLines(app_->Document().Data().state).size());
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("cluster.pdf")));
        const int linesPerPage = output::PaginationFor(printer.height(), printer.logicalDpiY()).linesPerPage;
        const int expected = (lines + linesPerPage - 1) / linesPerPage;
        QVERIFY2(expected >= 2,
                 qPrintable(QStringLiteral("%1 lines, %2 a page").arg(lines).arg(linesPerPage)));
        QCOMPARE(View()->PrintPages(printer), expected);
        QCOMPARE(View()->LinesPerPage(), linesPerPage);

        QFile pdf(printer.outputFileName());
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QString content = QString::fromLatin1(pdf.readAll());
        QCOMPARE(content.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))), expected);

        // Print Preview draws the same pages through the same routine.
        int previewPages = -1;
        WhenModal<QPrintPreviewDialog>(
            [&previewPages](QPrintPreviewDialog* preview) {
                previewPages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
                preview->close();
            },
            &failed_);
        Frame()->Action(Command::FilePrintPreview)->trigger();
        QCOMPARE(previewPages, View()->PageCountFor(app_->Printer()));
        QVERIFY(previewPages >= 2);
    }

    void clickForHelpOpensTopicInsteadOfActing() {
        Key(Qt::Key_F1, Qt::ControlModifier);
        QVERIFY(app_->Help().InContextHelpMode());
        QWidget* button =
            Frame()->ToolBar()->widgetForAction(Frame()->Action(Command::IsotopeClusterPattern));
        QVERIFY(button != nullptr);
        bool dialogOpened = false;
        WhenModal<QWidget>(
            [&dialogOpened](QWidget* modal) {
                dialogOpened = true;
                modal->close();
            },
            &failed_, nullptr, 20);
        QTest::mouseClick(button, Qt::LeftButton);
        QTest::qWait(300);
        failed_ = false;  // no dialog was expected
        QVERIFY(!dialogOpened);
        QVERIFY(!app_->Help().InContextHelpMode());
        QCOMPARE(app_->Help().Window()->CurrentPage(), QStringLiteral("isotope_cluster.html"));
        QVERIFY(View()->State().showWelcome);  // the calculation did not start

        Frame()->Action(Command::GettingStarted)->trigger();
        QCOMPARE(app_->Help().Window()->CurrentPage(), QStringLiteral("getting_started.html"));
    }

    void clusterIonsAdviceAndContinue() {
        Key(Qt::Key_K, Qt::ControlModifier);
        QPushButton* button = View()->ContinueButton();
        QVERIFY(button != nullptr);
        QCOMPARE(button->text(), QStringLiteral("CONTINUE"));
        QCOMPARE(button->size(), QSize(120, 30));
        View()->viewport()->grab().save(QStringLiteral(TARNEVO_SCREENSHOT_PATH) +
                                        QStringLiteral(".advice.png"));
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        QCOMPARE(QApplication::focusWidget(), button);  // Enter or Space continues
        QString caption;
        bool buttonGoneWhileAsking = false;
        WhenModal<RecordDialog>(
            [this, &caption, &buttonGoneWhileAsking](RecordDialog* dialog) {
                caption = dialog->windowTitle();
                QPushButton* shown = View()->ContinueButton();
                buttonGoneWhileAsking = shown == nullptr || !shown->isVisible();
                Press(dialog, QDialogButtonBox::Cancel);
            },
            &failed_);
        QTest::keyClick(button, Qt::Key_Space);
        QCOMPARE(caption, QStringLiteral("Neutral Repeating Unit Formulae Entry"));
        QVERIFY(buttonGoneWhileAsking);
        QVERIFY(View()->ContinueButton() == nullptr);  // gone with the advice
        QVERIFY(app_->Document().Data().readyForCalculation);
    }

    // The whole Ctrl+K road: advice, CONTINUE, both dialogs (the m/z radio
    // button greys the RU fields), and eight ions (C2H4O)nNa, n = 1 .. 8, drawn.
    void clusterIonsThroughBothDialogsToResults() {
        Key(Qt::Key_K, Qt::ControlModifier);
        QPushButton* button = View()->ContinueButton();
        QVERIFY(button != nullptr);
        bool rangeFieldsFollowedTheChoice = false;
        WhenModal<RecordDialog>(
            [this, &rangeFieldsFollowedTheChoice](RecordDialog* formulae) {
                QCOMPARE(formulae->windowTitle(), QStringLiteral("Neutral Repeating Unit Formulae Entry"));
                Field(formulae, "ru")->setText(QStringLiteral("C2H4O"));
                Field(formulae, "ci")->setText(QStringLiteral("Na"));
                WhenModal<RecordDialog>(
                    [&rangeFieldsFollowedTheChoice](RecordDialog* parameters) {
                        QCOMPARE(parameters->windowTitle(),
                                 QStringLiteral("Neutral Repeating Unit Parameter Entry"));
                        QVERIFY(Field(parameters, "min-ru")->isEnabled());
                        QVERIFY(!Field(parameters, "min-mz")->isEnabled());
                        const auto radios = parameters->EditorForKey("range")->findChildren<QRadioButton*>();
                        QCOMPARE(radios.size(), 2);
                        radios[1]->click();
                        rangeFieldsFollowedTheChoice = !Field(parameters, "min-ru")->isEnabled() &&
                                                       Field(parameters, "max-mz")->isEnabled();
                        QCOMPARE(Field(parameters, "min-mz")->text(), QStringLiteral("50"));
                        QCOMPARE(Field(parameters, "max-mz")->text(), QStringLiteral("400"));
                        Press(parameters, QDialogButtonBox::Ok);
                    },
                    &failed_);
                Press(formulae, QDialogButtonBox::Ok);
            },
            &failed_);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(rangeFieldsFollowedTheChoice);
        const doc::Document& document = app_->Document().Data();
        QVERIFY(!document.readyForCalculation);
        QCOMPARE(document.state.calcKind, output::CalcKind::RepeatingUnits);
        QCOMPARE(document.state.series.ionCount, 8);
        QCOMPARE(document.state.series.firstRUCount, 1);
        QVERIFY(Frame()->Action(Command::FilePrint)->isEnabled());
        View()->viewport()->grab();
        QVERIFY(View()->LineCounter() > 8 * 5);
    }

    void exitAsksThenCloses() {
        RunCluster("C6H6", "1", true);
        QString question;
        WhenModal<QMessageBox>(
            [&question](QMessageBox* box) {
                question = box->text();
                Press(box, QMessageBox::No);
            },
            &failed_);
        Frame()->Action(Command::AppExit)->trigger();
        QCOMPARE(question, QStringLiteral("Current data set is not saved, save it?"));
        QVERIFY(!Frame()->isVisible());
    }

    void exitClosesTheHelpWindowToo() {
        app_->Help().ShowContents();
        QPointer<HelpWindow> help = app_->Help().Window();
        QVERIFY(help != nullptr && help->isVisible());
        Frame()->Action(Command::AppExit)->trigger();  // a fresh data set: no reminder
        QVERIFY(!Frame()->isVisible());
        QVERIFY(help == nullptr || !help->isVisible());
    }

    void helpWindowClosesWithEscape() {
        app_->Help().ShowContents();
        HelpWindow* help = app_->Help().Window();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        help->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(help));
        QTest::keyClick(help, Qt::Key_Escape);
        QVERIFY(!help->isVisible());
    }

    // A long page scrolled to its end; File New and the next results open at the
    // top, and Home and End move through the page.
    void newResultsStartAtTheTop() {
        RunCluster("C6464H9950N1714O2016S44", "1", false);
        View()->viewport()->repaint();  // the pass sets the scroll extent
        QScrollBar* vertical = View()->verticalScrollBar();
        QVERIFY(vertical->maximum() > 0);
        View()->setFocus();
        QTest::keyClick(View(), Qt::Key_End);
        QCOMPARE(vertical->value(), vertical->maximum());
        QTest::keyClick(View(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(vertical->value(), 0);
        vertical->setValue(vertical->maximum());
        Key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(vertical->value(), 0);
        vertical->setValue(vertical->maximum());
        bool presetSelected = false;
        WhenModal<CFormDlg>(
            [&presetSelected](CFormDlg* dialog) {
                presetSelected =
                    Field(dialog, "formula")->selectedText() == QStringLiteral("C6464H9950N1714O2016S44");
                Field(dialog, "formula")->setText(QStringLiteral("Sn10Cl20Br10"));
                Press(dialog, QDialogButtonBox::Ok);
            },
            &failed_);
        Key(Qt::Key_I, Qt::ControlModifier);
        QVERIFY(presetSelected);  // typing replaces the last formula
        QVERIFY(!app_->Document().Data().readyForCalculation);
        QCOMPARE(vertical->value(), 0);
    }

    void windowHasAUsableSizeWhenNotMaximized() {
        const QSize available = QGuiApplication::primaryScreen()->availableGeometry().size();
        QVERIFY(Frame()->normalGeometry().width() >= available.width() * 8 / 10);
        QVERIFY(Frame()->normalGeometry().height() >= available.height() * 8 / 10);
    }

    void isotopicDataThroughGenericDialog() {
        WhenModal<RecordDialog>(
            [](RecordDialog* dialog) {
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Elemental Isotopic Display"));
                Field(dialog, "symbol")->setText(QStringLiteral("Cl"));
                Press(dialog, QDialogButtonBox::Ok);
            },
            &failed_);
        Key(Qt::Key_D, Qt::ControlModifier);
        const doc::Document& document = app_->Document().Data();
        QVERIFY(!document.readyForCalculation);
        QCOMPARE(document.state.calcKind, output::CalcKind::IsotopicData);
        QCOMPARE(document.state.details.lastIsotopeIndex[0], 1);  // 35Cl and 37Cl
        View()->viewport()->grab();
        QVERIFY(View()->LineCounter() > 2);
    }

    // Ctrl+H through the formula dialog and the nested peak dialog, as typed,
    // to the drawn result page. C6H6+ from with 100, 50, 0.1: removing
    // [M-H]+ leaves [A+0] = 50 - 6.55 and [A+1] = 0.1 - 0.175, a negative value
    // that the page prints as -0.182 after scaling [A+0] to 100.
    void lossOfHThroughBothDialogsToPage() {
        bool peaksOffered = false;
        WhenModal<RecordDialog>(
            [this, &peaksOffered](RecordDialog* form) {
                QCOMPARE(form->windowTitle(), QStringLiteral("Formula Data for the Loss of H Calculation"));
                Field(form, "formula")->setText(QStringLiteral("C6H6"));
                Field(form, "first-mz")->setText(QStringLiteral("77.05"));
                qobject_cast<QCheckBox*>(form->EditorForKey("reminder"))->setChecked(false);
                WhenModal<RecordDialog>(
                    [&peaksOffered](RecordDialog* peaks) {
                        QCOMPARE(peaks->windowTitle(), QStringLiteral("Peaks in the Mass Spectrum"));
                        peaksOffered = Field(peaks, "mz1")->isReadOnly() &&
                                       Field(peaks, "mz2")->text() == QStringLiteral("78.05") &&
                                       Field(peaks, "intensity1")->text() == QStringLiteral("0");
                        Field(peaks, "intensity1")->setText(QStringLiteral("100"));
                        Field(peaks, "intensity2")->setText(QStringLiteral("50"));
                        Field(peaks, "intensity3")->setText(QStringLiteral("0.1"));
                        Press(peaks, QDialogButtonBox::Ok);
                    },
                    // No notThis: the formula dialog is hidden by OK before the
                    // poll runs, and the peak dialog may be allocated at the
                    // address the destroyed formula dialog had.
                    &failed_);
                Press(form, QDialogButtonBox::Ok);
            },
            &failed_);
        Key(Qt::Key_H, Qt::ControlModifier);
        QVERIFY(peaksOffered);
        const doc::Document& document = app_->Document().Data();
        QVERIFY(!document.readyForCalculation);
        QCOMPARE(document.state.calcKind, output::CalcKind::LossOfH);
        QCOMPARE(document.state.spectrum.correctedCount, 2);
        QCOMPARE(program_->stopFASetting, 0.99999);
        const std::vector<std::string> lines = output::LayoutResultLines(document.state);
        QVERIFY(std::find(lines.begin(), lines.end(),
                          std::string("  [A+0]      78.05    100.000        [A+1]      79.05     -0.182")) !=
                lines.end());
        View()->viewport()->grab();
        QCOMPARE(View()->LineCounter(), static_cast<int>(lines.size()));
        QVERIFY(Frame()->Action(Command::FileSave)->isEnabled());
    }

    void saveFilterConversion() {
        QCOMPARE(NameFiltersFrom("Data Files (*.txt)|*.txt|All Files (*.*)|*.*||"),
                 QStringList({QStringLiteral("Data Files (*.txt)"), QStringLiteral("All Files (*)")}));
        QCOMPARE(NameFiltersFrom("Reports|*.txt;*.csv||"),
                 QStringList({QStringLiteral("Reports (*.txt *.csv)")}));
    }

    void screenshotOfResults() {
        Frame()->showNormal();
        Frame()->resize(1180, 560);  // wide enough for both columns of the peak table
        RunCluster("C6H5Cl2", "1", true);
        View()->viewport()->repaint();  // the pass sets the scroll extent; the bars follow
        QTest::qWait(50);
        const QPixmap shot = Frame()->grab();
        QVERIFY(!shot.isNull());
        QVERIFY(shot.save(QStringLiteral(TARNEVO_SCREENSHOT_PATH)));
    }

    // File > Export Table writes the CSV of the results, with '.' decimals even
    // when the desktop's locale writes numbers with a comma.
    void exportTableUnderCommaLocale() {
        QVERIFY(!Frame()->Action(Command::FileExportTable)->isEnabled());
        RunCluster("Br2", "1", false);
        QVERIFY(Frame()->Action(Command::FileExportTable)->isEnabled());
        QTemporaryDir directory;
        const QString path = directory.filePath(QStringLiteral("br2.csv"));
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr ||
                            std::setlocale(LC_ALL, "de_DE.utf8") != nullptr;
        QString title;
        WhenModal<QFileDialog>(
            [path, &title](QFileDialog* files) {
                title = files->windowTitle();
                TypeFileName(files, path);
            },
            &failed_);
        Frame()->Action(Command::FileExportTable)->trigger();
        QCOMPARE(title, QStringLiteral("Export Table"));  // regression: it said "Save As"
        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(previous);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray csv = file.readAll();
        QCOMPARE(csv.toStdString(), output::ComposeCsv(app_->Document().Data().state));
        QVERIFY(csv.startsWith("ion,n,mz,centroidMz,fa,rel\nBr2,0,157.8361"));
        if (!german) qInfo("de_DE locale not installed: only Qt's locale used a comma");
        // Exporting is not saving: Save is still offered.
        QVERIFY(Frame()->Action(Command::FileSave)->isEnabled());
        Key(Qt::Key_N, Qt::ControlModifier);
        QVERIFY(!Frame()->Action(Command::FileExportTable)->isEnabled());
    }

    // The pane after a cluster calculation: one stick per peak at its m/z,
    // Rel % high; hovering reads a peak; the wheel and a double click zoom and
    // reset the m/z axis; File New empties it again.
    void patternPlotShowsTheCluster() {
#ifndef TARNEVO_HAVE_PATTERN_PLOT
        QSKIP("built without Qt Charts");
#else
        PatternPlotPane* pane = Frame()->PlotPane();
        QVERIFY(pane != nullptr);
        QVERIFY(pane->isVisible());
        QVERIFY(Frame()->dockWidgetArea(pane) == Qt::BottomDockWidgetArea);
        PatternPlotView* plot = pane->View();
        QVERIFY(plot->chart()->series().isEmpty());
        QVERIFY(plot->chart()->title().startsWith(QStringLiteral("Run a calculation")));

        RunCluster("Br2", "1", false);
        QTest::qWait(20);
        // Br2: [A+0], [A+2], [A+4] with FAs p^2, 2pq, q^2 (p = 0.5069); odd
        // peaks are empty. Each stick goes up and back down: three points a peak.
        QCOMPARE(plot->chart()->series().size(), 1);
        auto* sticks = qobject_cast<QLineSeries*>(plot->chart()->series().front());
        QVERIFY(sticks != nullptr);
        QCOMPARE(sticks->count(), 3 * 5);
        const output::CalculationState& state = app_->Document().Data().state;
        const QPointF top2 = sticks->at(2 * 3 + 1);
        QVERIFY(std::abs(top2.x() - state.cluster.peakCentroidMz[2]) < 1e-9);
        QVERIFY(std::abs(top2.x() - (2 * 78.91834 + 2 - 0.00205 - 0.000548579909)) < 1e-4);
        QCOMPARE(top2.y(), 100.0);
        QVERIFY(std::abs(sticks->at(1).y() - 0.5069 / (2 * 0.4931) * 100) < 1e-6);
        QVERIFY(plot->chart()->title().contains(QStringLiteral("Br2")));
        QVERIFY(plot->chart()->title().contains(QStringLiteral("[A+0] m/z 157.8361")));

        // Hover halfway up the [A+2] stick.
        const QPointF inChart = plot->chart()->mapToPosition(QPointF(top2.x(), 50.0), sticks);
        const QPoint onStick = plot->mapFromScene(plot->chart()->mapToScene(inChart));
        QVERIFY(plot->HoverTextAt(onStick).startsWith(QStringLiteral("Br2\n[A+2]\nm/z 159.83")));
        QVERIFY(plot->HoverTextAt(onStick).contains(QStringLiteral("Rel % 100.000")));
        QVERIFY(plot->HoverTextAt(onStick + QPoint(40, 0)).isEmpty());

        // One wheel notch in narrows the m/z axis to 80 %; a double click resets it.
        const double width = plot->AxisX()->max() - plot->AxisX()->min();
        QWheelEvent wheel(QPointF(onStick), QPointF(plot->mapToGlobal(onStick)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(plot->viewport(), &wheel);
        QVERIFY(std::abs((plot->AxisX()->max() - plot->AxisX()->min()) - 0.8 * width) < 1e-6 * width);
        QTest::mouseDClick(plot->viewport(), Qt::LeftButton, Qt::NoModifier, onStick);
        QVERIFY(std::abs((plot->AxisX()->max() - plot->AxisX()->min()) - width) < 1e-9 * width);

        // A rectangle dragged across part of the plot zooms the m/z axis to it;
        // the height axis keeps its scale.
        const double heightRange = plot->AxisY()->max() - plot->AxisY()->min();
        const QPoint from = onStick - QPoint(60, 0);
        const QPoint to = onStick + QPoint(60, 20);
        QTest::mousePress(plot->viewport(), Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(plot->viewport(), onStick);
        QTest::mouseMove(plot->viewport(), to);
        QTest::mouseRelease(plot->viewport(), Qt::LeftButton, Qt::NoModifier, to);
        QVERIFY(plot->AxisX()->max() - plot->AxisX()->min() < 0.5 * width);
        QVERIFY(plot->AxisX()->min() < top2.x() && top2.x() < plot->AxisX()->max());
        QCOMPARE(plot->AxisY()->max() - plot->AxisY()->min(), heightRange);
        QTest::mouseDClick(plot->viewport(), Qt::LeftButton, Qt::NoModifier, onStick);

        // Saved as PNG through the file dialog.
        QTemporaryDir directory;
        const QString png = directory.filePath(QStringLiteral("br2.png"));
        WhenModal<QFileDialog>([png](QFileDialog* files) { TypeFileName(files, png); }, &failed_);
        plot->SaveImage(false);
        QFile image(png);
        QVERIFY(image.open(QIODevice::ReadOnly));
        QVERIFY(image.read(8) == QByteArray("\x89PNG\r\n\x1a\n", 8));
        QVERIFY(plot->SvgBytes().contains("<svg"));

        Key(Qt::Key_N, Qt::ControlModifier);
        QVERIFY(plot->chart()->series().isEmpty());
        QVERIFY(plot->Data().empty);

        // A plot with ion labels replaced by another: nothing of the first stays.
        output::PlotData labelled;
        labelled.empty = false;
        labelled.series = {{"ion", {{100.0, 80.0, "[A+0]", 100.0, 0.8, 80.0}}}};
        // A second label on the same spot would cover the first: it is hidden.
        labelled.labels = {{100.0, 80.0, "(C2H4O)5Na"}, {100.0, 80.0, "(C2H4O)6Na"}};
        labelled.x = {99.0, 101.0};
        labelled.y = {0.0, 100.0};
        plot->Show(labelled);
        QTest::qWait(20);
        plot->Show(labelled);
        QTest::qWait(20);
        QCOMPARE(plot->chart()->axes().size(), 2);
        QCOMPARE(plot->chart()->series().size(), 1);
        QCOMPARE(plot->VisibleLabels(), QStringList{QStringLiteral("(C2H4O)5Na")});
#endif
    }

    // Regression: resting the pointer on a stick showed its text for under a
    // second (the chart answered the resting pointer's tooltip request with no
    // text), and the text did not say which series the stick belongs to.
    void plotHoverTextStaysWhileThePointerRests() {
#ifndef TARNEVO_HAVE_PATTERN_PLOT
        QSKIP("built without Qt Charts");
#else
        RunCluster("Br2", "1", false);
        PatternPlotView* plot = Frame()->PlotPane()->View();
        QTest::qWait(20);
        const QPoint onStick = PointOnPeak(plot, 2);
        MovePointer(plot, onStick);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY2(QToolTip::text().startsWith(QStringLiteral("Br2\n[A+2]\nm/z 159.83")),
                 qPrintable(QToolTip::text()));
        // The pointer rests: the window system asks for the tooltip.
        QHelpEvent resting(QEvent::ToolTip, onStick, plot->viewport()->mapToGlobal(onStick));
        QApplication::sendEvent(plot->viewport(), &resting);
        QTest::qWait(600);  // longer than the fading of a tooltip that was taken away
        QVERIFY(QToolTip::isVisible());
        // One pixel along the same stick: the same text stays.
        MovePointer(plot, onStick + QPoint(0, 1));
        QTest::qWait(400);
        QVERIFY(QToolTip::isVisible());
        QVERIFY(QToolTip::text().startsWith(QStringLiteral("Br2\n[A+2]")));
        // Off every mark it goes.
        MovePointer(plot, onStick + QPoint(40, 0));
        QTRY_VERIFY(!QToolTip::isVisible());
#endif
    }

    // Regression: after a zoom the m/z axis wrote one label twice (180.064,
    // 180.064), and with the pane at its opening height the height labels were
    // cut down to an ellipsis.
    void plotAxisLabelsStayDistinctAndWhole() {
#ifndef TARNEVO_HAVE_PATTERN_PLOT
        QSKIP("built without Qt Charts");
#else
        RunCluster("Br2", "1", false);
        PatternPlotView* plot = Frame()->PlotPane()->View();
        QTest::qWait(20);
        QVERIFY2(!AnyAxisLabelCut(plot), qPrintable(AxisLabelTexts(plot).join(u',')));
        QVERIFY(Distinct(TickLabels(plot->AxisY())));
        const int x = PointOnPeak(plot, 2).x();
        for (int notch = 0; notch < 40 && plot->AxisX()->max() - plot->AxisX()->min() > 0.002; ++notch) {
            plot->ZoomAt(x, 0.5);
            QTest::qWait(5);
            const QStringList labels = TickLabels(plot->AxisX());
            QVERIFY2(Distinct(labels), qPrintable(labels.join(u',')));
        }
        QVERIFY(plot->AxisX()->max() - plot->AxisX()->min() <= 0.002);
        QVERIFY(TickLabels(plot->AxisX()).size() >= 2);
        QVERIFY2(!AnyAxisLabelCut(plot), qPrintable(AxisLabelTexts(plot).join(u',')));

        // Regression: the double click back to the whole pattern kept the
        // zoomed-in step for a moment, and the chart froze making an item for
        // each of its hundreds of thousands of ticks over the whole range.
        QTest::mouseDClick(plot->viewport(), Qt::LeftButton, Qt::NoModifier, PointOnPeak(plot, 2));
        QCOMPARE(plot->AxisX()->min(), plot->Data().x.low);
        const QStringList whole = TickLabels(plot->AxisX());
        QVERIFY2(whole.size() >= 2 && whole.size() <= 40, qPrintable(whole.join(u',')));
        QVERIFY(Distinct(whole));
#endif
    }

    // Regression: Escape on "Current data set is not saved, save it?" answered
    // No and threw the results away. A Yes/No question (this one and the fit's
    // question every 20 cycles, which goes through the same box) stays until
    // Yes or No is chosen; Escape and a close request leave it open.
    void yesNoQuestionHasNoEscapeAnswer() {
        RunCluster("C6H6", "1", true);
        bool openAfterEscape = false;
        bool openAfterClose = false;
        bool noCloseButton = false;
        WhenModal<QMessageBox>(
            [&](QMessageBox* box) {
                noCloseButton = !box->windowFlags().testFlag(Qt::WindowCloseButtonHint);
                QTest::keyClick(box, Qt::Key_Escape);
                QApplication::processEvents();
                openAfterEscape = box->isVisible();
                box->close();
                QApplication::processEvents();
                openAfterClose = box->isVisible();
                Press(box, QMessageBox::No);
            },
            &failed_);
        Key(Qt::Key_N, Qt::ControlModifier);
        QVERIFY(openAfterEscape);
        QVERIFY(openAfterClose);
        QVERIFY(noCloseButton);
        QVERIFY(app_->Document().Data().readyForCalculation);  // No, clicked, discarded them

        // A box with an OK button still closes with Escape.
        WhenModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }, &failed_);
        QVERIFY(RunMessageBox(Frame(), {"Note", port::MessageButtons::Ok, port::MessageIcon::Exclamation,
                                        port::MessageModality::Application}) == port::MessageAnswer::Ok);
    }

    // Regression: with "enrichment" preset (as an enrichment run leaves it),
    // two Tabs in the Ctrl+L dialog rested on the unchecked radio button, Up
    // did nothing and Return started an enrichment. The group now takes the
    // focus at its choice, and Up moves the choice.
    void labellingTypeGroupTakesTheFocusAtItsChoice() {
        View()->State().labelling.labellingChoice = calc::LabellingFormInput::kEnrichmentFromSpectrum;
        View()->State().formulaText = "C6H6";
        bool tabbedToTheChoice = false;
        bool upMovedTheChoice = false;
        WhenModal<RecordDialog>(
            [&](RecordDialog* form) {
                // The radio buttons move the focus only within the active window.
                form->activateWindow();
                if (!QTest::qWaitForWindowActive(form)) return tarnevo::testing::DismissModal(form);
                const auto radios = form->EditorForKey("type")->findChildren<QRadioButton*>();
                // Typing starts in the formula, once the window has placed its focus.
                if (!QTest::qWaitFor([form] { return form->focusWidget() == Field(form, "formula"); }))
                    return tarnevo::testing::DismissModal(form);
                QTest::keyClick(form->focusWidget(), Qt::Key_Tab);
                QTest::keyClick(form->focusWidget(), Qt::Key_Tab);
                tabbedToTheChoice = form->focusWidget() == radios.value(1) && radios[1]->isChecked();
                QTest::keyClick(form->focusWidget(), Qt::Key_Up);
                upMovedTheChoice = form->focusWidget() == radios.value(0) && radios[0]->isChecked();
                // Return confirms what the focus shows: a pattern, whose next dialog is cancelled.
                WhenModal<RecordDialog>([](RecordDialog* next) { Press(next, QDialogButtonBox::Cancel); },
                                        &failed_);
                QTest::keyClick(form->focusWidget(), Qt::Key_Return);
            },
            &failed_);
        Key(Qt::Key_L, Qt::ControlModifier);
        QVERIFY(tabbedToTheChoice);
        QVERIFY(upMovedTheChoice);
        QCOMPARE(View()->State().labelling.labellingChoice,
                 calc::LabellingFormInput::kPatternFromEnrichments);
        QCOMPARE(View()->State().calcKind, output::CalcKind::LabelledAtoms);
    }

    // Regression: the note "An entry of -1 indicates an indeterminate value."
    // stood above the mass field; it explains the valence field, under which it
    // now stands.
    void jxValenceNoteStandsUnderTheValenceField() {
        calc::FormulaElementInput input;
        const std::unique_ptr<RecordDialog> dialog = MakeRecordDialog(input, {}, Frame());
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QLabel* note = nullptr;
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->text() == QStringLiteral("An entry of -1 indicates an indeterminate value."))
                note = label;
        }
        QVERIFY(note != nullptr);
        const auto top = [&dialog](QWidget* widget) { return widget->mapTo(dialog.get(), QPoint(0, 0)).y(); };
        QVERIFY(top(note) > top(dialog->EditorForKey("valence")));
        QVERIFY(top(note) > top(dialog->EditorForKey("mass")));
    }

    // Regression: F1 on the result page opened the main window's page instead
    // of the calculation's, and Shift+F1 did nothing.
    void helpKeysOnResults() {
        RunCluster("C6H6", "1", false);
        View()->setFocus();
        Key(Qt::Key_F1, Qt::NoModifier);
        QVERIFY(app_->Help().Window() != nullptr);
        QCOMPARE(app_->Help().Window()->CurrentPage(), QStringLiteral("isotope_cluster.html"));
        Key(Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(app_->Help().InContextHelpMode());
        QTest::mouseClick(View()->viewport(), Qt::LeftButton);
        QVERIFY(!app_->Help().InContextHelpMode());
        QCOMPARE(app_->Help().Window()->CurrentPage(), QStringLiteral("isotope_cluster.html"));
    }

    // Regression: the masses and natural FAs of an enriched element could not
    // be edited but looked as if they could. They are greyed like read-only
    // boxes; the heavy isotopes' enriched FAs stay white.
    void readOnlyIsotopeFieldsLookReadOnly() {
        const int sulfur = core::LookupSymbolText("S", 0);
        QVERIFY(sulfur >= 0);
        calc::EnrichmentDetailsInput input(1, core::NaturalIsotopesByMass(program_->elements, sulfur));
        const std::unique_ptr<RecordDialog> dialog = MakeRecordDialog(input, {}, Frame());
        auto* mass = qobject_cast<QLineEdit*>(dialog->EditorForKey("mass1"));
        auto* entered = qobject_cast<QLineEdit*>(dialog->EditorForKey("enriched2"));
        QVERIFY(mass != nullptr && entered != nullptr);
        QVERIFY(mass->isReadOnly());
        QVERIFY(!entered->isReadOnly());
        QVERIFY(mass->palette().color(QPalette::Base) != entered->palette().color(QPalette::Base));
        QCOMPARE(mass->palette().color(QPalette::Base), mass->palette().color(QPalette::Window));
    }

    // View > Pattern Plot, right after Status Bar, hides and shows the pane;
    // the choice is remembered for the next start.
    void patternPlotViewItemTogglesAndIsRemembered() {
#ifndef TARNEVO_HAVE_PATTERN_PLOT
        QSKIP("built without Qt Charts");
#else
        QMenu* viewMenu = nullptr;
        for (QAction* top : Frame()->menuBar()->actions()) {
            if (top->text() == QStringLiteral("&View")) viewMenu = top->menu();
        }
        QVERIFY(viewMenu != nullptr);
        const QList<QAction*> items = viewMenu->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[1]->text(), QStringLiteral("&Status Bar"));
        QCOMPARE(items[2]->text(), QStringLiteral("&Pattern Plot"));
        QAction* toggle = items[2];
        QVERIFY(toggle->isCheckable() && toggle->isChecked());

        toggle->trigger();
        QVERIFY(Frame()->PlotPane()->isHidden());
        QVERIFY(!toggle->isChecked());
        const QSettings settings(QStringLiteral("TARNEVO"), QStringLiteral("TARNEVO"));
        QCOMPARE(settings.value(QStringLiteral("PatternPlot/visible")).toBool(), false);

        // A new main window starts with the pane hidden.
        app_.reset();
        app_ = std::make_unique<CTARNEVOApp>(*program_);
        QVERIFY(app_->InitInstance());
        QVERIFY(QTest::qWaitForWindowExposed(Frame()));
        QVERIFY(Frame()->PlotPane()->isHidden());
        QVERIFY(!Frame()->Action(Command::ViewPatternPlot)->isChecked());
        Frame()->Action(Command::ViewPatternPlot)->trigger();
        QVERIFY(Frame()->PlotPane()->isVisible());
#endif
    }

private:
    CMainFrame* Frame() const { return app_->MainFrame(); }

#ifdef TARNEVO_HAVE_PATTERN_PLOT
    // Halfway up the stick of peak [A+n] of the one series, in viewport pixels.
    static QPoint PointOnPeak(PatternPlotView* plot, int n) {
        auto* sticks = qobject_cast<QLineSeries*>(plot->chart()->series().front());
        const QPointF top = sticks->at(n * 3 + 1);
        const QPointF inChart = plot->chart()->mapToPosition(QPointF(top.x(), top.y() / 2), sticks);
        return plot->mapFromScene(plot->chart()->mapToScene(inChart));
    }

    // The pointer moved to a point of the plot (straight to the plot: where the
    // window system last saw the pointer does not matter).
    static void MovePointer(PatternPlotView* plot, QPoint to) {
        QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(plot->viewport()->mapToGlobal(to)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(plot->viewport(), &move);
    }

    // The labels an axis writes, worked out as it places them: from min to max
    // at its tick count, or from its anchor at its interval.
    static QStringList TickLabels(const QValueAxis* axis) {
        QStringList labels;
        const QByteArray format = axis->labelFormat().toLatin1();
        const auto write = [&labels, &format](double value) {
            labels << QString::asprintf(format.constData(), value);
        };
        if (axis->tickType() == QValueAxis::TicksDynamic) {
            const double step = axis->tickInterval();
            const double first =
                axis->tickAnchor() + std::ceil((axis->min() - axis->tickAnchor()) / step - 1e-9) * step;
            for (double value = first; value <= axis->max() + 1e-9 * step && labels.size() < 200;
                 value += step)
                write(value);
        } else {
            const int count = axis->tickCount();
            for (int k = 0; k < count; ++k)
                write(axis->min() + k * (axis->max() - axis->min()) / (count - 1));
        }
        return labels;
    }

    static bool Distinct(const QStringList& labels) {
        return QSet<QString>(labels.begin(), labels.end()).size() == labels.size();
    }

    // The texts the chart draws as its axes' labels.
    static QStringList AxisLabelTexts(PatternPlotView* plot) {
        QStringList texts;
        for (QGraphicsItem* item : plot->scene()->items()) {
            if (auto* text = dynamic_cast<QGraphicsTextItem*>(item); text != nullptr && text->isVisible())
                texts << text->toPlainText();
        }
        return texts;
    }

    // A label cut short for want of room ends in an ellipsis.
    static bool AnyAxisLabelCut(PatternPlotView* plot) {
        const QStringList texts = AxisLabelTexts(plot);
        return std::any_of(texts.begin(), texts.end(), [](const QString& text) {
            return text.contains(QChar(0x2026)) || text.contains(QStringLiteral("..."));
        });
    }
#endif
    CTARNEVOView* View() const { return app_->View(); }

    // A key pressed on the main window, made the active window first as after
    // any dialog the user closed.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        QTest::keyClick(Frame(), key, modifiers);
    }

    // Ctrl+I, then the formula and charge typed into the dialog and OK.
    void RunCluster(const char* formula, const char* charge, bool reminder) {
        WhenModal<CFormDlg>(
            [=](CFormDlg* dialog) {
                Field(dialog, "formula")->setText(QString::fromLatin1(formula));
                Field(dialog, "charge")->setText(QString::fromLatin1(charge));
                qobject_cast<QCheckBox*>(dialog->EditorForKey("reminder"))->setChecked(reminder);
                Press(dialog, QDialogButtonBox::Ok);
            },
            &failed_);
        Key(Qt::Key_I, Qt::ControlModifier);
        QVERIFY(!app_->Document().Data().readyForCalculation);
    }

    // Closes a modal window that nothing in the test answers within three
    // seconds (an unexpected message box), so that the test fails instead of
    // waiting for ever.
    void StartWatchdog() {
        unattended_.clear();
        watchdog_.setInterval(500);
        QObject::connect(&watchdog_, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            ticksOpen_ = (modal != nullptr && modal == lastModal_) ? ticksOpen_ + 1 : 0;
            lastModal_ = modal;
            if (ticksOpen_ < 6) return;
            auto* box = qobject_cast<QMessageBox*>(modal);
            unattended_ = box != nullptr ? box->text() : modal->windowTitle();
            tarnevo::testing::DismissModal(modal);
        });
        watchdog_.start();
    }

    QTemporaryDir settingsDirectory_;
    QTimer watchdog_;
    QPointer<QWidget> lastModal_;
    int ticksOpen_ = 0;
    QString unattended_;
    std::unique_ptr<core::ProgramContext> program_;
    std::unique_ptr<CTARNEVOApp> app_;
    bool failed_ = false;
};

}  // namespace tarnevo::app

QTEST_MAIN(tarnevo::app::AppGuiTest)
#include "app_gui_test.moc"

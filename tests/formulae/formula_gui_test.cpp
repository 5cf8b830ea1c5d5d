// Pins the Molecular Formulae from m/z command end to end in the real main
// window on Qt's offscreen platform: Ctrl+M opens the ionic dialog with 200
// and 0.05, a charge of 0 brings the Retry box and the dialog back with the
// typed m/z, the element dialog takes C in the left column and H in the right
// one, and the one formula of the worked example (C6H127, 199.9932) is stored
// and drawn. The same handler is covered case by case through the scripted
// port; this test shows that the dialogs and the view carry it. Beyond the
// dialog's own fields, "List every formula" keeps all of a window holding
// more than 200 (C, H, N, O at m/z 300 +- 0.05: 243, counted by brute force
// from the table's masses), sorted by m/z, without the capacity note.
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <clocale>
#include <cmath>
#include <functional>
#include <memory>

#include "app/formula_dialogs.h"
#include "app/main_frame.h"
#include "app/tarnevo_app.h"
#include "app/tarnevo_view.h"
#include "output/page_layout.h"
#include "output/result_values.h"
#include "tests/support/dismiss_modal.h"

namespace tarnevo::app {
namespace {

// Runs act on the next visible modal window of type T (polling); sets failed
// and closes every modal window when none comes.
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

void PressOk(QWidget* dialog) {
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

}  // namespace

class FormulaGuiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void workedExampleThroughTheDialogs() {
        auto program = std::make_unique<core::ProgramContext>();
        auto app = std::make_unique<CTARNEVOApp>(*program);
        QVERIFY(app->InitInstance());
        QVERIFY(QTest::qWaitForWindowExposed(app->MainFrame()));
        bool failed = false;
        QString firstPreset;
        QString retryText;
        QString secondPreset;
        QString rowsCaption;
        WhenModal<CMolFormDlg>(
            [&](CMolFormDlg* ionic) {
                firstPreset = Field(ionic, "mz")->text() + u' ' + Field(ionic, "tol")->text();
                Field(ionic, "mz")->setText(QStringLiteral("200.0"));
                Field(ionic, "charge")->setText(QStringLiteral("0"));
                qobject_cast<QCheckBox*>(ionic->EditorForKey("reminder"))->setChecked(false);
                WhenModal<QMessageBox>(
                    [&](QMessageBox* box) {
                        retryText = box->text();
                        WhenModal<CMolFormDlg>(
                            [&](CMolFormDlg* again) {
                                secondPreset =
                                    Field(again, "mz")->text() + u' ' + Field(again, "tol")->text();
                                Field(again, "charge")->setText(QStringLiteral("1"));
                                WhenModal<CMFormElemDlg>(
                                    [&](CMFormElemDlg* rows) {
                                        rowsCaption = rows->windowTitle();
                                        Field(rows, "symbol1")->setText(QStringLiteral("C"));
                                        Field(rows, "symbol5")->setText(QStringLiteral("H"));
                                        PressOk(rows);
                                    },
                                    &failed);
                                PressOk(again);
                            },
                            &failed);
                        box->button(QMessageBox::Retry)->click();
                    },
                    &failed);
                PressOk(ionic);
            },
            &failed);
        app->MainFrame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app->MainFrame()));
        QTest::keyClick(app->MainFrame(), Qt::Key_M, Qt::ControlModifier);

        QVERIFY(!failed);
        QCOMPARE(firstPreset, QStringLiteral("200 0.05"));
        QCOMPARE(retryText, QStringLiteral("Error - The ionic charge cannot be zero!"));
        QCOMPARE(secondPreset, QStringLiteral("200 0.05"));
        QCOMPARE(rowsCaption, QStringLiteral("Elements Included in the Molecular Formula Estimation"));
        const doc::Document& document = app->Document().Data();
        QVERIFY(!document.readyForCalculation);
        QCOMPARE(document.state.calcKind, output::CalcKind::FormulaFromMz);
        QCOMPARE(document.state.formulae.formulaCount, 1);
        QCOMPARE(output::LayoutResultLines(document.state).back(),
                 std::string("EE C6H127                           199.9932"));
        app->View()->viewport()->grab();
        QCOMPARE(app->View()->LineCounter(), 7);
    }

    void everyFormulaWhenAskedFor() {
        // The brute-force count: every C c H h N n O o whose [A+0] m/z, with
        // the table's lightest masses and one electron removed, lies within
        // 300 +- 0.05; each count up to what fits under 300 alone.
        constexpr double kH = 1.007825, kN = 14.00307, kO = 15.99491, kElectron = 0.000548579909;
        int expected = 0;
        for (int c = 0; c <= 25; ++c)
            for (int h = 0; h <= 297; ++h)
                for (int n = 0; n <= 21; ++n)
                    for (int o = 0; o <= 18; ++o)
                        expected += std::abs(12.0 * c + kH * h + kN * n + kO * o - kElectron - 300.0) <= 0.05;
        QVERIFY(expected > 200);

        auto program = std::make_unique<core::ProgramContext>();
        auto app = std::make_unique<CTARNEVOApp>(*program);
        QVERIFY(app->InitInstance());
        QVERIFY(QTest::qWaitForWindowExposed(app->MainFrame()));
        bool failed = false;
        WhenModal<CMolFormDlg>(
            [&](CMolFormDlg* ionic) {
                Field(ionic, "mz")->setText(QStringLiteral("300"));
                qobject_cast<QCheckBox*>(ionic->EditorForKey("reminder"))->setChecked(false);
                qobject_cast<QCheckBox*>(ionic->EditorForKey("all"))->setChecked(true);
                WhenModal<CMFormElemDlg>(
                    [&](CMFormElemDlg* rows) {
                        Field(rows, "symbol1")->setText(QStringLiteral("C"));
                        Field(rows, "symbol2")->setText(QStringLiteral("H"));
                        Field(rows, "symbol3")->setText(QStringLiteral("N"));
                        Field(rows, "symbol4")->setText(QStringLiteral("O"));
                        PressOk(rows);
                    },
                    &failed);
                PressOk(ionic);
            },
            &failed);
        app->MainFrame()->Action(doc::Command::MolecularFormulae)->trigger();
        QVERIFY(!failed);
        const output::CalculationState& state = app->Document().Data().state;
        QVERIFY(state.formulae.listsAll);
        QCOMPARE(output::detail::ListedFormulaCount(state), expected);
        const std::vector<std::string> page = output::LayoutResultLines(state);
        // Title, target, range, charge, an empty line, the heading, then one
        // line per formula and no capacity note.
        QCOMPARE(page.size(), std::size_t{6} + static_cast<std::size_t>(expected));
        double previous = 0.0;
        for (int i = 0; i < expected; ++i) {
            const double mz = output::detail::ListedFormulaAt(state, i).mz;
            QVERIFY(mz >= previous && std::abs(mz - 300.0) <= 0.05 + 1e-9);
            previous = mz;
        }
        QVERIFY(app->View()->State().listAllFormulae);  // the box is checked next time
    }
};

}  // namespace tarnevo::app

QTEST_MAIN(tarnevo::app::FormulaGuiTest)
#include "formula_gui_test.moc"

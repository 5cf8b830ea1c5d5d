// Pins the Molecular Formulae from m/z command end to end in the real main
// window on Qt's offscreen platform: Ctrl+M opens the ionic dialog with 200
// and 0.05, a charge of 0 brings the Retry box and the dialog back with the
// typed m/z, the element dialog takes C in the left column and H in the right
// one, and the one formula of the worked example (C6H127, 199.9932) is stored
// and drawn. The same handler is covered case by case through the scripted
// port; this test shows that the dialogs and the view carry it.
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <clocale>
#include <functional>
#include <memory>

#include "app/formula_dialogs.h"
#include "app/main_frame.h"
#include "app/tarnevo_app.h"
#include "app/tarnevo_view.h"
#include "output/page_layout.h"
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
};

}  // namespace tarnevo::app

QTEST_MAIN(tarnevo::app::FormulaGuiTest)
#include "formula_gui_test.moc"

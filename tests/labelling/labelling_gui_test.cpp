// Pins both types of Isotope Labelling Effects end to end on Qt's offscreen
// platform, through the real main window and dialogs: Ctrl+L (and the toolbar
// button) opens CLabFormDlg; a labelled pattern goes through CLabCalcDlg,
// CEnElemDlg and CEnDetailsDlg (read-only masses and natural FAs, "0.nnnnn" for
// the lightest isotope) to the drawn results; an enrichment fit goes through
// CEnDetailDlg and CPeakDlg to the fitted FAs, and the question after 20 cycles
// is answered Yes, then No, in the real message box. Every answer is typed into
// the widgets or clicked; nothing calls the handlers directly.
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <clocale>
#include <deque>
#include <functional>
#include <memory>

#include "app/main_frame.h"
#include "app/record_dialog.h"
#include "app/tarnevo_app.h"
#include "app/tarnevo_view.h"
#include "document/command_enabling.h"
#include "tests/support/dismiss_modal.h"

namespace tarnevo::app {
namespace {

using doc::Command;

// Answers the modal windows of a run in order: each step gets the next modal
// window that comes up. A window that comes when no step is left is closed and
// noted, so that the test fails instead of waiting.
class ModalScript : public QObject {
public:
    using Step = std::function<void(QWidget*)>;

    explicit ModalScript(std::deque<Step> steps) : steps_(std::move(steps)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_.start();
    }

    bool Finished() const { return steps_.empty(); }
    const QStringList& Unexpected() const { return unexpected_; }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == last_.data() || !modal->isVisible()) return;
        last_ = modal;
        if (steps_.empty()) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            unexpected_ << (box != nullptr ? box->text() : modal->windowTitle());
            tarnevo::testing::DismissModal(modal);
            return;
        }
        Step step = std::move(steps_.front());
        steps_.pop_front();
        step(modal);
    }

    std::deque<Step> steps_;
    QPointer<QWidget> last_;
    QTimer timer_;
    QStringList unexpected_;
};

QLineEdit* Field(QWidget* dialog, std::string_view key) {
    return qobject_cast<QLineEdit*>(static_cast<RecordDialog*>(dialog)->EditorForKey(key));
}

void Ok(QWidget* dialog) { dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }

// The labelling form: formula, charge and the type's radio button, then OK.
ModalScript::Step Form(const char* formula, const char* charge, int type) {
    return [=](QWidget* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Calculations Involving Labelled Atoms"));
        Field(dialog, "formula")->setText(QString::fromLatin1(formula));
        Field(dialog, "charge")->setText(QString::fromLatin1(charge));
        const auto radios =
            static_cast<RecordDialog*>(dialog)->EditorForKey("type")->findChildren<QRadioButton*>();
        QCOMPARE(radios.size(), 2);
        radios[type]->click();
        Ok(dialog);
    };
}

}  // namespace

class LabellingGuiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void init() {
        program_ = std::make_unique<core::ProgramContext>();
        app_ = std::make_unique<CTARNEVOApp>(*program_);
        QVERIFY(app_->InitInstance());
        QVERIFY(QTest::qWaitForWindowExposed(Frame()));
    }

    void cleanup() {
        app_.reset();
        program_.reset();
    }

    void labelledPatternThroughItsDialogs() {
        bool gridAsExpected = false;
        ModalScript script({
            Form("C6H6", "1", 0),
            [](QWidget* dialog) {
                QCOMPARE(dialog->windowTitle(),
                         QStringLiteral("Isotope Cluster Calculations with Labelled Atoms"));
                Field(dialog, "elements")->setText(QStringLiteral("1"));
                Ok(dialog);
            },
            [](QWidget* dialog) {
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Enrichment Details for Element 1"));
                QCOMPARE(Field(dialog, "symbol")->text(), QString());
                Field(dialog, "symbol")->setText(QStringLiteral("C"));
                Field(dialog, "atoms")->setText(QStringLiteral("2"));
                Ok(dialog);
            },
            [&gridAsExpected](QWidget* dialog) {
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Enrichment Details for Element 1"));
                QStringList texts;
                for (QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
                gridAsExpected =
                    texts.contains(
                        QStringLiteral("The FA of the lightest isotope is calculated from the other FAs.")) &&
                    texts.count(QStringLiteral("Natural FA")) == 2 && Field(dialog, "mass1")->isReadOnly() &&
                    Field(dialog, "mass1")->text() == QStringLiteral("12") &&
                    Field(dialog, "mass2")->text() == QStringLiteral("13") &&
                    Field(dialog, "natural2")->isReadOnly() &&
                    Field(dialog, "enriched1")->text() == QStringLiteral("0.nnnnn") &&
                    !Field(dialog, "enriched2")->isReadOnly() && Field(dialog, "enriched2")->isEnabled() &&
                    !Field(dialog, "enriched3")->isEnabled();
                // Rows 6-10 stand to the right of rows 1-5.
                gridAsExpected = gridAsExpected &&
                                 Field(dialog, "mass6")->mapTo(dialog, QPoint()).x() >
                                     Field(dialog, "enriched1")->mapTo(dialog, QPoint()).x() &&
                                 Field(dialog, "mass6")->mapTo(dialog, QPoint()).y() ==
                                     Field(dialog, "mass1")->mapTo(dialog, QPoint()).y();
                Field(dialog, "enriched2")->setText(QStringLiteral("0.99"));
                Ok(dialog);
            },
        });
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        QTest::keyClick(Frame(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(script.Finished());
        QVERIFY2(script.Unexpected().isEmpty(), qPrintable(script.Unexpected().join(u'|')));
        QVERIFY(gridAsExpected);
        const doc::Document& document = app_->Document().Data();
        QVERIFY(!document.readyForCalculation);
        QCOMPARE(document.state.calcKind, output::CalcKind::LabelledAtoms);
        QCOMPARE(document.state.details.detailSymbol, std::string("C "));
        // Two carbons at 99 % 13C: [A+2] is the largest peak.
        QCOMPARE(document.state.cluster.maxPeakIndex, 2);
        View()->viewport()->grab();
        QVERIFY(View()->LineCounter() > 5);
    }

    void enrichmentFitFromTheToolbarAskingAfterTwentyCycles() {
        QStringList questions;
        QString fitDialogTitle;
        ModalScript script({
            Form("C6H6", "1", 1),
            [&fitDialogTitle](QWidget* dialog) {
                fitDialogTitle = dialog->windowTitle();
                Field(dialog, "symbol")->setText(QStringLiteral("C"));
                Field(dialog, "atoms")->setText(QStringLiteral("6"));
                Field(dialog, "mz")->setText(QStringLiteral("78.05"));
                Ok(dialog);
            },
            [](QWidget* dialog) {
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Peaks in the Mass Spectrum"));
                // [A+1] missing between two equal peaks: no enrichment matches, so the search asks.
                Field(dialog, "intensity1")->setText(QStringLiteral("100"));
                Field(dialog, "intensity2")->setText(QStringLiteral("0"));
                Field(dialog, "intensity3")->setText(QStringLiteral("100"));
                Ok(dialog);
            },
            [&questions](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                QVERIFY(box != nullptr);
                questions << box->text();
                box->button(QMessageBox::Yes)->click();
            },
            [&questions](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                QVERIFY(box != nullptr);
                questions << box->text();
                box->button(QMessageBox::No)->click();
            },
        });
        QToolButton* button = qobject_cast<QToolButton*>(
            Frame()->ToolBar()->widgetForAction(Frame()->Action(Command::IsotopeLabelling)));
        QVERIFY(button != nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(script.Finished());
        QVERIFY2(script.Unexpected().isEmpty(), qPrintable(script.Unexpected().join(u'|')));
        QCOMPARE(fitDialogTitle, QStringLiteral("Enrichment Details"));
        QCOMPARE(questions.size(), 2);
        QVERIFY(
            questions[0].startsWith(QStringLiteral("After 20 trial cycles,\r\nthe smallest sum of squares")));
        QVERIFY(questions[1].startsWith(QStringLiteral("After 40 trial cycles,")));
        const doc::Document& document = app_->Document().Data();
        QVERIFY(!document.readyForCalculation);
        QCOMPARE(document.state.calcKind, output::CalcKind::EnrichmentFromSpectrum);
        QCOMPARE(document.state.spectrum.expPeakCount, 3);
        QCOMPARE(program_->stopFASetting, 0.99999);
        View()->viewport()->grab();
        QVERIFY(View()->LineCounter() > 8);
    }

    void enrichmentFitRecoversAnEnrichment() {
        // C2H6 with one 13C at 0.9, the other atoms natural: the first three peaks
        // of that labelled pattern (tarnevo-cli label C2H6 --enrich C:1:0.9), to
        // three decimals.
        ModalScript script({
            Form("C2H6", "1", 1),
            [](QWidget* dialog) {
                Field(dialog, "symbol")->setText(QStringLiteral("C"));
                Field(dialog, "atoms")->setText(QStringLiteral("1"));
                Field(dialog, "mz")->setText(QStringLiteral("30.05"));
                Ok(dialog);
            },
            [](QWidget* dialog) {
                Field(dialog, "intensity1")->setText(QStringLiteral("11.097"));
                Field(dialog, "intensity2")->setText(QStringLiteral("100"));
                Field(dialog, "intensity3")->setText(QStringLiteral("1.149"));
                Ok(dialog);
            },
        });
        Frame()->Action(Command::IsotopeLabelling)->trigger();
        QVERIFY(script.Finished());
        QVERIFY2(script.Unexpected().isEmpty(), qPrintable(script.Unexpected().join(u'|')));
        const doc::Document& document = app_->Document().Data();
        QVERIFY(!document.readyForCalculation);
        QVERIFY(std::abs(document.state.details.isotopeFA[1] - 0.9) < 0.01);
        QVERIFY(document.state.spectrum.fitResidual < 0.1);
    }

private:
    CMainFrame* Frame() const { return app_->MainFrame(); }
    CTARNEVOView* View() const { return app_->View(); }

    std::unique_ptr<core::ProgramContext> program_;
    std::unique_ptr<CTARNEVOApp> app_;
};

}  // namespace tarnevo::app

QTEST_MAIN(tarnevo::app::LabellingGuiTest)
#include "labelling_gui_test.moc"

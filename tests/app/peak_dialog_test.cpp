// Pins the peak-entry dialog as drawn on Qt's offscreen platform: its caption
// and prompts, the read-only m/z fields, the placement of peak k down the first
// column pair, then the second and the third (read from the widgets' geometry,
// not from the code that placed them). Typing into it and OK are driven end to
// end by the desktop test of Correct for Loss of H.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "app/peak_dialog.h"

namespace tarnevo::app {

class PeakDialogTest : public QObject {
    Q_OBJECT

private:
    static QLineEdit* Edit(CPeakDlg& dialog, const char* key) {
        return qobject_cast<QLineEdit*>(dialog.EditorForKey(key));
    }

private slots:
    void showsCaptionPromptsAndReadOnlyMz() {
        calc::PeakInput input;
        input.SetEvenlySpacedMz(250.5, 2);
        CPeakDlg dialog(input, nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Peaks in the Mass Spectrum"));
        QStringList texts;
        for (QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
        QVERIFY(texts.contains(QStringLiteral("The base peak must have a relative intensity of 100.000.")));
        QVERIFY(texts.contains(QStringLiteral("Peaks with zero relative intensity are ignored.")));
        QCOMPARE(texts.count(QStringLiteral("Peak m/z")), 3);
        QCOMPARE(texts.count(QStringLiteral("Relative\nIntensity")), 3);
        QVERIFY(Edit(dialog, "mz1")->isReadOnly());
        QVERIFY(Edit(dialog, "mz12")->isReadOnly());
        QVERIFY(!Edit(dialog, "intensity1")->isReadOnly());
        QCOMPARE(Edit(dialog, "mz2")->text(), QStringLiteral("251"));   // 250.5 + 1/2
        QCOMPARE(Edit(dialog, "mz12")->text(), QStringLiteral("256"));  // 250.5 + 11/2
    }

    void peaksRunDownEachColumnPairInTurn() {
        calc::PeakInput input;
        input.SetEvenlySpacedMz(100.0, 1);
        CPeakDlg dialog(input, nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const auto at = [&](int peak) {
            const std::string key = "intensity" + std::to_string(peak + 1);
            return Edit(dialog, key.c_str())->mapTo(&dialog, QPoint(0, 0));
        };
        for (int pair = 0; pair < 3; ++pair) {
            for (int row = 1; row < 4; ++row) {
                const int peak = 4 * pair + row;
                QCOMPARE(at(peak).x(), at(4 * pair).x());  // same column as the pair's first peak
                QVERIFY(at(peak).y() > at(peak - 1).y());  // below the one before
            }
            QCOMPARE(at(4 * pair).y(), at(0).y());  // each pair starts on the top row
            if (pair > 0) QVERIFY(at(4 * pair).x() > at(4 * pair - 4).x());
        }
    }
};

}  // namespace tarnevo::app

QTEST_MAIN(tarnevo::app::PeakDialogTest)
#include "peak_dialog_test.moc"

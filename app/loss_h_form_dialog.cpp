#include "app/loss_h_form_dialog.h"

#include <QFontMetrics>
#include <QLineEdit>

namespace tarnevo::app {

CLossHFormDlg::CLossHFormDlg(calc::LossHFormInput& input, QWidget* parent)
    : GenericRecordDialog(input, {calc::LossHFormInput::kGuidance1, calc::LossHFormInput::kGuidance2},
                          parent) {
    if (auto* formula = qobject_cast<QLineEdit*>(EditorForKey(calc::LossHFormInput::kFormula.key))) {
        formula->setMinimumWidth(formula->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);
    }
}

}  // namespace tarnevo::app

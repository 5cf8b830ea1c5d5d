#include "app/form_dialog.h"

#include <QFontMetrics>
#include <QLineEdit>

namespace tarnevo::app {

CFormDlg::CFormDlg(calc::ClusterFormInput& input, QWidget* parent)
    : GenericRecordDialog(input, {calc::ClusterFormInput::kGuidance1, calc::ClusterFormInput::kGuidance2},
                          parent) {
    // Room for a long formula such as C254H377N65O75S6 and more without scrolling.
    if (auto* formula = qobject_cast<QLineEdit*>(EditorForKey(calc::ClusterFormInput::kFormula.key))) {
        formula->setMinimumWidth(formula->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);
    }
}

}  // namespace tarnevo::app

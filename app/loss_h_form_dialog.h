// CLossHFormDlg, the first dialog of the loss-of-H correction: the two lines of
// guidance, then ion formula, charge (1 or 2), the m/z of the first measured
// peak and the save-reminder box.
#pragma once

#include "app/record_dialog.h"
#include "calc/loss_of_h_input.h"

namespace tarnevo::app {

class CLossHFormDlg : public GenericRecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CLossHFormDlg)

public:
    CLossHFormDlg(calc::LossHFormInput& input, QWidget* parent);
};

}  // namespace tarnevo::app

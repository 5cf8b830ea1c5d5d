// CFormDlg, the Isotope Cluster Calculation dialog: the two lines of guidance,
// then ion formula, charge, stop FA and the save-reminder box.
#pragma once

#include "app/record_dialog.h"
#include "calc/cluster_form_input.h"

namespace tarnevo::app {

class CFormDlg : public GenericRecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CFormDlg)

public:
    CFormDlg(calc::ClusterFormInput& input, QWidget* parent);
};

}  // namespace tarnevo::app

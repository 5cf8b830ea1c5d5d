// CUserElemDlg: the isotopes of one user-defined element (Jx .. Qz). The mass of
// the lightest isotope on top; below it nine rows of heavy isotopes, rows 1-5 in
// the left column and 6-9 in the right, each with its delta mass (mass number
// above the lightest isotope) and fractional abundance.
#pragma once

#include "app/record_dialog.h"
#include "calc/user_element_input.h"

namespace tarnevo::app {

class CUserElemDlg : public RecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CUserElemDlg)

public:
    CUserElemDlg(calc::UserElementInput& input, QWidget* parent);
};

}  // namespace tarnevo::app

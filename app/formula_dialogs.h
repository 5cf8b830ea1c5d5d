// The two dialogs of the formula search from m/z. CMolFormDlg: measured m/z,
// difference, charge and save reminder, with the group that explains the m/z
// range. CMFormElemDlg: eight element rows in two columns of four (rows 1-4
// left, 5-8 right), each with its symbol and minimum and maximum atom counts,
// under the lines that explain them.
#pragma once

#include "app/record_dialog.h"
#include "calc/molecular_formulae_input.h"

namespace tarnevo::app {

class CMolFormDlg : public RecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMolFormDlg)

public:
    CMolFormDlg(calc::MolFormInput& input, QWidget* parent);
};

class CMFormElemDlg : public RecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMFormElemDlg)

public:
    CMFormElemDlg(calc::FormulaElementsInput& input, QWidget* parent);
};

}  // namespace tarnevo::app

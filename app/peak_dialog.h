// CPeakDlg: the peaks of a measured isotope pattern. Two lines of guidance on
// top, then three column pairs headed "Peak m/z" and "Relative Intensity" with
// four peaks each, peak 1 to 4 down the first pair, 5 to 8 down the second and
// 9 to 12 down the third. The m/z fields are read-only: the calculation derives
// them from the first peak and the charge.
#pragma once

#include "app/record_dialog.h"
#include "calc/peak_input.h"

namespace tarnevo::app {

class CPeakDlg : public RecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPeakDlg)

public:
    CPeakDlg(calc::PeakInput& input, QWidget* parent);
};

}  // namespace tarnevo::app

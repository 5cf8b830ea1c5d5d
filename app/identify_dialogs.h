// The two dialogs of Identify Ion from Pattern. CIdentifyPeaksDlg: the grid
// of the measured peaks, three blocks of ten rows (peak number, m/z and
// intensity), with a Paste button that fills the grid from two columns of
// text copied from instrument software. CIdentifyOptionsDlg: polarity and
// charge, the ion types as a checklist per polarity and a field for others,
// the element rows, the mass accuracy and resolving power, and the chemistry
// filters.
#pragma once

#include "app/record_dialog.h"
#include "calc/identify_input.h"

class QPushButton;

namespace tarnevo::app {

class CIdentifyPeaksDlg : public RecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CIdentifyPeaksDlg)

public:
    CIdentifyPeaksDlg(calc::IdentifyPeaksInput& input, QWidget* parent);

    QPushButton* PasteButton() const { return pasteButton_; }
    // Fills the grid from text as the Paste button does with the clipboard's;
    // text that is not a list of peaks is refused with a message and leaves
    // the grid as it was.
    void PasteText(const QString& text);

private:
    void PasteClipboard();

    QPushButton* pasteButton_ = nullptr;
};

class CIdentifyOptionsDlg : public RecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CIdentifyOptionsDlg)

public:
    CIdentifyOptionsDlg(calc::IdentifyOptionsInput& input, QWidget* parent);
};

}  // namespace tarnevo::app

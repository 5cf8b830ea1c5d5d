// The two dialogs of Identify Ion from Pattern. CIdentifyPeaksDlg: the grid
// of the measured peaks, three blocks of ten rows (peak number, m/z and
// intensity), with a Paste button that fills the grid from two columns of
// text copied from instrument software, Ctrl+V in a cell that spreads a
// copied table over the grid from that cell, and a Clear button.
// CIdentifyOptionsDlg: polarity and charge, the ion types as a checklist per
// polarity (with All and None) and a field for others, the element rows, the
// mass accuracy and resolving power, the chemistry filters and how many
// candidates to list. Tab goes through both as they are laid out: down each
// column, the left one first, then to OK and Cancel.
#pragma once

#include "app/record_dialog.h"
#include "calc/identify_grid_paste.h"
#include "calc/identify_input.h"

class QPushButton;

namespace tarnevo::app {

class CIdentifyPeaksDlg : public RecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CIdentifyPeaksDlg)

public:
    CIdentifyPeaksDlg(calc::IdentifyPeaksInput& input, QWidget* parent);

    QPushButton* PasteButton() const { return pasteButton_; }
    QPushButton* ClearButton() const { return clearButton_; }
    // Fills the grid from text as the Paste button does with the clipboard's;
    // text that is not a list of peaks is refused with a message and leaves
    // the grid as it was.
    void PasteText(const QString& text);
    // Spreads a table over the grid from a cell as Ctrl+V in that cell does;
    // false when the text is one value, which the cell takes as typed.
    bool PasteTableAt(calc::GridCell cell, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PasteClipboard();
    void ClearGrid();
    // The grid's editors as a record, and back.
    calc::IdentifyPeaksInput GridShown() const;
    void ShowGrid(const calc::IdentifyPeaksInput& grid);

    QPushButton* pasteButton_ = nullptr;
    QPushButton* clearButton_ = nullptr;
};

class CIdentifyOptionsDlg : public RecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CIdentifyOptionsDlg)

public:
    CIdentifyOptionsDlg(calc::IdentifyOptionsInput& input, QWidget* parent);
};

// Sets the Tab order to the order of the widgets given; a group of radio
// buttons (a choice field's editor) takes its place as its buttons.
void ChainTabOrder(const std::vector<QWidget*>& widgets);

}  // namespace tarnevo::app

#include "app/peak_dialog.h"
#include "app/qt_text.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tarnevo::app {

namespace {

using Input = calc::PeakInput;

}  // namespace

CPeakDlg::CPeakDlg(calc::PeakInput& input, QWidget* parent) : RecordDialog(input, parent) {
    // Field order of the record: m/z and intensity of peak 0, then of peak 1, ...
    const auto mzEditor = [this](int peak) { return EditorAt(2 * static_cast<std::size_t>(peak)); };
    const auto intensityEditor = [this](int peak) {
        return EditorAt(2 * static_cast<std::size_t>(peak) + 1);
    };

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeLabel(Input::kPrompt1));
    layout->addWidget(MakeLabel(Input::kPrompt2));

    constexpr int kColumnsPerPair = 3;  // m/z, intensity, gap
    QGridLayout* grid = MakeBlockGrid(Input::kColumnPairs,
                                      {QtText(Input::kMzHeading), TwoLineHeading(Input::kIntensityHeading)});
    for (int peak = 0; peak < Input::kPeakCount; ++peak) {
        const int row = 1 + peak % Input::kRowsPerColumn;
        const int column = (peak / Input::kRowsPerColumn) * kColumnsPerPair;
        ShowReadOnly(mzEditor(peak));  // the intensities are the fields to fill in
        mzEditor(peak)->setMaximumWidth(110);
        intensityEditor(peak)->setMaximumWidth(90);
        grid->addWidget(mzEditor(peak), row, column);
        grid->addWidget(intensityEditor(peak), row, column + 1);
    }
    layout->addLayout(grid);
    layout->addWidget(ButtonBox());
    // Typing starts in the first intensity, the only place the user enters data.
    intensityEditor(0)->setFocus(Qt::OtherFocusReason);
}

}  // namespace tarnevo::app

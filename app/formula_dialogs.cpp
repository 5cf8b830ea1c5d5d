#include "app/formula_dialogs.h"
#include "app/qt_text.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tarnevo::app {

namespace {

using Elements = calc::FormulaElementsInput;

}  // namespace

CMolFormDlg::CMolFormDlg(calc::MolFormInput& input, QWidget* parent) : RecordDialog(input, parent) {
    // Field order of the record: target, difference, charge, reminder, and
    // beyond the dialog's own fields the box that lists every formula.
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    for (std::size_t i = 0; i < 3; ++i) {
        QLabel* label = MakeLabel(RuleAt(i).label);
        label->setBuddy(EditorAt(i));
        form->addRow(label, EditorAt(i));
    }
    layout->addLayout(form);
    auto* group = new QGroupBox(QtText(calc::MolFormInput::kRangeGroup));
    auto* groupLayout = new QVBoxLayout(group);
    for (std::string_view line : calc::MolFormInput::kRangeLines) groupLayout->addWidget(MakeLabel(line));
    layout->addWidget(group);
    layout->addWidget(EditorAt(3));
    layout->addWidget(EditorAt(4));
    layout->addWidget(ButtonBox());
}

CMFormElemDlg::CMFormElemDlg(calc::FormulaElementsInput& input, QWidget* parent)
    : RecordDialog(input, parent) {
    // Field order of the record: symbol, minimum and maximum of rows 1 to 8.
    const auto editor = [this](int row, int part) {
        return EditorAt(3 * static_cast<std::size_t>(row) + static_cast<std::size_t>(part));
    };
    auto* layout = new QVBoxLayout(this);
    for (std::string_view line : Elements::kExplanation) layout->addWidget(MakeLabel(line));

    constexpr int kColumnsPerSide = 3;
    QGridLayout* grid =
        MakeBlockGrid(2, {QtText(Elements::kSymbolHeading), TwoLineHeading(Elements::kMinimumHeading),
                          TwoLineHeading(Elements::kMaximumHeading)});
    for (int row = 0; row < Elements::kRows; ++row) {
        const bool left = row < Elements::kRowsPerColumn;
        const int gridRow = 1 + (left ? row : row - Elements::kRowsPerColumn);
        const int column = left ? 0 : kColumnsPerSide + 1;
        for (int part = 0; part < 3; ++part) {
            grid->addWidget(editor(row, part), gridRow, column + part);
            editor(row, part)->setMaximumWidth(70);
        }
    }
    layout->addLayout(grid);
    layout->addWidget(ButtonBox());
}

}  // namespace tarnevo::app

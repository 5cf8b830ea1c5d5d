#include "app/user_element_dialog.h"
#include "app/qt_text.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tarnevo::app {

namespace {

using Input = calc::UserElementInput;

constexpr int kLeftColumnRows = 5;

}  // namespace

CUserElemDlg::CUserElemDlg(calc::UserElementInput& input, QWidget* parent) : RecordDialog(input, parent) {
    // Field order of the record: the mass, then delta and FA of rows 1 to 9.
    const auto deltaEditor = [this](int row) { return EditorAt(1 + 2 * static_cast<std::size_t>(row - 1)); };
    const auto faEditor = [this](int row) { return EditorAt(2 + 2 * static_cast<std::size_t>(row - 1)); };

    auto* layout = new QVBoxLayout(this);
    auto* massRow = new QHBoxLayout;
    QLabel* massLabel = MakeLabel(Input::kMassLabel);
    massLabel->setBuddy(EditorAt(0));
    massRow->addWidget(massLabel);
    massRow->addWidget(EditorAt(0));
    layout->addLayout(massRow);

    constexpr int kColumnsPerSide = 3;
    QGridLayout* grid =
        MakeBlockGrid(2, {TwoLineHeading(Input::kRowHeading), TwoLineHeading(Input::kDeltaHeading),
                          TwoLineHeading(Input::kFAHeading)});
    for (int row = 1; row <= Input::kRows; ++row) {
        const bool left = row <= kLeftColumnRows;
        const int gridRow = left ? row : row - kLeftColumnRows;
        const int column = left ? 0 : kColumnsPerSide + 1;
        auto* number = new QLabel(QString::number(row));
        number->setAlignment(Qt::AlignCenter);
        grid->addWidget(number, gridRow, column);
        grid->addWidget(deltaEditor(row), gridRow, column + 1);
        grid->addWidget(faEditor(row), gridRow, column + 2);
        deltaEditor(row)->setMaximumWidth(60);
    }
    layout->addLayout(grid);
    layout->addWidget(ButtonBox());
}

}  // namespace tarnevo::app

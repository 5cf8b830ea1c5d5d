#include "app/labelling_dialogs.h"
#include "app/qt_text.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tarnevo::app {

namespace {

using Details = calc::EnrichmentDetailsInput;

constexpr int kRowsPerBlock = 5;
constexpr int kColumnsPerBlock = 3;  // mass, natural FA, enriched FA

}  // namespace

CLabFormDlg::CLabFormDlg(calc::LabellingFormInput& input, QWidget* parent)
    : GenericRecordDialog(input, {calc::LabellingFormInput::kGuidance}, parent) {
    if (auto* formula = qobject_cast<QLineEdit*>(EditorForKey(calc::LabellingFormInput::kFormula.key))) {
        formula->setMinimumWidth(formula->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);
    }
}

CEnDetailsDlg::CEnDetailsDlg(calc::EnrichmentDetailsInput& input, QWidget* parent)
    : RecordDialog(input, parent) {
    // Field order of the record: mass, natural FA and enriched FA of row 1, then row 2, ...
    const auto editor = [this](int row, int column) {
        return EditorAt(static_cast<std::size_t>(kColumnsPerBlock) * static_cast<std::size_t>(row - 1) +
                        static_cast<std::size_t>(column));
    };
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeLabel(Details::kGuidance));
    QGridLayout* grid = MakeBlockGrid(2, {QtText(Details::kMassHeading), QtText(Details::kNaturalHeading),
                                          QtText(Details::kEnrichedHeading)});
    for (int row = 1; row <= Details::kRows; ++row) {
        const int gridRow = 1 + (row - 1) % kRowsPerBlock;
        const int firstColumn = row <= kRowsPerBlock ? 0 : kColumnsPerBlock + 1;
        for (int column = 0; column < kColumnsPerBlock; ++column) {
            QWidget* field = editor(row, column);
            const bool enteredByUser = column == 2 && row >= 2 && row <= input.IsotopeCount();
            if (!enteredByUser) ShowReadOnly(field);
            field->setMaximumWidth(100);
            grid->addWidget(field, gridRow, firstColumn + column);
        }
    }
    layout->addLayout(grid);
    layout->addWidget(ButtonBox());
    if (input.IsotopeCount() >= 2) editor(2, 2)->setFocus(Qt::OtherFocusReason);
}

CMaxEnrDlg::CMaxEnrDlg(calc::MaxEnrichmentInput& input, QWidget* parent)
    : GenericRecordDialog(input, {calc::MaxEnrichmentInput::kGuidance}, parent) {}

}  // namespace tarnevo::app

#include "app/identify_dialogs.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/qt_text.h"
#include "app/qt_user_interface.h"

namespace tarnevo::app {

namespace {

using Peaks = calc::IdentifyPeaksInput;
using Options = calc::IdentifyOptionsInput;

constexpr int kPeakRowsPerBlock = 10;
constexpr int kPeakColumnsPerBlock = 3;  // peak number, m/z, intensity

std::string RowKey(std::string_view prefix, std::size_t row) {
    return std::string(prefix) + std::to_string(row);
}

// The editors of a group of keys ("pos1", "pos2", ...) one under the other in a box.
QGroupBox* BoxOfKeys(const RecordDialog& dialog, std::string_view caption, std::string_view prefix,
                     std::size_t count) {
    auto* box = new QGroupBox(QtText(caption));
    auto* layout = new QVBoxLayout(box);
    for (std::size_t k = 1; k <= count; ++k) {
        if (QWidget* editor = dialog.EditorForKey(RowKey(prefix, k))) layout->addWidget(editor);
    }
    layout->addStretch();
    return box;
}

}  // namespace

CIdentifyPeaksDlg::CIdentifyPeaksDlg(calc::IdentifyPeaksInput& input, QWidget* parent)
    : RecordDialog(input, parent) {
    auto* layout = new QVBoxLayout(this);
    for (std::string_view line : Peaks::kGuidance) layout->addWidget(MakeLabel(line));

    QGridLayout* grid = MakeBlockGrid(Peaks::kRows / kPeakRowsPerBlock, {QString(), QtText(Peaks::kMzHeading),
                                                                         QtText(Peaks::kIntensityHeading)});
    for (int peak = 0; peak < Peaks::kRows; ++peak) {
        const int row = 1 + peak % kPeakRowsPerBlock;
        const int column = (peak / kPeakRowsPerBlock) * (kPeakColumnsPerBlock + 1);
        auto* number = new QLabel(QString::number(peak + 1));
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(number, row, column);
        QWidget* mz = EditorAt(2 * static_cast<std::size_t>(peak));
        QWidget* intensity = EditorAt(2 * static_cast<std::size_t>(peak) + 1);
        mz->setMaximumWidth(110);
        intensity->setMaximumWidth(100);
        grid->addWidget(mz, row, column + 1);
        grid->addWidget(intensity, row, column + 2);
    }
    layout->addLayout(grid);

    pasteButton_ = new QPushButton(QtText(Peaks::kPasteButton), this);
    pasteButton_->setAutoDefault(false);  // Return still means OK
    connect(pasteButton_, &QPushButton::clicked, this, &CIdentifyPeaksDlg::PasteClipboard);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(pasteButton_);
    bottom->addStretch();
    bottom->addWidget(ButtonBox());
    layout->addLayout(bottom);
    EditorAt(0)->setFocus(Qt::OtherFocusReason);
}

void CIdentifyPeaksDlg::PasteClipboard() { PasteText(QGuiApplication::clipboard()->text()); }

// The grid's editors take the peaks; the record itself changes only on OK.
void CIdentifyPeaksDlg::PasteText(const QString& text) {
    const calc::PeakReading reading = calc::ReadPeakColumns(text.toStdString());
    if (!reading.problem.empty()) {
        RunMessageBox(this, {reading.problem, port::MessageButtons::Ok, port::MessageIcon::Exclamation,
                             port::MessageModality::Application});
        return;
    }
    calc::IdentifyPeaksInput pasted;
    calc::FillPeakGrid(pasted, reading.peaks);
    for (std::size_t row = 0; row < static_cast<std::size_t>(Peaks::kRows); ++row) {
        qobject_cast<QLineEdit*>(EditorAt(2 * row))->setText(QtText(pasted.mz[row]));
        qobject_cast<QLineEdit*>(EditorAt(2 * row + 1))->setText(QtText(pasted.intensity[row]));
    }
}

CIdentifyOptionsDlg::CIdentifyOptionsDlg(calc::IdentifyOptionsInput& input, QWidget* parent)
    : RecordDialog(input, parent) {
    // Two columns: what the ion is (polarity, charge, ion types) on the left,
    // what it may be made of and how it was measured on the right.
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    layout->addLayout(columns);
    const auto labelled = [this](QFormLayout* form, const port::FieldSpec& rule) {
        QLabel* label = MakeLabel(rule.label);
        label->setBuddy(EditorForKey(rule.key));
        form->addRow(label, EditorForKey(rule.key));
    };

    auto* top = new QHBoxLayout;
    top->addWidget(EditorForKey(Options::kPolarity.key));
    auto* chargeForm = new QFormLayout;
    labelled(chargeForm, Options::kCharge);
    EditorForKey(Options::kCharge.key)->setMaximumWidth(50);
    top->addLayout(chargeForm);
    left->addLayout(top);

    auto* types = new QHBoxLayout;
    types->addWidget(BoxOfKeys(*this, Options::kPositiveTypesGroup, "pos", Options::PositiveTypeCount()));
    types->addWidget(BoxOfKeys(*this, Options::kNegativeTypesGroup, "neg", Options::NegativeTypeCount()));
    left->addLayout(types);
    left->addWidget(MakeLabel(Options::kTypesGuidance));
    auto* otherForm = new QFormLayout;
    labelled(otherForm, Options::kOtherTypes);
    left->addLayout(otherForm);

    left->addStretch();
    auto* elements = new QGroupBox(QtText(Options::kElementsGroup));
    auto* elementsLayout = new QVBoxLayout(elements);
    for (std::string_view line : Options::kElementsGuidance) elementsLayout->addWidget(MakeLabel(line));
    constexpr int kColumnsPerSide = 3;
    QGridLayout* grid = MakeBlockGrid(2, {QtText(Options::kSymbolHeading), QtText(Options::kMinimumHeading),
                                          QtText(Options::kMaximumHeading)});
    for (std::size_t row = 0; row < static_cast<std::size_t>(Options::kElementRows); ++row) {
        const bool leftSide = row < static_cast<std::size_t>(Options::kRowsPerColumn);
        const int gridRow = 1 + static_cast<int>(leftSide ? row : row - Options::kRowsPerColumn);
        const int column = leftSide ? 0 : kColumnsPerSide + 1;
        const std::string number = std::to_string(row + 1);
        int part = 0;
        for (std::string_view prefix : {"symbol", "min", "max"}) {
            QWidget* editor = EditorForKey(std::string(prefix) + number);
            editor->setMaximumWidth(70);
            grid->addWidget(editor, gridRow, column + part++);
        }
    }
    elementsLayout->addLayout(grid);
    right->addWidget(elements);

    auto* instrument = new QFormLayout;
    labelled(instrument, Options::kPpm);
    labelled(instrument, Options::kResolution);
    right->addLayout(instrument);
    right->addWidget(EditorForKey(Options::kPowerModel.key));
    auto* referenceForm = new QFormLayout;
    labelled(referenceForm, Options::kReferenceMz);
    right->addLayout(referenceForm);

    auto* filters = new QGroupBox(QtText(Options::kFiltersGroup));
    auto* filtersLayout = new QVBoxLayout(filters);
    for (const port::FieldSpec* rule :
         {&Options::kRdbe, &Options::kRatios, &Options::kStrictRatios, &Options::kLewisSenior}) {
        filtersLayout->addWidget(EditorForKey(rule->key));
    }
    right->addWidget(filters);
    // The stricter level is a level of the ratios: it greys with them.
    auto* ratios = qobject_cast<QCheckBox*>(EditorForKey(Options::kRatios.key));
    QWidget* strict = EditorForKey(Options::kStrictRatios.key);
    connect(ratios, &QCheckBox::toggled, strict, &QWidget::setEnabled);
    right->addStretch();
    layout->addWidget(EditorForKey(Options::kReminder.key));
    layout->addWidget(ButtonBox());
}

}  // namespace tarnevo::app

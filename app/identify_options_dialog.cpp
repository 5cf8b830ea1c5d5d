#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/identify_dialogs.h"
#include "app/qt_text.h"

namespace tarnevo::app {

namespace {

using Options = calc::IdentifyOptionsInput;

std::string RowKey(std::string_view prefix, std::size_t row) {
    return std::string(prefix) + std::to_string(row);
}

// The ion types of one polarity: their boxes one under the other, then All
// and None, which check or clear them all; the Tab stops of the box in order.
struct TypesBox {
    QGroupBox* box = nullptr;
    std::vector<QWidget*> stops;
    std::vector<QPushButton*> buttons;
};

TypesBox BoxOfTypes(const RecordDialog& dialog, std::string_view caption, std::string_view prefix,
                    std::size_t count) {
    TypesBox types;
    types.box = new QGroupBox(QtText(caption));
    auto* layout = new QVBoxLayout(types.box);
    std::vector<QCheckBox*> checks;
    for (std::size_t k = 1; k <= count; ++k) {
        auto* check = qobject_cast<QCheckBox*>(dialog.EditorForKey(RowKey(prefix, k)));
        if (check == nullptr) continue;
        layout->addWidget(check);
        checks.push_back(check);
        types.stops.push_back(check);
    }
    auto* row = new QHBoxLayout;
    struct Setting {
        std::string_view text;
        bool checked;
    };
    for (const Setting setting : {Setting{Options::kAllButton, true}, Setting{Options::kNoneButton, false}}) {
        const bool checked = setting.checked;
        auto* button = new QPushButton(QtText(setting.text), types.box);
        button->setAutoDefault(false);  // Return still means OK
        QObject::connect(button, &QPushButton::clicked, types.box, [checks, checked] {
            for (QCheckBox* check : checks) check->setChecked(checked);
        });
        row->addWidget(button);
        types.stops.push_back(button);
        types.buttons.push_back(button);
    }
    row->addStretch();
    layout->addLayout(row);
    layout->addStretch();
    return types;
}

// All and None act on the boxes of the polarity chosen, greyed with them.
void GreyWithPolarity(const RecordDialog& dialog, const TypesBox& positive, const TypesBox& negative) {
    const QList<QRadioButton*> radios =
        dialog.EditorForKey(Options::kPolarity.key)->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    if (radios.isEmpty()) return;
    QRadioButton* positiveRadio = radios.front();
    const auto follow = [positive, negative](bool positiveChosen) {
        for (QPushButton* button : positive.buttons) button->setEnabled(positiveChosen);
        for (QPushButton* button : negative.buttons) button->setEnabled(!positiveChosen);
    };
    QObject::connect(positiveRadio, &QRadioButton::toggled, positive.box, follow);
    follow(positiveRadio->isChecked());
}

}  // namespace

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
    // Tab follows the layout: down the left column, then down the right one.
    std::vector<QWidget*> order;
    const auto labelled = [this, &order](QFormLayout* form, const port::FieldSpec& rule) {
        QLabel* label = MakeLabel(rule.label);
        label->setBuddy(EditorForKey(rule.key));
        form->addRow(label, EditorForKey(rule.key));
        order.push_back(EditorForKey(rule.key));
    };
    const auto alone = [this, &order](QBoxLayout* column, std::string_view key) {
        column->addWidget(EditorForKey(key));
        order.push_back(EditorForKey(key));
    };

    auto* top = new QHBoxLayout;
    alone(top, Options::kPolarity.key);
    auto* chargeForm = new QFormLayout;
    labelled(chargeForm, Options::kCharge);
    EditorForKey(Options::kCharge.key)->setMaximumWidth(50);
    top->addLayout(chargeForm);
    left->addLayout(top);

    auto* types = new QHBoxLayout;
    const TypesBox positive =
        BoxOfTypes(*this, Options::kPositiveTypesGroup, "pos", Options::PositiveTypeCount());
    const TypesBox negative =
        BoxOfTypes(*this, Options::kNegativeTypesGroup, "neg", Options::NegativeTypeCount());
    GreyWithPolarity(*this, positive, negative);
    types->addWidget(positive.box);
    types->addWidget(negative.box);
    order.insert(order.end(), positive.stops.begin(), positive.stops.end());
    order.insert(order.end(), negative.stops.begin(), negative.stops.end());
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
    // Rows 1 to 4 down the left block, 5 to 8 down the right one, as the
    // peak grid's blocks: Tab takes them in that order.
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
            order.push_back(editor);
        }
    }
    elementsLayout->addLayout(grid);
    right->addWidget(elements);

    auto* instrument = new QFormLayout;
    labelled(instrument, Options::kPpm);
    labelled(instrument, Options::kResolution);
    right->addLayout(instrument);
    alone(right, Options::kPowerModel.key);
    auto* referenceForm = new QFormLayout;
    labelled(referenceForm, Options::kReferenceMz);
    right->addLayout(referenceForm);

    auto* filters = new QGroupBox(QtText(Options::kFiltersGroup));
    auto* filtersLayout = new QVBoxLayout(filters);
    for (const port::FieldSpec* rule :
         {&Options::kRdbe, &Options::kRatios, &Options::kStrictRatios, &Options::kLewisSenior}) {
        alone(filtersLayout, rule->key);
    }
    right->addWidget(filters);
    // The stricter level is a level of the ratios: it greys with them.
    auto* ratios = qobject_cast<QCheckBox*>(EditorForKey(Options::kRatios.key));
    QWidget* strict = EditorForKey(Options::kStrictRatios.key);
    connect(ratios, &QCheckBox::toggled, strict, &QWidget::setEnabled);
    auto* listedForm = new QFormLayout;
    labelled(listedForm, Options::kListed);
    EditorForKey(Options::kListed.key)->setMaximumWidth(90);
    right->addLayout(listedForm);
    right->addStretch();
    alone(layout, Options::kReminder.key);
    layout->addWidget(ButtonBox());
    order.insert(order.end(),
                 {ButtonBox()->button(QDialogButtonBox::Ok), ButtonBox()->button(QDialogButtonBox::Cancel)});
    ChainTabOrder(order);
}

}  // namespace tarnevo::app

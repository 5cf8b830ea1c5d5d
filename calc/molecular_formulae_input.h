// Input records of the two dialogs of the formula search: the ionic parameters
// (measured m/z, the half width of the window, charge, save reminder) and the
// eight element rows (symbol, minimum and maximum atom counts).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "calc/shared_fields.h"
#include "output/calculation_state.h"
#include "port/input_record.h"

namespace tarnevo::calc {

class MolFormInput : public port::InputRecord {
public:
    static constexpr std::string_view kCaption = "Ionic Parameters for Molecular Formula Estimation";
    static constexpr double kStartTarget = 200.0;
    static constexpr double kStartDifference = 0.05;
    static constexpr std::string_view kRangeGroup = "Range in m/z values to be examined";
    static constexpr std::array<std::string_view, 3> kRangeLines = {
        "The difference in m/z sets the m/z range to be examined.",
        "The m/z range = experimental m/z ± difference.",
        "Difference values between 0.001 and 0.2 are recommended.",
    };

    static constexpr port::FieldSpec kTarget{
        "mz", "Experimental m/z of the [A+0] ion:", port::FieldType::Number, 2, 10000, 0};
    static constexpr port::FieldSpec kDifference{
        "tol", "Mass-to-charge ratio difference.", port::FieldType::Number, 0, 0.5, 0};
    static constexpr port::FieldSpec kCharge{"charge", "Ionic charge:", port::FieldType::Integer, -10, 10, 0};
    static constexpr const port::FieldSpec& kReminder = kSaveReminderField;
    // Beyond the dialog's own fields, off unless checked: the command line's --all.
    static constexpr port::FieldSpec kListAll{.key = "all",
                                              .label =
                                                  "List every formula found, sorted by m/z, not only the "
                                                  "first 200.",
                                              .type = port::FieldType::Check,
                                              .maximum = 1};

    double target = kStartTarget;
    double difference = kStartDifference;
    int charge = 1;
    bool saveReminder = true;
    bool listAll = false;

    std::string Caption() const override { return std::string(kCaption); }
    std::string_view DialogName() const override { return "CMolFormDlg"; }
    std::string_view HelpPage() const override { return "formulae_from_mz.html"; }
    std::vector<port::FieldBinding> Fields() override {
        return {{&kTarget, &target},
                {&kDifference, &difference},
                {&kCharge, &charge},
                {&kReminder, &saveReminder},
                {&kListAll, &listAll}};
    }
};

class FormulaElementsInput : public port::InputRecord {
public:
    static constexpr std::string_view kCaption = "Elements Included in the Molecular Formula Estimation";
    // Rows 1-4 in the left column, 5-8 in the right; row order is 1 to 8.
    static constexpr int kRows = output::kMaxFormulaElements;
    static constexpr int kRowsPerColumn = 4;
    static constexpr int kMaxAtoms = 1000;
    static constexpr int kSymbolLength = 4;
    static constexpr std::string_view kSymbolHeading = "Symbol";
    static constexpr std::array<std::string_view, 2> kMinimumHeading = {"Min #", "Atoms"};
    static constexpr std::array<std::string_view, 2> kMaximumHeading = {"Max #", "Atoms"};
    static constexpr std::array<std::string_view, 5> kExplanation = {
        "Enter the symbols, the minimum number of atoms, and the maximum number of atoms",
        "for each element in the formula to be tested. Entering a value of zero for the maximum",
        "number of atoms will provide the maximum possible value for the number of atoms.",
        "One user defined element with the symbol, \"Jx\", can be incorporated in the formula.",
        "Elements with blank symbols are ignored.",
    };

    struct Row {
        std::string symbol;
        int minimum = 0;
        int maximum = 0;
    };
    std::array<Row, kRows> rows{};  // all blank every time the dialog opens

    std::string Caption() const override { return std::string(kCaption); }
    std::string_view DialogName() const override { return "CMFormElemDlg"; }
    std::string_view HelpPage() const override { return "formulae_from_mz.html"; }
    // Row by row: "symbol1", "min1", "max1", "symbol2", ...
    std::vector<port::FieldBinding> Fields() override;
};

}  // namespace tarnevo::calc

// Input records of the dialogs for user-defined elements: the isotopes of one of
// Jx .. Qz (lightest mass and up to nine heavy isotopes), and the exact mass and
// valence of Jx for the formula search.
#pragma once

#include <array>
#include <string>

#include "core/element_table.h"
#include "core/user_element.h"
#include "port/input_record.h"

namespace tarnevo::calc {

class UserElementInput : public port::InputRecord {
public:
    static constexpr int kRows = core::kMaxUserHeavyIsotopes;  // rows 1-5 left, 6-9 right
    static constexpr std::string_view kMassLabel = "Accurate Mass of the lightest isotope:";
    static constexpr std::array<std::string_view, 2> kRowHeading = {"Heavy", "Isotope #"};
    static constexpr std::array<std::string_view, 2> kDeltaHeading = {"Delta", "Mass"};
    static constexpr std::array<std::string_view, 2> kFAHeading = {"Fractional", "Abundance"};

    explicit UserElementInput(int elementIndex) : elementIndex_(elementIndex) {}

    int ElementIndex() const { return elementIndex_; }
    // "Data for User Defined ELEMENT Jy" and so on.
    std::string Caption() const override;
    std::string_view DialogName() const override { return "CUserElemDlg"; }
    std::string_view HelpPage() const override { return "user_elements.html"; }
    int Subject() const override { return elementIndex_; }
    std::vector<port::FieldBinding> Fields() override;

    core::UserIsotopeEntry entry;  // every field 0 when the dialog opens

private:
    int elementIndex_;
};

class FormulaElementInput : public port::InputRecord {
public:
    static constexpr std::string_view kCaption = "Data for User Defined ELEMENT Jx";
    static constexpr std::string_view kValenceNote = "An entry of -1 indicates an indeterminate value.";
    static constexpr port::FieldSpec kMass{
        "mass", "Exact mass of Jx isotope to use in the calculation:", port::FieldType::Number, 1.0, 300.0,
        0};
    static constexpr port::FieldSpec kValence{.key = "valence",
                                              .label = "Number of valence electrons of element Jx:",
                                              .type = port::FieldType::Integer,
                                              .minimum = -1,
                                              .maximum = 20,
                                              .note = kValenceNote};

    double exactMass = 2.014102;
    int valence = 1;

    std::string Caption() const override { return std::string(kCaption); }
    std::string_view HelpPage() const override { return "user_elements.html"; }
    std::vector<port::FieldBinding> Fields() override {
        return {{&kMass, &exactMass}, {&kValence, &valence}};
    }
};

}  // namespace tarnevo::calc

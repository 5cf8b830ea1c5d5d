// Input record of the Isotope Cluster Calculation dialog: ion formula, charge,
// stop FA and the save-reminder box.
#pragma once

#include <string>

#include "dialogs/input_record.h"

namespace tarnevo::calc {

inline constexpr int kMaxFormulaLength = 128;

class ClusterFormInput : public dialogs::InputRecord {
public:
    static constexpr std::string_view kCaption = "Isotope Cluster Calculation";
    static constexpr std::string_view kGuidance1 = "Enter the ion formula in the usual fashion.";
    static constexpr std::string_view kGuidance2 =
        "User defined elements are listed as Jx, Jy, Jz, Qx, Qy, and Qz.";

    static constexpr dialogs::FieldSpec kFormula{"formula", "Ion Formula:",   dialogs::FieldType::Text, 0,
                                                 0,         kMaxFormulaLength};
    static constexpr dialogs::FieldSpec kCharge{"charge", "Ion Charge:", dialogs::FieldType::Integer, -30, 30,
                                                0};
    static constexpr dialogs::FieldSpec kStopFA{
        "stop",
        "Total Fractional Abundance at which to stop the calculation:",
        dialogs::FieldType::Number,
        0.5,
        0.99999,
        0};
    static constexpr dialogs::FieldSpec kReminder{
        "reminder", "Enable the reminder to save the data.", dialogs::FieldType::Check, 0, 1, 0};

    std::string formula;
    int charge = 1;
    double stopFA = 0.9999;
    bool saveReminder = true;

    std::string Caption() const override { return std::string(kCaption); }
    std::string_view DialogName() const override { return "CFormDlg"; }
    std::string_view HelpPage() const override { return "isotope_cluster.html"; }
    std::vector<dialogs::FieldBinding> Fields() override {
        return {{&kFormula, &formula}, {&kCharge, &charge}, {&kStopFA, &stopFA}, {&kReminder, &saveReminder}};
    }
};

}  // namespace tarnevo::calc

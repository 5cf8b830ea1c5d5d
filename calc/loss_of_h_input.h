// Input record of the first dialog of the loss-of-H correction: the formula of
// the intact ion, its charge, the m/z of the first peak of the measured spectrum
// and the save-reminder box.
#pragma once

#include <string>

#include "calc/cluster_form_input.h"
#include "calc/shared_fields.h"
#include "port/input_record.h"

namespace tarnevo::calc {

class LossHFormInput : public port::InputRecord {
public:
    static constexpr std::string_view kCaption = "Formula Data for the Loss of H Calculation";
    static constexpr std::string_view kGuidance1 = "Enter the ion formula in the usual fashion.";
    static constexpr std::string_view kGuidance2 =
        "User defined elements are listed as Jx, Jy, Jz, Qx, Qy, or Qz.";

    static constexpr const port::FieldSpec& kFormula = kIonFormulaField;
    static constexpr port::FieldSpec kCharge{"charge", "Ion Charge:", port::FieldType::Integer, 1, 2, 0};
    static constexpr port::FieldSpec kFirstPeakMz{"first-mz",
                                                  "m/z of the first peak in the experimental spectrum:",
                                                  port::FieldType::Number,
                                                  2.0,
                                                  2000.0,
                                                  0};
    static constexpr const port::FieldSpec& kReminder = kSaveReminderField;

    std::string formula;
    int charge = 1;
    double firstPeakMz = 200.0;
    bool saveReminder = true;

    std::string Caption() const override { return std::string(kCaption); }
    std::string_view DialogName() const override { return "CLossHFormDlg"; }
    std::vector<port::FieldBinding> Fields() override {
        return {{&kFormula, &formula},
                {&kCharge, &charge},
                {&kFirstPeakMz, &firstPeakMz},
                {&kReminder, &saveReminder}};
    }
};

}  // namespace tarnevo::calc

// Input record of the Isotope Cluster Calculation dialog: ion formula, charge,
// stop FA and the save-reminder box; below them, optional and off unless
// chosen, the ion type of a molecule typed as the formula and the peaks an
// instrument of a given resolving power resolves.
#pragma once

#include <string>

#include "calc/ion_type_fields.h"
#include "calc/shared_fields.h"
#include "port/input_record.h"

namespace tarnevo::calc {

class ClusterFormInput : public port::InputRecord {
public:
    static constexpr std::string_view kCaption = "Isotope Cluster Calculation";
    static constexpr std::string_view kGuidance1 = "Enter the ion formula in the usual fashion.";
    static constexpr std::string_view kGuidance2 =
        "User defined elements are listed as Jx, Jy, Jz, Qx, Qy, and Qz.";

    static constexpr const port::FieldSpec& kFormula = kIonFormulaField;
    static constexpr const port::FieldSpec& kCharge = kIonChargeField;
    static constexpr const port::FieldSpec& kStopFA = kStopFAField;
    static constexpr const port::FieldSpec& kReminder = kSaveReminderField;

    std::string formula;
    int charge = 1;
    double stopFA = 0.9999;
    bool saveReminder = true;
    std::string ionType;  // empty: the formula is the ion
    ResolutionEntries resolution;

    std::string Caption() const override { return std::string(kCaption); }
    std::string_view DialogName() const override { return "CFormDlg"; }
    std::string_view HelpPage() const override { return "isotope_cluster.html"; }
    std::vector<port::FieldBinding> Fields() override {
        std::vector<port::FieldBinding> fields = {{&kFormula, &formula},
                                                  {&kCharge, &charge},
                                                  {&kStopFA, &stopFA},
                                                  {&kReminder, &saveReminder},
                                                  {&kIonTypeField, &ionType}};
        resolution.Bind(fields);
        return fields;
    }
    bool IsFieldEnabled(std::string_view key) const override { return resolution.IsEnabled(key); }
};

}  // namespace tarnevo::calc

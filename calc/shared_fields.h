// The dialog fields that several calculations share, each declared once: the
// same key, label and accepted range wherever the field appears.
#pragma once

#include <string_view>

#include "dialogs/input_record.h"

namespace tarnevo::calc {

inline constexpr int kMaxFormulaLength = 128;

inline constexpr dialogs::FieldSpec kIonFormulaField{"formula", "Ion Formula:",   dialogs::FieldType::Text, 0,
                                                     0,         kMaxFormulaLength};
// The charge field accepts 0 as a number; the calculation refuses it with this.
inline constexpr std::string_view kIonChargeZero = "Ion charge cannot be zero!";
inline constexpr dialogs::FieldSpec kIonChargeField{
    "charge", "Ion Charge:", dialogs::FieldType::Integer, -30, 30, 0};
inline constexpr dialogs::FieldSpec kStopFAField{
    "stop",
    "Total Fractional Abundance at which to stop the calculation:",
    dialogs::FieldType::Number,
    0.5,
    0.99999,
    0};
inline constexpr dialogs::FieldSpec kSaveReminderField{
    "reminder", "Enable the reminder to save the data.", dialogs::FieldType::Check, 0, 1, 0};

}  // namespace tarnevo::calc

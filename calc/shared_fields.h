// The dialog fields that several calculations share, each declared once: the
// same key, label and accepted range wherever the field appears.
#pragma once

#include <string_view>

#include "port/input_record.h"

namespace tarnevo::calc {

inline constexpr int kMaxFormulaLength = 128;

inline constexpr port::FieldSpec kIonFormulaField{"formula", "Ion Formula:",   port::FieldType::Text, 0,
                                                  0,         kMaxFormulaLength};
// The charge field accepts 0 as a number; the calculation refuses it with this.
inline constexpr std::string_view kIonChargeZero = "Ion charge cannot be zero!";
inline constexpr port::FieldSpec kIonChargeField{"charge", "Ion Charge:", port::FieldType::Integer, -30, 30,
                                                 0};
inline constexpr port::FieldSpec kStopFAField{"stop",
                                              "Total Fractional Abundance at which to stop the calculation:",
                                              port::FieldType::Number,
                                              0.5,
                                              0.99999,
                                              0};
inline constexpr port::FieldSpec kSaveReminderField{
    "reminder", "Enable the reminder to save the data.", port::FieldType::Check, 0, 1, 0};

}  // namespace tarnevo::calc

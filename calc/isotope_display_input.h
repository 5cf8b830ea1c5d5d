// Input record of the Elemental Isotopic Display dialog: the symbol of one
// natural element (empty every time the dialog opens) and the save-reminder box.
#pragma once

#include <string>

#include "results/input_record.h"

namespace tarnevo::calc {

class IsotopeDisplayInput : public results::InputRecord {
public:
    static constexpr std::string_view kCaption = "Elemental Isotopic Display";
    static constexpr results::FieldSpec kSymbol{
        "symbol", "Chemical symbol of the element to be displayed:", results::FieldType::Text, 0, 0, 4};
    static constexpr results::FieldSpec kReminder{
        "reminder", "Enable the reminder to save the data.", results::FieldType::Check, 0, 1, 0};

    std::string symbol;
    bool saveReminder = true;

    std::string Caption() const override { return std::string(kCaption); }
    std::vector<results::FieldBinding> Fields() override {
        return {{&kSymbol, &symbol}, {&kReminder, &saveReminder}};
    }
};

}  // namespace tarnevo::calc

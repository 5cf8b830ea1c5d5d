// Input record of the Elemental Isotopic Display dialog: the symbol of one
// natural element (empty every time the dialog opens) and the save-reminder box.
#pragma once

#include <string>

#include "calc/shared_fields.h"
#include "port/input_record.h"

namespace tarnevo::calc {

class IsotopeDisplayInput : public port::InputRecord {
public:
    static constexpr std::string_view kCaption = "Elemental Isotopic Display";
    static constexpr port::FieldSpec kSymbol{
        "symbol", "Chemical symbol of the element to be displayed:", port::FieldType::Text, 0, 0, 4};
    static constexpr const port::FieldSpec& kReminder = kSaveReminderField;

    std::string symbol;
    bool saveReminder = true;

    std::string Caption() const override { return std::string(kCaption); }
    std::vector<port::FieldBinding> Fields() override {
        return {{&kSymbol, &symbol}, {&kReminder, &saveReminder}};
    }
};

}  // namespace tarnevo::calc

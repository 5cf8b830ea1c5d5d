// Input records of the two dialogs of the cluster ions and polymers calculation:
// the formulae of the neutral repeating unit (RU), end cap (EC) and charging ion
// (CI), then the charging, and the range of the series either in RUs or as an
// m/z window.
#pragma once

#include <array>
#include <string>

#include "calc/shared_fields.h"
#include "port/input_record.h"

namespace tarnevo::calc {

class RepeatUnitFormInput : public port::InputRecord {
public:
    static constexpr std::string_view kCaption = "Neutral Repeating Unit Formulae Entry";

    static constexpr port::FieldSpec kRepeatUnit{
        "ru", "Chemical formula of the repeating unit (RU):", port::FieldType::Text, 0, 0, 32};
    static constexpr port::FieldSpec kEndCap{.key = "cap",
                                             .label = "Chemical formula of the end cap (EC):",
                                             .type = port::FieldType::Text,
                                             .maxLength = 16,
                                             .note = "A blank value indicates no end cap."};
    static constexpr port::FieldSpec kChargingIon{
        "ci", "Chemical formula or symbol of the charging ion (CI):", port::FieldType::Text, 0, 0, 16};
    static constexpr port::FieldSpec kStopFA{
        .key = "stop",
        .label = "Total fractional abundance at which to stop the calculations:",
        .type = port::FieldType::Number,
        .minimum = 0.5,
        .maximum = 0.99999};
    static constexpr const port::FieldSpec& kReminder = kSaveReminderField;

    std::string repeatUnit;
    std::string endCap;
    std::string chargingIon;
    double stopFA = 0.9999;
    bool saveReminder = true;

    std::string Caption() const override { return std::string(kCaption); }
    std::vector<port::FieldBinding> Fields() override {
        return {{&kRepeatUnit, &repeatUnit},
                {&kEndCap, &endCap},
                {&kChargingIon, &chargingIon},
                {&kStopFA, &stopFA},
                {&kReminder, &saveReminder}};
    }
};

class RepeatUnitParamInput : public port::InputRecord {
public:
    static constexpr std::string_view kCaption = "Neutral Repeating Unit Parameter Entry";

    // Values of the range choice.
    static constexpr int kRangeInRUs = 0;
    static constexpr int kRangeInMz = 1;
    static constexpr std::array<std::string_view, 2> kRangeChoices = {
        "Enter the range using the number of repeating units (RUs).", "Enter the range using m/z values."};

    static constexpr port::FieldSpec kChargingIonCount{
        "ci-count", "Number of charging ions (CIs) per molecule:", port::FieldType::Integer, 1, 30, 0};
    static constexpr port::FieldSpec kCharge{
        "charge", "Total charge on the molecule:", port::FieldType::Integer, -30, 30, 0};
    static constexpr port::FieldSpec kRange{.key = "range",
                                            .label = "Range in Repeating Units",
                                            .type = port::FieldType::Choice,
                                            .minimum = 0,
                                            .maximum = 1,
                                            .group = "Range in Repeating Units",
                                            .choices = kRangeChoices};
    static constexpr port::FieldSpec kMinimumRUs{
        "min-ru", "Minimum number of RUs:", port::FieldType::Integer, 1, 200, 0};
    static constexpr port::FieldSpec kMaximumRUs{
        "max-ru", "Maximum number of RUs:", port::FieldType::Integer, 1, 200, 0};
    static constexpr port::FieldSpec kMinimumMz{
        "min-mz", "Minimum value of m/z:", port::FieldType::Number, 1, 50000, 0};
    static constexpr port::FieldSpec kMaximumMz{
        "max-mz", "Maximum value of m/z:", port::FieldType::Number, 1, 50000, 0};

    int chargingIonCount = 1;
    int charge = 1;
    int rangeChoice = kRangeInRUs;
    // The four range fields open at these values every time.
    int minimumRUs = 1;
    int maximumRUs = 10;
    double minimumMz = 50.0;
    double maximumMz = 400.0;

    std::string Caption() const override { return std::string(kCaption); }
    std::vector<port::FieldBinding> Fields() override {
        return {{&kChargingIonCount, &chargingIonCount},
                {&kCharge, &charge},
                {&kRange, &rangeChoice},
                {&kMinimumRUs, &minimumRUs},
                {&kMaximumRUs, &maximumRUs},
                {&kMinimumMz, &minimumMz},
                {&kMaximumMz, &maximumMz}};
    }
    // The RU fields are for choice 0, the m/z fields for choice 1; the disabled
    // pair is still validated on OK.
    bool IsFieldEnabled(std::string_view key) const override {
        if (key == kMinimumRUs.key || key == kMaximumRUs.key) return rangeChoice == kRangeInRUs;
        if (key == kMinimumMz.key || key == kMaximumMz.key) return rangeChoice == kRangeInMz;
        return true;
    }
};

}  // namespace tarnevo::calc

#include "calc/user_element_input.h"

namespace tarnevo::calc {

namespace {

using port::FieldSpec;
using port::FieldType;

constexpr FieldSpec kMassSpec{"mass", UserElementInput::kMassLabel, FieldType::Number, 1.0, 300.0, 0};

// Row k (1-9) of the isotope grid: "delta1" .. "delta9", "fa1" .. "fa9".
constexpr std::array<FieldSpec, UserElementInput::kRows> MakeDeltaSpecs() {
    constexpr std::array<std::string_view, 9> keys = {"delta1", "delta2", "delta3", "delta4", "delta5",
                                                      "delta6", "delta7", "delta8", "delta9"};
    std::array<FieldSpec, UserElementInput::kRows> specs{};
    for (int k = 0; k < UserElementInput::kRows; ++k)
        specs[k] = {keys[k], "Delta Mass", FieldType::Integer, 0, 25, 0};
    return specs;
}

constexpr std::array<FieldSpec, UserElementInput::kRows> MakeFASpecs() {
    constexpr std::array<std::string_view, 9> keys = {"fa1", "fa2", "fa3", "fa4", "fa5",
                                                      "fa6", "fa7", "fa8", "fa9"};
    std::array<FieldSpec, UserElementInput::kRows> specs{};
    for (int k = 0; k < UserElementInput::kRows; ++k) {
        specs[k] = {keys[k], "Fractional Abundance", FieldType::Number, 0.0, 0.99999, 0};
    }
    return specs;
}

constexpr auto kDeltaSpecs = MakeDeltaSpecs();
constexpr auto kFASpecs = MakeFASpecs();

}  // namespace

std::string UserElementInput::Caption() const {
    return "Data for User Defined ELEMENT " + std::string(core::SymbolOf(elementIndex_));
}

std::vector<port::FieldBinding> UserElementInput::Fields() {
    std::vector<port::FieldBinding> fields;
    fields.push_back({&kMassSpec, &entry.lightMass});
    for (int k = 0; k < kRows; ++k) {
        fields.push_back({&kDeltaSpecs[k], &entry.delta[k]});
        fields.push_back({&kFASpecs[k], &entry.fa[k]});
    }
    return fields;
}

}  // namespace tarnevo::calc

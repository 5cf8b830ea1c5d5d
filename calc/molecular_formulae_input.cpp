#include "calc/molecular_formulae_input.h"

namespace tarnevo::calc {

namespace {

using port::FieldSpec;
using port::FieldType;
constexpr int kRows = FormulaElementsInput::kRows;

// Row k (1-8): "symbol1" .. "symbol8", "min1" .. "min8", "max1" .. "max8".
constexpr std::array<std::string_view, kRows> kSymbolKeys = {"symbol1", "symbol2", "symbol3", "symbol4",
                                                             "symbol5", "symbol6", "symbol7", "symbol8"};
constexpr std::array<std::string_view, kRows> kMinimumKeys = {"min1", "min2", "min3", "min4",
                                                              "min5", "min6", "min7", "min8"};
constexpr std::array<std::string_view, kRows> kMaximumKeys = {"max1", "max2", "max3", "max4",
                                                              "max5", "max6", "max7", "max8"};

constexpr std::array<FieldSpec, kRows> MakeSpecs(const std::array<std::string_view, kRows>& keys,
                                                 std::string_view label, FieldType type) {
    std::array<FieldSpec, kRows> specs{};
    for (int k = 0; k < kRows; ++k) {
        specs[static_cast<std::size_t>(k)] =
            type == FieldType::Text ? FieldSpec{keys[static_cast<std::size_t>(k)],  label, type, 0, 0,
                                                FormulaElementsInput::kSymbolLength}
                                    : FieldSpec{keys[static_cast<std::size_t>(k)], label, type, 0,
                                                FormulaElementsInput::kMaxAtoms,   0};
    }
    return specs;
}

constexpr auto kSymbolSpecs = MakeSpecs(kSymbolKeys, "Symbol", FieldType::Text);
constexpr auto kMinimumSpecs = MakeSpecs(kMinimumKeys, "Min # Atoms", FieldType::Integer);
constexpr auto kMaximumSpecs = MakeSpecs(kMaximumKeys, "Max # Atoms", FieldType::Integer);

}  // namespace

std::vector<port::FieldBinding> FormulaElementsInput::Fields() {
    std::vector<port::FieldBinding> fields;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        fields.push_back({&kSymbolSpecs[k], &rows[k].symbol});
        fields.push_back({&kMinimumSpecs[k], &rows[k].minimum});
        fields.push_back({&kMaximumSpecs[k], &rows[k].maximum});
    }
    return fields;
}

}  // namespace tarnevo::calc

#include "calc/labelling_input.h"

namespace tarnevo::calc {

namespace {

using port::FieldSpec;
using port::FieldType;
using Input = EnrichmentDetailsInput;

constexpr std::array<std::string_view, Input::kRows> kMassKeys = {
    "mass1", "mass2", "mass3", "mass4", "mass5", "mass6", "mass7", "mass8", "mass9", "mass10"};
constexpr std::array<std::string_view, Input::kRows> kNaturalKeys = {
    "natural1", "natural2", "natural3", "natural4", "natural5",
    "natural6", "natural7", "natural8", "natural9", "natural10"};
constexpr std::array<std::string_view, Input::kRows> kEnrichedKeys = {
    "enriched1", "enriched2", "enriched3", "enriched4", "enriched5",
    "enriched6", "enriched7", "enriched8", "enriched9", "enriched10"};

template <typename Make>
constexpr std::array<FieldSpec, Input::kRows> MakeRowSpecs(Make make) {
    std::array<FieldSpec, Input::kRows> specs{};
    for (int row = 0; row < Input::kRows; ++row) specs[row] = make(row);
    return specs;
}

constexpr auto kMassSpecs = MakeRowSpecs(
    [](int row) { return FieldSpec{kMassKeys[row], Input::kMassHeading, FieldType::Number, 0.0, 300.0, 0}; });
constexpr auto kNaturalSpecs = MakeRowSpecs([](int row) {
    return FieldSpec{kNaturalKeys[row], Input::kNaturalHeading, FieldType::Number, 0.0, 0.99999, 0};
});
constexpr auto kEnrichedSpecs = MakeRowSpecs([](int row) {
    return row == 0
               ? FieldSpec{kEnrichedKeys[row], Input::kEnrichedHeading, FieldType::Text, 0, 0, 10}
               : FieldSpec{kEnrichedKeys[row], Input::kEnrichedHeading, FieldType::Number, 0.0, 0.99999, 0};
});

// Row number (1-10) of a key, or 0.
int RowOf(std::string_view key, const std::array<std::string_view, Input::kRows>& keys) {
    for (int row = 0; row < Input::kRows; ++row) {
        if (keys[row] == key) return row + 1;
    }
    return 0;
}

}  // namespace

std::string EnrichedElementCaption(int elementNumber) {
    return "Enrichment Details for Element " + std::to_string(elementNumber);
}

EnrichmentDetailsInput::EnrichmentDetailsInput(int elementNumber, const core::IsotopeList& isotopes)
    : elementNumber_(elementNumber), isotopeCount_(isotopes.count) {
    for (int row = 0; row < isotopes.count && row < kRows; ++row) {
        mass[row] = isotopes.mass[row];
        naturalFA[row] = isotopes.fa[row];
    }
}

std::vector<port::FieldBinding> EnrichmentDetailsInput::Fields() {
    std::vector<port::FieldBinding> fields;
    for (int row = 0; row < kRows; ++row) {
        fields.push_back({&kMassSpecs[row], &mass[row]});
        fields.push_back({&kNaturalSpecs[row], &naturalFA[row]});
        if (row == 0) {
            fields.push_back({&kEnrichedSpecs[row], &lightFAText});
        } else {
            fields.push_back({&kEnrichedSpecs[row], &enrichedFA[row]});
        }
    }
    return fields;
}

bool EnrichmentDetailsInput::IsFieldEnabled(std::string_view key) const {
    // Masses and natural FAs are shown (read-only) in every row; of the enriched
    // FAs only those of the heavy isotopes can be entered.
    const int row = RowOf(key, kEnrichedKeys);
    return row == 0 || (row >= 2 && row <= isotopeCount_);
}

std::string_view EnrichmentDetailsInput::MassKey(int row) { return kMassKeys[row - 1]; }
std::string_view EnrichmentDetailsInput::NaturalKey(int row) { return kNaturalKeys[row - 1]; }
std::string_view EnrichmentDetailsInput::EnrichedKey(int row) { return kEnrichedKeys[row - 1]; }

}  // namespace tarnevo::calc

#include "calc/peak_input.h"
#include "core/ion_mz.h"

#include <cstdlib>

namespace tarnevo::calc {

namespace {

using port::FieldSpec;
using port::FieldType;

constexpr std::array<std::string_view, PeakInput::kPeakCount> kMzKeys = {
    "mz1", "mz2", "mz3", "mz4", "mz5", "mz6", "mz7", "mz8", "mz9", "mz10", "mz11", "mz12"};
constexpr std::array<std::string_view, PeakInput::kPeakCount> kIntensityKeys = {
    "intensity1", "intensity2", "intensity3", "intensity4",  "intensity5",  "intensity6",
    "intensity7", "intensity8", "intensity9", "intensity10", "intensity11", "intensity12"};

constexpr std::array<FieldSpec, PeakInput::kPeakCount> MakeMzSpecs() {
    std::array<FieldSpec, PeakInput::kPeakCount> specs{};
    for (int k = 0; k < PeakInput::kPeakCount; ++k) {
        specs[k] = {kMzKeys[k],        PeakInput::kMzHeading, FieldType::Number,
                    PeakInput::kMinMz, PeakInput::kMaxMz,     0};
    }
    return specs;
}

constexpr std::array<FieldSpec, PeakInput::kPeakCount> MakeIntensitySpecs() {
    std::array<FieldSpec, PeakInput::kPeakCount> specs{};
    for (int k = 0; k < PeakInput::kPeakCount; ++k) {
        specs[k] = {
            kIntensityKeys[k], "Relative Intensity", FieldType::Number, 0.0, PeakInput::kMaxIntensity, 0};
    }
    return specs;
}

constexpr auto kMzSpecs = MakeMzSpecs();
constexpr auto kIntensitySpecs = MakeIntensitySpecs();

}  // namespace

void PeakInput::SetEvenlySpacedMz(double firstMz, int charge) {
    const double step = core::MzOf(1.0, charge);  // one mass unit on the m/z scale
    for (int k = 0; k < kPeakCount; ++k) mz[static_cast<std::size_t>(k)] = firstMz + k * step;
}

std::vector<port::FieldBinding> PeakInput::Fields() {
    std::vector<port::FieldBinding> fields;
    fields.reserve(2 * kPeakCount);
    for (std::size_t k = 0; k < kPeakCount; ++k) {
        fields.push_back({&kMzSpecs[k], &mz[k]});
        fields.push_back({&kIntensitySpecs[k], &intensity[k]});
    }
    return fields;
}

}  // namespace tarnevo::calc

// The texts of the chemistry core's refusals, exactly as the user sees them.
// Both front ends show these through the user-interface port; they live here once.
#pragma once

#include <string_view>

#include "core/cluster_engine.h"
#include "core/user_element.h"

namespace tarnevo::core::messages {

inline constexpr std::string_view kFormulaEntryError = "Formula Entry Error";
inline constexpr std::string_view kTooManyAtomsOfElement =
    "Maximum number of atoms for an element (20000) has been exceeded.";
inline constexpr std::string_view kSymbolEntryError = "Symbol Entry Error";

inline constexpr std::string_view kTooManyPolyAtoms =
    "Total number of polyisotopic atoms cannot exceed 30000.";
inline constexpr std::string_view kTooManyHeavyIsotopes =
    "The number of heavy isotopes (88) has been exceeded.";
inline constexpr std::string_view kTooManyPolyElements =
    "The number of polyisotopic elements cannot exceed 18.";
inline constexpr std::string_view kNoPolyisotopicElement =
    "The ion must contain at least one polyisotopic element.";

inline constexpr std::string_view kClusterBeyondRange =
    "The isotope cluster of this ion lies far above [A+319]: every peak from [A+0] to [A+319] is below "
    "1E-307 and cannot be shown.";

inline constexpr std::string_view kFAMustBePositive = "Each FA must be greater than 0.0.";
inline constexpr std::string_view kEqualDeltas = "Delta masses for two isotopes cannot be equal.";
inline constexpr std::string_view kHeavyFATooLarge = "Total FA of heavy isotopes exceeds 0.999999";

// The message of a limit refusal; empty within limits.
constexpr std::string_view MessageFor(ClusterLimit limit) {
    switch (limit) {
        case ClusterLimit::TooManyPolyAtoms:
            return kTooManyPolyAtoms;
        case ClusterLimit::TooManyHeavyIsotopes:
            return kTooManyHeavyIsotopes;
        case ClusterLimit::TooManyPolyElements:
            return kTooManyPolyElements;
        case ClusterLimit::NoPolyisotopicElement:
            return kNoPolyisotopicElement;
        case ClusterLimit::WithinLimits:
            break;
    }
    return {};
}

constexpr std::string_view MessageFor(UserElementStatus status) {
    switch (status) {
        case UserElementStatus::NonPositiveFA:
            return kFAMustBePositive;
        case UserElementStatus::EqualDeltas:
            return kEqualDeltas;
        case UserElementStatus::HeavyFATooLarge:
            return kHeavyFATooLarge;
        case UserElementStatus::Stored:
            break;
    }
    return {};
}

}  // namespace tarnevo::core::messages

// The built-in isotope data of the 84 natural elements, in element-index order
// (alphabetical by symbol, Ag = 0 .. Zr = 83). The element table is built from it.
#pragma once

#include <array>
#include <cstddef>

namespace tarnevo::core {

inline constexpr std::size_t kNaturalElementCount = 84;
inline constexpr std::size_t kMaxNaturalHeavyIsotopes = 9;  // tin

struct NaturalHeavyIsotope {
    int delta;         // mass number minus that of the lightest isotope
    double exactMass;  // u
    double fa;         // fractional abundance
};

struct NaturalElement {
    const char* symbol;
    int lightMassNumber;
    double lightMass;  // u, exact mass of the lightest isotope
    double lightFA;    // 1.0 for a monoisotopic element
    bool monoisotopic;
    int valenceElectrons;  // -1: indeterminate
    int heavyCount;
    std::array<NaturalHeavyIsotope, kMaxNaturalHeavyIsotopes> heavy;  // decreasing FA
};

extern const std::array<NaturalElement, kNaturalElementCount> kNaturalElements;

}  // namespace tarnevo::core

// User-defined elements Jx .. Qz (indexes 84-89): isotopes typed in by the user
// for one calculation, stored into the element table like natural ones.
#pragma once

#include <array>

#include "core/element_table.h"

namespace tarnevo::core {

// What the user typed: the lightest isotope's mass and up to nine heavy isotopes,
// each as delta (mass number above the lightest; 0 leaves the row empty) and FA.
struct UserIsotopeEntry {
    double lightMass = 0.0;
    std::array<int, kMaxUserHeavyIsotopes> delta{};
    std::array<double, kMaxUserHeavyIsotopes> fa{};
};

enum class UserElementStatus {
    Stored,
    NonPositiveFA,    // a row with a delta has an FA of 0 or less
    EqualDeltas,      // two rows share a delta
    HeavyFATooLarge,  // the lightest isotope would keep less than 0.000001
};

// Writes the entry into the record of elementIndex, appending its heavy isotopes
// at the table's cursors in decreasing FA (ties in row order). The lightest
// isotope's FA is 1 minus the heavy FAs. A refusal leaves what was written so far;
// the calling command then ends, and the next one resets the cursors.
UserElementStatus StoreUserElement(ElementTable& table, int elementIndex, const UserIsotopeEntry& entry);

}  // namespace tarnevo::core

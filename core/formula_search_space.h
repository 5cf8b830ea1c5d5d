// The formula search's view of a query (core/formula_search.h): the elements'
// masses and count ranges in extended precision, and the m/z window turned into
// the window of neutral lightest-isotope masses whose ions it holds, with the
// slack within which the walk's screening stays conservative. The walk, the
// completion table and the search's plan all read it.
#pragma once

#include <array>
#include <cstdint>

#include "core/extended_precision.h"
#include "core/formula_search.h"

namespace tarnevo::core::search {

// What the walk needs of a query, in extended precision, with the window also
// expressed as ion masses: m/z = (mass - charge x electronMass) / |charge|.
struct SearchSpace {
    int elementCount = 0;
    std::array<Extended, kMaxSearchElements> mass{};
    std::array<std::int64_t, kMaxSearchElements> units{};  // of the completion filter's grid
    std::array<int, kMaxSearchElements> minimum{};
    std::array<int, kMaxSearchElements> maximum{};
    // restMaximum[k]: mass of every element from k on at its maximum.
    std::array<Extended, kMaxSearchElements + 1> restMaximum{};
    int charge = 1;
    MzWindow window;
    Extended lowMass = 0.0L;   // mass whose m/z is window.low
    Extended highMass = 0.0L;  // mass whose m/z is window.high
    Extended slack = 0.0L;     // in mass units
    // Doubles for screening: far within the slack of the extended values.
    std::array<double, kMaxSearchElements> approxMass{};
    std::array<double, kMaxSearchElements + 1> approxRestMaximum{};
    double approxLow = 0.0;   // lowMass - slack
    double approxHigh = 0.0;  // highMass + slack
};

SearchSpace MakeSearchSpace(const FormulaQuery& query);

// Count c of element k at a partial mass, as the walk forms it.
inline Extended AddAtoms(Extended partialMass, int count, Extended mass) {
    return partialMass + static_cast<Extended>(count) * mass;
}

}  // namespace tarnevo::core::search

// Whether the elements not yet counted can still bring a partial formula into
// the m/z window: the test that lets the formula search skip the partial
// formulae with no completion, so that its work follows the formulae the
// window holds rather than the size of the box of counts.
//
// The test works on a grid of 0.000005 u (or finer, see FilterGrid). Every natural lightest-isotope mass
// has at most five decimals but hydrogen's 1.007825, which has six ending in
// 5, so on that grid each is an integer (H 201565, C 2400000), and a
// formula's mass is an integer sum of them; whether such a
// sum can fall in the window is one lookup in an extended residue table
// (formula_residues.h). A mass off the grid (Jx, whatever the user typed) is
// split into its nearest grid integer and a remainder, and the remainder
// times the element's count range widens the window, so the test stays a
// superset of the truth for any masses. So does everything else it relaxes:
// the counts of the later elements are taken as unbounded, and all tables
// share one modulus, the smallest grid mass among the elements they serve,
// which is added to the sets that lack it. The search confirms every formula
// with its own extended-precision m/z, so a relaxed "may complete" costs only
// time, and a "cannot" is never wrong.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/extended_precision.h"
#include "core/formula_residues.h"

namespace tarnevo::core {

struct FilterElement {
    double mass = 0.0;  // u, positive
    int minimum = 0;    // atoms
    int maximum = 0;    // atoms
};

// The grid the filter works on for these elements, in units per u: the
// coarsest of 0.000005, 0.000001, 0.0000005 and 0.0000001 u on which every
// mass lies and whose smallest grid mass keeps the tables affordable. Natural
// elements need only the first; deuterium typed as Jx (2.014102) needs the
// second, which with hydrogen makes tables of about a million entries. When no
// grid fits, 0.000005 u with the masses' remainders.
long double FilterGrid(const std::vector<FilterElement>& elements);

// A mass in grid units: the nearest integer to mass x gridPerU.
std::int64_t GridUnits(double mass, long double gridPerU);

class CompletionFilter {
public:
    // Serves the depths firstDepth .. lastDepth of the walk over elements (a
    // depth is the index of the next element to count); the window is given
    // as the ion masses whose m/z are its ends.
    CompletionFilter(const std::vector<FilterElement>& elements, Extended lowMass, Extended highMass,
                     int firstDepth, int lastDepth);

    // false when no completion by elements depth .. last, each from its minimum
    // up (the first at its minimum or more, later ones possibly absent), can
    // give a total mass in the window; prefixUnits is the sum of GridUnits of
    // the masses of the atoms already counted, on FilterGrid(elements).
    bool MayComplete(int depth, std::int64_t prefixUnits) const;

    // Whether the window holds any grid integer that formulae of these
    // elements may sum to (allowing for the off-grid remainders): the check
    // of a filter without tables, in constant time.
    static bool AnyGridSumBetween(const std::vector<FilterElement>& elements, Extended lowMass,
                                  Extended highMass);

    // Entries of the residue tables kept, the measure of the filter's memory
    // and of its set-up time.
    static std::int64_t TableEntries(const std::vector<FilterElement>& elements, int firstDepth,
                                     int lastDepth);

private:
    struct Depth {
        std::optional<ResidueTable> table;
        std::int64_t minimumUnits = 0;  // the first element's minimum, in grid units
    };

    long double gridPerU_ = 0.0L;
    std::vector<Depth> depths_;
    // The grid integers a formula in the window may sum to, allowing for the
    // off-grid remainders of every element at its maximum and for rounding.
    std::int64_t lowUnits_ = 1;
    std::int64_t highUnits_ = 0;
};

}  // namespace tarnevo::core

// The convolution route's units (core/cluster_convolution.h): the steps in which
// the peaks are merged. An element with several heavy isotopes is a unit of its
// own; elements with a single heavy isotope are grouped by its delta, their
// binomial rows convolved into one (for a protein: carbon, hydrogen and nitrogen
// together, each heavy atom adding 1 to the shift). C254H377N65O75S6 thus merges
// three units: the delta-1 group of C, H and N, oxygen and sulfur.
//
// Beside each probability a unit carries its mass-defect moment: the sum of
// probability x (sum of the heavy atoms' defects) over the compositions counted
// there. An element's heavy atom of isotope i adds its defect d_i through the
// share u_i; a group's atoms all add 1 to the shift but not the same defect
// (13C 0.00335 u, 2H 0.00628 u), so a group carries the moment of its j heavy
// atoms in momentWeight(j) instead.
#pragma once

#include <array>

#include "core/cluster_pass_sums.h"
#include "core/cluster_workspace.h"

namespace tarnevo::core::convolution {

struct Unit {
    int top = 0;                             // most heavy atoms it takes within the passes run
    const Extended* weight = nullptr;        // probability of j heavy atoms, x 2^-exponent
    const Extended* momentWeight = nullptr;  // their defect moment, same scale
    int exponent = 0;
    int isotopeCount = 0;
    const Extended* share = nullptr;        // heavy-isotope distribution u_i
    const Extended* shareDefect = nullptr;  // u_i x d_i
    const int* delta = nullptr;
    int minDelta = 0;
    int maxDelta = 0;
};

// The units of one computation. They point into the element runs, the scratch's
// lines and groupDelta, so a set is built where it stays.
struct UnitSet {
    std::array<Unit, kMaxPolyElements> units{};
    int count = 0;
    std::array<int, kMaxPolyElements> groupDelta{};  // the delta of each group
};

// Gathers the units for `passes` passes (the binomial rows filled that far): a
// group's rows are convolved into the scratch's line and moment line of its
// number and normalised, each unit's weights truncated at `passes` heavy atoms.
void BuildUnits(const ClusterIon& ion, const IonRuns& runs, const ScratchLines& lines, int passes,
                UnitSet& units);

}  // namespace tarnevo::core::convolution

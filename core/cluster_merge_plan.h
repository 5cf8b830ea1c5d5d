// The merge planner of the convolution route (core/cluster_convolution.h): in which
// order the units (an element with several heavy isotopes, or a group of
// single-isotope elements) are merged. The first builds the table over (heavy
// atoms, shift), the last is folded straight into the peaks, the others are merged
// in between, the smallest first; the pair (first, last) with the least estimated
// work is taken. The order changes the work only, never the result beyond rounding.
#pragma once

namespace tarnevo::core::convolution {

struct UnitShape {
    int top = 0;           // most heavy atoms the unit takes within the passes run
    int isotopeCount = 0;  // 1 for a group of single-isotope elements
    int minDelta = 1;
    int maxDelta = 1;
};

// Number of cells in the row spans of a table of rows 0 .. top, row h holding the
// shifts h x minDelta .. min(319, h x maxDelta).
double CellCount(int top, int minDelta, int maxDelta);

// Writes into order[0 .. count - 1] a permutation of the units 0 .. count - 1.
void PlanMergeOrder(const UnitShape* units, int count, int passes, int* order);

}  // namespace tarnevo::core::convolution

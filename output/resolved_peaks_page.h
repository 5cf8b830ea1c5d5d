// What a cluster's page and report add when the ion was asked for as a
// molecule's ion type, or at a resolving power: the ion type's line under the
// charge, and the table of the peaks the instrument resolves after the
// cluster's own. The command line prints the same table after its page.
#pragma once

#include <string>
#include <vector>

#include "output/calculation_state.h"

namespace tarnevo::output {

// "Ion type: [M+H]+ of the molecule C8H10N4O2", or nothing when the formula
// was typed as the ion.
std::vector<std::string> IonTypeLines(const IonTypeEcho& ionType);

// "R 60000, the same at every m/z" or "R 240000 at m/z 200, falling with the
// square root of m/z".
std::string ResolvingPowerText(const core::ResolvingPower& power);

// An empty line, "Resolved peaks at R ... (fine structure):", the heading and
// one row per peak: m/z (5 decimals) in 14 columns, FA (scientific) in 13, Rel %
// of the largest in 8, two blanks between. Nothing when they were not asked
// for; the problem instead of the rows when there are none.
std::vector<std::string> ResolvedPeakLines(const ResolvedPeaksTable& table);

}  // namespace tarnevo::output

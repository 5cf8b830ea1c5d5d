// The JSON of an identification, as `tarnevo-cli identify --json` prints it
// and each line of its batch:
//   "charge", "chargeInferred", "monoisotopicMz" (the measured peak taken as
//   the monoisotopic one), "massMatches" (formulae in the window, all ion
//   types), "filteredOut" (of them, refused by a chemistry filter),
//   "notRanked" (of those that passed, beyond the best 200 the identification
//   scores: counted, neither scored nor listed), "candidateCount" (scored and
//   ranked), and "candidates", the best first
//   (the top N unless --all): {rank, adduct, formula (the neutral M),
//   ionFormula, mz, errorPpm, dbe (M's; null where an element has no usual
//   valence), electronClass ("EE", "OE", "indeterminate"), patternScore (the
//   pattern match, 0-100), score (the log-likelihood the ranking sorts by, 0
//   best), peaks}. Each peak of the comparison is {outcome ("matched",
//   "missing" or "unexplained"), measuredMz, measuredRel, predictedMz,
//   predictedRel}, the relative intensities in percent of each side's base
//   peak as every other command prints them, and null on the side that has
//   no peak.
#pragma once

#include <cstddef>
#include <ostream>

#include "core/ion_identification.h"

namespace tarnevo::cli {

// The fields without the enclosing braces; candidateCount is the number of
// candidates before the list was cut to the top N.
void PrintIdentificationJsonFields(const core::IdentifyResult& result, std::size_t candidateCount,
                                   std::ostream& out);

}  // namespace tarnevo::cli

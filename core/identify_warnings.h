// What an identification's user should be told beside the ranking: that the
// best candidate does not explain the measured pattern, and what the pattern
// itself suggests (an [A+2] above 25 % of [A+0] is chlorine's or bromine's,
// some 4.4 % beyond carbon's is sulfur's), so that a ranking of poor
// candidates is never read as an answer.
#pragma once

#include <string>
#include <vector>

#include "core/ion_identification.h"

namespace tarnevo::core {

// A nominal peak of the best candidate "does not explain" the measured one
// when they differ by more than kUnexplainedAbsolute of [A+0] and by more than
// a factor kUnexplainedFactor: far beyond the intensity errors of the real
// TOF clusters (their largest: 30 % of a peak of 10-30 %, a factor 1.8 of a
// peak of a few percent, i.e. below 8 % of [A+0]).
inline constexpr double kUnexplainedAbsolute = 0.08;
inline constexpr double kUnexplainedFactor = 2.0;

// Sentences for the user, empty when the best candidate explains the peaks.
std::vector<std::string> IdentifyWarnings(const IdentifyQuery& query, const IdentifyResult& result);

}  // namespace tarnevo::core

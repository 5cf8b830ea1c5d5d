// The result page of an ion identification, and which of its lines lists
// which candidate, so that a click on a candidate's row can select it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "output/calculation_state.h"

namespace tarnevo::output {

struct IdentificationPage {
    std::vector<std::string> lines;
    std::size_t firstCandidateLine = 0;  // the line of rank 1; the others follow it
    std::size_t candidateLines = 0;      // how many ranks are listed
};

// Title, the question, the ranked candidates (top kListedCandidates), then
// the selected candidate's peaks against the measured ones.
IdentificationPage LayoutIdentificationPage(const CalculationState& state);

// The candidate (index into the ranking) listed on a line of the page;
// nothing for any other line or another kind of results.
std::optional<std::size_t> CandidateOnPageLine(const CalculationState& state, std::size_t line);

}  // namespace tarnevo::output

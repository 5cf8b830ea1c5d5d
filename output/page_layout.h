// The result page of each calculation kind as lines of monospaced text, in the
// order the results view draws them. An empty string is an empty line (a line
// advance without text). Columns line up by character counts.
#pragma once

#include <string>
#include <vector>

#include "output/calculation_state.h"

namespace tarnevo::output {

std::vector<std::string> LayoutResultLines(const CalculationState& state);

}  // namespace tarnevo::output

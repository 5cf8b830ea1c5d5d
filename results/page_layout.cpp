#include "results/page_layout.h"

namespace tarnevo::results {

std::vector<std::string> LayoutResultLines(const CalculationState&) { return {}; }

}  // namespace tarnevo::results

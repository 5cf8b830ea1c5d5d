#include "results/report.h"

namespace tarnevo::results {

std::string ComposeReport(const CalculationState&, std::string_view) { return {}; }
std::string FormatDetailLine(const CalculationState&, int&, int) { return {}; }
std::string FormatRunDate(std::time_t) { return {}; }

}  // namespace tarnevo::results

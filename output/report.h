// The plain-text report of the stored results: one block per calculation kind,
// comma-separated value lines under short headings, CR LF line ends, and a
// trailer with the date of writing. Composed from a CalculationState alone.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "output/calculation_state.h"

namespace tarnevo::output {

// The whole report file, trailer included, for the given date text.
std::string ComposeReport(const CalculationState& state, std::string_view runDate);

// The isotope-FA line of detailed element `element` whose first isotope is at
// `cursor`, e.g. "2 atom(s) of Jx: Jx(10)=0.19820, Jx(11)=0.80180\r\n"; returns the
// line and advances cursor to the first isotope of the next element.
std::string FormatDetailLine(const CalculationState& state, int& cursor, int element);

// Local date and time as "December 07, 2026, at 09.05 h", English month names
// whatever the user's locale; empty when the time cannot be converted.
std::string FormatRunDate(std::time_t time);

}  // namespace tarnevo::output

// The profile an instrument of a given resolving power would record, drawn
// under the sticks of an isotope cluster in the Pattern Plot: where the sticks
// say how much of the ion lies at each nominal mass, the profile shows which of
// those peaks such an instrument separates (the 34S, 13C2 and 18O lines of an
// [A+2] at R 240,000) and which it merges into one. The resolving power comes
// from the plot pane's own field; empty, the plot is as it always was.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "calc/resolved_pattern.h"
#include "core/element_table.h"
#include "core/resolving_power.h"
#include "output/calculation_state.h"
#include "output/plot_data.h"

namespace tarnevo::app {

// What the resolving power field holds: a resolution, nothing (the field is
// empty or 0: no profile), or the message that refuses the text.
struct ResolvingPowerEntry {
    std::optional<double> resolution;
    std::string problem;  // empty when the text is accepted
};

// Reads the field: blank or 0 is off, otherwise a whole number of the accepted
// range, which may be written with thousands separators ("60,000").
ResolvingPowerEntry ReadResolvingPower(std::string_view text);

// Whether a resolution (a remembered one, say) lies in the accepted range.
bool IsAcceptedResolution(double resolution);

// "Profile at R 60,000 (fine structure)"; an Orbitrap's R is given with the
// m/z it holds at: "Profile at R 60,000 at m/z 200 (peak moments)".
std::string ProfileSeriesName(const core::ResolvingPower& power, calc::PatternModel model);

// Adds the ion's profile to the plot of an isotope cluster, as the first
// series (drawn first, so behind the sticks), scaled so that its highest point
// meets the tallest stick; the m/z range grows to show its visible tails. The
// plot of any other kind of result, or of an ion that cannot be resolved, is
// left as it is.
void AddInstrumentProfile(output::PlotData& plot, const output::CalculationState& state,
                          const core::ElementTable& table, const core::ResolvingPower& power);

}  // namespace tarnevo::app

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

// Draws the plot as an instrument of the pane's resolving power shows it.
//
// An isotope cluster gets the ion's profile as the first series (drawn first,
// so behind the sticks), scaled so that its highest point meets the tallest
// stick, and its sticks move to the peaks that resolving power resolves, each
// at its own m/z (the 15N and 13C peaks of [A+1] apart at R 240,000, both
// labelled [A+1]) with its own share of the ion: a stick at a nominal peak's
// mean m/z would stand between the profile's peaks. The m/z range grows to
// show the profile's visible tails. Without a resolving power, or for an ion
// that cannot be resolved, the plot is left as it is.
//
// An identification's plot shows the selected candidate at the pane's
// resolving power (profile and sticks), which the legend names; without one,
// its sticks at the question's resolving power and no profile. The plot of
// any other kind of result is left as it is.
void AddInstrumentProfile(output::PlotData& plot, const output::CalculationState& state,
                          const core::ElementTable& table, const std::optional<core::ResolvingPower>& power);

// The sticks of a cluster moved to its resolved peaks (the pattern's, at the
// ion's signed charge): each takes the label of the nominal stick nearest it
// and a height that scales its abundance as the nominal sticks scale their
// FA. Peaks beyond the cluster's nominal sticks, or lower than the plot can
// show, are left out.
void StandSticksAtResolvedPeaks(output::PlotSeries& sticks, const core::ResolvedPattern& pattern, int charge);

}  // namespace tarnevo::app

// The height axis of the Pattern Plot follows its zoom: zoomed in on the m/z
// of a small peak ([A+4] of a chlorinated ion at 2 %, the 34S line beside
// 13C2), the axis rises to the highest mark in sight, so that the peak fills
// the pane instead of standing a few pixels tall under the height of [A+0].
#pragma once

#include "output/plot_data.h"

namespace tarnevo::app {

// The height range that shows every mark within the m/z range x: from the
// plot's own low end to the highest of them with the head room the plot
// leaves above its tallest mark. A profile counts where its line runs in
// sight, between its samples too. A plot of points (a formula search's mass
// errors), and a range with nothing in sight, keep the plot's own heights.
output::PlotRange HeightsInSight(const output::PlotData& plot, output::PlotRange x);

}  // namespace tarnevo::app

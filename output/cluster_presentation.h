// What the kinds that compute the isotope cluster of one ion share: the head
// naming the ion (cluster pattern, labelled atoms, enrichment fit, loss-of-H
// correction), and the cluster's peak table, CSV table and plot (cluster
// pattern and labelled atoms, which differ only in their heads).
#pragma once

#include <string>
#include <string_view>

#include "output/calculation_state.h"
#include "output/page_text.h"
#include "output/plot_data.h"
#include "output/report_text.h"

namespace tarnevo::output::detail {

// The page's title, then the ion formula, its [A+0] mass and its charge.
void AppendIonHead(PageText& lines, const CalculationState& state, std::string_view title);

// The report's first line, then the ion formula, its [A+0] mass and its charge.
void WriteIonHead(ReportText& report, const CalculationState& state, std::string_view head);

// The peaks [A+0] .. [A+lastPeakIndex] in two columns, the total FA and the
// warning about peaks above [A+319].
void AppendClusterPeaks(PageText& lines, const CalculationState& state);

// The peaks one row each, then the total FA.
void WriteClusterPeaks(ReportText& report, const CalculationState& state);

std::string ClusterCsv(const CalculationState& state);

// The peaks as sticks at their true m/z, height Rel %.
PlotData ClusterPlot(const CalculationState& state, std::string title);

}  // namespace tarnevo::output::detail

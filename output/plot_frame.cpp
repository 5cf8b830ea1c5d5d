#include "output/plot_frame.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/ion_mz.h"
#include "core/text_format.h"
#include "output/result_values.h"

namespace tarnevo::output::detail {

PlotData StickPlot(std::string title, std::string xTitle, std::string yTitle) {
    PlotData plot;
    plot.empty = false;
    plot.title = std::move(title);
    plot.xTitle = std::move(xTitle);
    plot.yTitle = std::move(yTitle);
    plot.marks = PlotMarks::Sticks;
    return plot;
}

void Extent::Take(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    xLow = std::min(xLow, x);
    xHigh = std::max(xHigh, x);
    yLow = std::min(yLow, y);
    yHigh = std::max(yHigh, y);
    any = true;
}

Extent ExtentOf(const PlotData& plot) {
    Extent extent;
    for (const PlotSeries& series : plot.series) {
        for (const PlotMark& mark : series.marks) extent.Take(mark.x, mark.y);
    }
    return extent;
}

void FitStickRanges(PlotData& plot, double headRoom) {
    const Extent extent = ExtentOf(plot);
    if (!extent.any) {
        plot.x = {0.0, 1.0};
        plot.y = {0.0, 100.0};
        return;
    }
    const double margin = std::max(0.6, 0.05 * (extent.xHigh - extent.xLow));
    plot.x = {extent.xLow - margin, extent.xHigh + margin};
    plot.y = {0.0, extent.yHigh > 0.0 ? extent.yHigh * headRoom : 1.0};
}

double StickMz(double centroid, double nominal) { return CentroidKnown(centroid) ? centroid : nominal; }

std::string ChargeText(int charge) { return (charge > 0 ? "+" : "") + core::FormatInteger(charge); }

std::string AMinusZeroTitle(const CalculationState& state) {
    const double mz = core::MzOf(state.ionMassA, state.charge);
    return state.formulaText + "   [A+0] m/z " + core::FormatFixed(mz, 4) + "   charge " +
           ChargeText(state.charge);
}

}  // namespace tarnevo::output::detail

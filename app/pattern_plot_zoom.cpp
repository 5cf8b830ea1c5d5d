#include "app/pattern_plot_zoom.h"

#include <algorithm>

namespace tarnevo::app {

namespace {

// The highest point of a profile's line over [low, high]: its samples there
// and, where the line enters or leaves the range between two samples, its
// height at the edge.
double HighestOfLine(const std::vector<output::PlotMark>& marks, output::PlotRange x) {
    double highest = 0.0;
    for (std::size_t k = 0; k < marks.size(); ++k) {
        const output::PlotMark& mark = marks[k];
        if (mark.x >= x.low && mark.x <= x.high) highest = std::max(highest, mark.y);
        if (k == 0) continue;
        const output::PlotMark& before = marks[k - 1];
        for (const double edge : {x.low, x.high}) {
            if (before.x < edge && edge < mark.x) {
                const double share = (edge - before.x) / (mark.x - before.x);
                highest = std::max(highest, before.y + share * (mark.y - before.y));
            }
        }
    }
    return highest;
}

double HighestMark(const std::vector<output::PlotMark>& marks, output::PlotRange x) {
    double highest = 0.0;
    for (const output::PlotMark& mark : marks) {
        if (mark.x >= x.low && mark.x <= x.high) highest = std::max(highest, mark.y);
    }
    return highest;
}

// The head room the plot left above its tallest mark (labels need more).
double HeadRoom(const output::PlotData& plot) {
    double tallest = 0.0;
    for (const output::PlotSeries& series : plot.series) {
        for (const output::PlotMark& mark : series.marks) tallest = std::max(tallest, mark.y);
    }
    return tallest > 0.0 && plot.y.high > tallest ? plot.y.high / tallest : 1.0;
}

}  // namespace

output::PlotRange HeightsInSight(const output::PlotData& plot, output::PlotRange x) {
    if (plot.marks != output::PlotMarks::Sticks) return plot.y;
    double highest = 0.0;
    for (const output::PlotSeries& series : plot.series) {
        highest =
            std::max(highest, series.style == output::SeriesStyle::Profile ? HighestOfLine(series.marks, x)
                                                                           : HighestMark(series.marks, x));
    }
    if (!(highest > 0.0)) return plot.y;
    return {plot.y.low, std::min(plot.y.high, highest * HeadRoom(plot))};
}

}  // namespace tarnevo::app

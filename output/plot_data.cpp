#include "output/plot_data.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/text_format.h"
#include "output/result_presenter.h"

namespace tarnevo::output {

std::string DescribeMark(const PlotData& plot, const PlotSeries& series, const PlotMark& mark) {
    std::string text = series.name + "\n" + mark.label;
    text += (plot.xTitle == "Mass (u)" ? "\nMass " : "\nm/z ") + core::FormatFixed(mark.mz, 5);
    if (plot.marks == PlotMarks::Points) {
        return text + "\nError " + core::FormatFixed(mark.y, 2) + " ppm\nRank " +
               core::FormatInteger(static_cast<int>(std::lround(mark.x)));
    }
    if (mark.fa) text += "\nFA " + core::FormatScientific(*mark.fa, 5);
    if (mark.rel) text += "\nRel % " + core::FormatFixed(*mark.rel, 3);
    return text;
}

namespace {

// The first and last multiple of step in the range, as counts of steps. The
// slack keeps a tick that lands on an end only by rounding inside: 0.3 / 0.1 is
// 2.9999999999999996, and 1999.99 / 5e-6 is 399998000.00000006.
double Slack(double steps) { return 1e-9 + 1e-12 * std::abs(steps); }
double FirstTickSteps(PlotRange range, double step) {
    const double steps = range.low / step;
    return std::ceil(steps - Slack(steps));
}
double LastTickSteps(PlotRange range, double step) {
    const double steps = range.high / step;
    return std::floor(steps + Slack(steps));
}

// Gaps between the ticks that lie in the range (-1: none).
double GapsBetweenTicks(PlotRange range, double step) {
    return LastTickSteps(range, step) - FirstTickSteps(range, step);
}

}  // namespace

PlotTicks NiceTicks(PlotRange range, int maxIntervals, TickValues values) {
    const double span = range.high - range.low;
    if (!std::isfinite(range.low) || !std::isfinite(span) || !(span > 0.0)) return {range.low, 1.0, 0};
    const int gaps = std::max(1, maxIntervals);
    // The smallest step of 1, 2 or 5 x 10^k whose ticks inside the range leave
    // no more gaps than there is room for; it cannot be below span / (gaps + 1).
    double power = std::pow(10.0, std::floor(std::log10(span / (gaps + 1))));
    double step = power;
    constexpr double kMultiples[] = {1.0, 2.0, 5.0};
    for (int tries = 0; tries < 40; ++tries) {
        step = kMultiples[tries % 3] * power;
        if (GapsBetweenTicks(range, step) <= gaps) break;
        if (tries % 3 == 2) power *= 10.0;
    }
    if (values == TickValues::WholeNumbers) step = std::max(step, 1.0);
    // 0.05 needs two decimals, 0.2 one, 5 and 20 none.
    const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 12);
    return {FirstTickSteps(range, step) * step, step, decimals};
}

PlotData MakePlotData(const CalculationState& state) { return PresenterOf(state.calcKind).Plot(state); }

}  // namespace tarnevo::output

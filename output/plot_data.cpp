#include "output/plot_data.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/text_format.h"
#include "output/result_values.h"

namespace tarnevo::output {

namespace {

using detail::Bounded;
using detail::PeakLabel;

// Head room above the tallest mark for the labels drawn over the peaks.
constexpr double kHeadRoom = 1.12;
constexpr double kLabelHeadRoom = 1.25;

double PeakSpacing(const CalculationState& state) {
    return state.charge == 0 ? 1.0 : 1.0 / std::abs(state.charge);
}

// A high-resolution instrument sees a peak at the mean m/z of its isotopic
// compositions; where a calculation left that unknown (0), the nominal spacing
// from [A+0] stands in.
double StickMz(double centroid, double nominal) { return centroid > 0.0 ? centroid : nominal; }

std::string ChargeText(int charge) { return (charge > 0 ? "+" : "") + core::FormatInteger(charge); }

std::string AMinusZeroTitle(const CalculationState& state) {
    const double mz = state.charge == 0 ? state.ionMassA : state.ionMassA / std::abs(state.charge);
    return state.formulaText + "   [A+0] m/z " + core::FormatFixed(mz, 4) + "   charge " +
           ChargeText(state.charge);
}

PlotData StickPlot(std::string title, std::string xTitle, std::string yTitle) {
    PlotData plot;
    plot.empty = false;
    plot.title = std::move(title);
    plot.xTitle = std::move(xTitle);
    plot.yTitle = std::move(yTitle);
    plot.marks = PlotMarks::Sticks;
    return plot;
}

// The smallest and largest finite x and y of every mark.
struct Extent {
    double xLow = std::numeric_limits<double>::infinity();
    double xHigh = -std::numeric_limits<double>::infinity();
    double yLow = 0.0;
    double yHigh = 0.0;
    bool any = false;

    void Take(double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        xLow = std::min(xLow, x);
        xHigh = std::max(xHigh, x);
        yLow = std::min(yLow, y);
        yHigh = std::max(yHigh, y);
        any = true;
    }
};

Extent ExtentOf(const PlotData& plot) {
    Extent extent;
    for (const PlotSeries& series : plot.series) {
        for (const PlotMark& mark : series.marks) extent.Take(mark.x, mark.y);
    }
    return extent;
}

// Every stick shows with a margin of 5 % of the span on each side, at least
// 0.6 (more than half a peak spacing), and room above the tallest.
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

PlotData ClusterPlot(const CalculationState& state) {
    PlotData plot = StickPlot(AMinusZeroTitle(state), "m/z", "Rel %");
    if (state.calcKind == CalcKind::LabelledAtoms) plot.title += "   (labelled)";
    PlotSeries series{state.formulaText, {}};
    const int peaks = Bounded(state.cluster.lastPeakIndex + 1, kPeakSlots);
    for (int n = 0; n < peaks; ++n) {
        const double fa = state.cluster.peakFA[n];
        // As on the result page: a pattern whose FAs sum to 0 has no scale.
        const double rel = state.cluster.totalFA == 0.0 ? 0.0 : RelativeIntensity(fa, state.cluster.maxFA);
        const double mz = StickMz(state.cluster.peakCentroidMz[n], PeakMz(state.ionMassA, n, state.charge));
        series.marks.push_back({mz, rel, PeakLabel(n), mz, fa, rel});
    }
    plot.series.push_back(std::move(series));
    FitStickRanges(plot, kHeadRoom);
    return plot;
}

std::string FittedFAs(const CalculationState& state) {
    std::string text;
    const int isotopes = Bounded(state.details.lastIsotopeIndex[0] + 1, kMaxDetailIsotopes);
    for (int i = 0; i < isotopes; ++i) {
        text += (i == 0 ? "" : ", ") + state.elementSymbol + "(" +
                core::FormatInteger(state.details.isotopeMassNumber[i]) + ") " +
                core::FormatFixed(state.details.isotopeFA[i], 5);
    }
    return text;
}

PlotData EnrichmentPlot(const CalculationState& state) {
    PlotData plot = StickPlot(state.formulaText + "   fitted FAs: " + FittedFAs(state), "m/z", "Rel %");
    plot.showLegend = true;
    PlotSeries experimental{std::string(kExperimentalSeries), {}, SeriesStyle::Bar};
    PlotSeries calculated{std::string(kCalculatedSeries), {}, SeriesStyle::Stick};
    // Calculated peaks before the first experimental one read 0 in the experiment.
    const int offset = Bounded(state.spectrum.firstPeakOffset, kPeakSlots);
    const int rows =
        Bounded(offset + Bounded(state.spectrum.expPeakCount, kMaxExperimentalPeaks), kPeakSlots);
    for (int n = 0; n < rows; ++n) {
        const double mz = PeakMz(state.ionMassA, n, state.charge);
        const double measured = n < offset ? 0.0 : state.spectrum.expIntensity[n - offset];
        const double rel = RelativeIntensity(state.cluster.peakFA[n], state.cluster.maxFA);
        experimental.marks.push_back({mz, measured, PeakLabel(n), mz, std::nullopt, measured});
        calculated.marks.push_back({mz, rel, PeakLabel(n), mz, state.cluster.peakFA[n], rel});
    }
    plot.series.push_back(std::move(experimental));
    plot.series.push_back(std::move(calculated));
    FitStickRanges(plot, kHeadRoom);
    return plot;
}

PlotData LossOfHPlot(const CalculationState& state) {
    PlotData plot = StickPlot(AMinusZeroTitle(state), "m/z", "Rel %");
    plot.showLegend = true;
    const double step = PeakSpacing(state);
    PlotSeries experimental{std::string(kExperimentalSeries), {}, SeriesStyle::Bar};
    for (int i = 0; i < Bounded(state.spectrum.expPeakCount, kMaxExperimentalPeaks); ++i) {
        const double mz = state.spectrum.firstPeakMz + i * step;
        const double intensity = state.spectrum.expIntensity[i];
        experimental.marks.push_back(
            {mz, intensity, PeakLabel(state.spectrum.firstPeakOffset + i), mz, std::nullopt, intensity});
    }
    // The corrected spectrum starts at [A+0], -firstPeakOffset spacings above the first measured peak.
    PlotSeries corrected{std::string(kCorrectedSeries), {}, SeriesStyle::Stick};
    for (int n = 0; n < Bounded(state.spectrum.correctedCount, kMaxExperimentalPeaks); ++n) {
        const double mz = state.spectrum.firstPeakMz + (n - state.spectrum.firstPeakOffset) * step;
        const double intensity = state.spectrum.correctedIntensity[n];
        corrected.marks.push_back({mz, intensity, PeakLabel(n), mz, std::nullopt, intensity});
    }
    plot.series.push_back(std::move(experimental));
    plot.series.push_back(std::move(corrected));
    FitStickRanges(plot, kHeadRoom);
    return plot;
}

// The formulae ranked by the size of their mass error, best first: each is a
// point at its rank and its error in ppm, labelled with its formula, in the
// series of its electron class. Plotting error against m/z instead gives a
// straight line (the error is a linear function of m/z) and hides which
// formula fits best.
std::vector<int> FormulaeByError(const CalculationState& state) {
    const int count = Bounded(state.formulae.formulaCount, kMaxFormulae);
    std::vector<int> order(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) order[static_cast<std::size_t>(i)] = i;
    const auto size = [&state](int i) {
        const double error = std::abs(ErrorPpm(state.formulae.formulaMz[i], state.ionMassA));
        return std::isfinite(error) ? error : std::numeric_limits<double>::infinity();
    };
    std::stable_sort(order.begin(), order.end(), [&size](int a, int b) { return size(a) < size(b); });
    return order;
}

std::size_t ElectronSeriesIndex(ElectronClass electrons) {
    switch (electrons) {
        case ElectronClass::Even:
            return 0;
        case ElectronClass::Odd:
            return 1;
        case ElectronClass::Indeterminate:
            return 2;
    }
    return 2;
}

// "EE C7H7O2" without its class, which the series already says.
std::string FormulaWithoutClass(const std::string& matched) {
    const std::size_t blank = matched.find(' ');
    return blank == std::string::npos ? matched : matched.substr(blank + 1);
}

PlotData FormulaPlot(const CalculationState& state) {
    const double target = state.ionMassA;
    const double halfRange = state.formulae.mzHalfRange;
    PlotData plot;
    plot.empty = false;
    plot.title = "Formulae for m/z " + core::FormatFixed(target - halfRange, 4) + " to " +
                 core::FormatFixed(target + halfRange, 4) + ", best match first";
    plot.xTitle = "Rank";
    plot.yTitle = "Error (ppm)";
    plot.marks = PlotMarks::Points;
    plot.showLegend = true;
    plot.xCounts = true;
    plot.series = {{std::string(kEvenElectronSeries), {}},
                   {std::string(kOddElectronSeries), {}},
                   {std::string(kIndeterminateSeries), {}}};
    const std::vector<int> order = FormulaeByError(state);
    for (std::size_t rank = 1; rank <= order.size(); ++rank) {
        const int i = order[rank - 1];
        const double mz = state.formulae.formulaMz[i];
        const double error = ErrorPpm(mz, target);
        const std::string matched = detail::MatchedFormula(state, i);
        const auto x = static_cast<double>(rank);
        plot.series[ElectronSeriesIndex(state.formulae.formulaElectrons[i])].marks.push_back(
            {x, error, matched, mz, {}, {}});
        plot.labels.push_back({x, error, FormulaWithoutClass(matched)});
    }
    if (order.empty()) plot.title += "   (no formulae found)";
    // Classes without a formula stay out of the legend.
    std::erase_if(plot.series, [](const PlotSeries& series) { return series.marks.empty(); });

    // Half a rank of room on each side; the error axis is symmetric about 0
    // and reaches at least the window's own edges, so that the points show
    // how much of the window they use.
    plot.x = {0.5, static_cast<double>(std::max<std::size_t>(order.size(), 1)) + 0.5};
    const Extent extent = ExtentOf(plot);
    const double reach =
        std::max({std::abs(extent.yLow), std::abs(extent.yHigh), ErrorPpm(target + halfRange, target)});
    const double half = reach > 0.0 && std::isfinite(reach) ? reach * kLabelHeadRoom : 1.0;
    plot.y = {-half, half};
    return plot;
}

PlotData RepeatingUnitPlot(const CalculationState& state) {
    PlotData plot =
        StickPlot("Ions of repeating unit " + state.formulaText + "   charge " + ChargeText(state.charge),
                  "m/z", "Rel %");
    // The peaks of all ions lie one after another in peakFA.
    int firstSlot = 0;
    for (int k = 0; k < Bounded(state.series.ionCount, kMaxIons); ++k) {
        const std::string ion = detail::RepeatingUnitIon(state, state.series.firstRUCount + k);
        PlotSeries series{ion, {}};
        const int peaks = Bounded(state.series.ionLastPeakIndex[k] + 1, kPeakSlots - firstSlot);
        for (int n = 0; n < peaks; ++n) {
            const double fa = state.cluster.peakFA[firstSlot + n];
            const double rel = RelativeIntensity(fa, state.series.ionMaxFA[k]);
            const double mz = StickMz(state.cluster.peakCentroidMz[firstSlot + n],
                                      PeakMz(state.series.ionMassAList[k], n, state.charge));
            series.marks.push_back({mz, rel, ion + " " + PeakLabel(n), mz, fa, rel});
        }
        firstSlot += peaks;
        const auto tallest = std::max_element(series.marks.begin(), series.marks.end(),
                                              [](const PlotMark& a, const PlotMark& b) { return a.y < b.y; });
        if (tallest != series.marks.end()) plot.labels.push_back({tallest->x, tallest->y, ion});
        plot.series.push_back(std::move(series));
    }
    FitStickRanges(plot, kLabelHeadRoom);
    return plot;
}

PlotData IsotopicDataPlot(const CalculationState& state) {
    PlotData plot = StickPlot("Isotopes of " + state.elementSymbol, "Mass (u)", "FA");
    PlotSeries series{state.elementSymbol, {}};
    const int isotopes = Bounded(state.details.lastIsotopeIndex[0] + 1, kMaxDisplayedIsotopes);
    const double largest = isotopes == 0 ? 0.0
                                         : *std::max_element(state.isotopes.isotopeFAList.begin(),
                                                             state.isotopes.isotopeFAList.begin() + isotopes);
    for (int i = 0; i < isotopes; ++i) {
        const double fa = state.isotopes.isotopeFAList[i];
        const std::string label =
            state.elementSymbol + "(" +
            core::FormatInteger(state.isotopes.isotopeBase + state.details.isotopeMassNumber[i]) + ")";
        series.marks.push_back({state.isotopes.isotopeMass[i], fa, label, state.isotopes.isotopeMass[i], fa,
                                RelativeIntensity(fa, largest)});
    }
    plot.series.push_back(std::move(series));
    FitStickRanges(plot, kHeadRoom);
    return plot;
}

}  // namespace

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

PlotData MakePlotData(const CalculationState& state) {
    switch (state.calcKind) {
        case CalcKind::IsotopeCluster:
        case CalcKind::LabelledAtoms:
            return ClusterPlot(state);
        case CalcKind::EnrichmentFromSpectrum:
            return EnrichmentPlot(state);
        case CalcKind::FormulaFromMz:
            return FormulaPlot(state);
        case CalcKind::LossOfH:
            return LossOfHPlot(state);
        case CalcKind::RepeatingUnits:
            return RepeatingUnitPlot(state);
        case CalcKind::IsotopicData:
            return IsotopicDataPlot(state);
    }
    PlotData plot;
    plot.hint = kPlotHint;
    return plot;
}

}  // namespace tarnevo::output

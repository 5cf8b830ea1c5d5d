#include "results/plot_data.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/text_format.h"
#include "results/document.h"
#include "results/result_values.h"

namespace tarnevo::results {

namespace {

using detail::Bounded;
using detail::PeakLabel;

// Two spectra of the same peaks stand side by side, each moved this share of
// the peak spacing off the peak's m/z, so that neither hides the other.
constexpr double kSideBySideShift = 0.12;
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
    const double shift = kSideBySideShift * PeakSpacing(state);
    PlotSeries experimental{std::string(kExperimentalSeries), {}};
    PlotSeries calculated{std::string(kCalculatedSeries), {}};
    // Calculated peaks before the first experimental one read 0 in the experiment.
    const int offset = Bounded(state.spectrum.firstPeakOffset, kPeakSlots);
    const int rows =
        Bounded(offset + Bounded(state.spectrum.expPeakCount, kMaxExperimentalPeaks), kPeakSlots);
    for (int n = 0; n < rows; ++n) {
        const double mz = PeakMz(state.ionMassA, n, state.charge);
        const double measured = n < offset ? 0.0 : state.spectrum.expIntensity[n - offset];
        const double rel = RelativeIntensity(state.cluster.peakFA[n], state.cluster.maxFA);
        experimental.marks.push_back({mz - shift, measured, PeakLabel(n), mz, std::nullopt, measured});
        calculated.marks.push_back({mz + shift, rel, PeakLabel(n), mz, state.cluster.peakFA[n], rel});
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
    const double shift = kSideBySideShift * step;
    PlotSeries experimental{std::string(kExperimentalSeries), {}};
    for (int i = 0; i < Bounded(state.spectrum.expPeakCount, kMaxExperimentalPeaks); ++i) {
        const double mz = state.spectrum.firstPeakMz + i * step;
        const double intensity = state.spectrum.expIntensity[i];
        experimental.marks.push_back({mz - shift, intensity, PeakLabel(state.spectrum.firstPeakOffset + i),
                                      mz, std::nullopt, intensity});
    }
    // The corrected spectrum starts at [A+0], -firstPeakOffset spacings above the first measured peak.
    PlotSeries corrected{std::string(kCorrectedSeries), {}};
    for (int n = 0; n < Bounded(state.spectrum.correctedCount, kMaxExperimentalPeaks); ++n) {
        const double mz = state.spectrum.firstPeakMz + (n - state.spectrum.firstPeakOffset) * step;
        const double intensity = state.spectrum.correctedIntensity[n];
        corrected.marks.push_back({mz + shift, intensity, PeakLabel(n), mz, std::nullopt, intensity});
    }
    plot.series.push_back(std::move(experimental));
    plot.series.push_back(std::move(corrected));
    FitStickRanges(plot, kHeadRoom);
    return plot;
}

PlotData FormulaPlot(const CalculationState& state) {
    const double target = state.ionMassA;
    const double low = target - state.formulae.mzHalfRange;
    const double high = target + state.formulae.mzHalfRange;
    PlotData plot;
    plot.empty = false;
    plot.title = "Formulae for m/z " + core::FormatFixed(low, 4) + " to " + core::FormatFixed(high, 4);
    plot.xTitle = "m/z";
    plot.yTitle = "Error (ppm)";
    plot.marks = PlotMarks::Points;
    plot.band = PlotRange{low, high};
    PlotSeries formulae{"Formulae", {}};
    const int count = Bounded(state.formulae.formulaCount, kMaxFormulae);
    for (int i = 0; i < count; ++i) {
        const double mz = state.formulae.formulaMz[i];
        formulae.marks.push_back({mz, ErrorPpm(mz, target), detail::MatchedFormula(state, i), mz, {}, {}});
    }
    if (count == 0) plot.title += "   (no formulae found)";
    plot.series.push_back(std::move(formulae));

    // The window and every formula show; the error axis is symmetric about 0
    // and reaches at least the window's own edges.
    Extent extent = ExtentOf(plot);
    extent.Take(low, 0.0);
    extent.Take(high, 0.0);
    const double margin = std::max(0.25 * (extent.xHigh - extent.xLow), 1e-4);
    plot.x = {extent.xLow - margin, extent.xHigh + margin};
    const double reach = std::max({std::abs(extent.yLow), std::abs(extent.yHigh), ErrorPpm(high, target)});
    const double half = reach > 0.0 && std::isfinite(reach) ? reach * 1.15 : 1.0;
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

std::string DescribeMark(const PlotData& plot, const PlotMark& mark) {
    std::string text = mark.label;
    text += (plot.xTitle == "m/z" ? "\nm/z " : "\nMass ") + core::FormatFixed(mark.mz, 5);
    if (plot.marks == PlotMarks::Points) return text + "\nError " + core::FormatFixed(mark.y, 2) + " ppm";
    if (mark.fa) text += "\nFA " + core::FormatScientific(*mark.fa, 5);
    if (mark.rel) text += "\nRel % " + core::FormatFixed(*mark.rel, 3);
    return text;
}

PlotData MakePlotData(const Document& document) {
    if (document.readyForCalculation) {
        PlotData plot;
        plot.hint = kPlotHint;
        return plot;
    }
    return MakePlotData(document.state);
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

}  // namespace tarnevo::results

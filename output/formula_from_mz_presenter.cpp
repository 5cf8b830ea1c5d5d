// The elemental formulae of ions whose m/z lies within a range about a target
// m/z, each with its electron class; the plot ranks them by their mass error.
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/text_format.h"
#include "output/csv_table.h"
#include "output/kind_presenters.h"
#include "output/page_text.h"
#include "output/plot_frame.h"
#include "output/result_values.h"

namespace tarnevo::output::detail {

namespace {

int FormulaCount(const CalculationState& state) { return ListedFormulaCount(state); }

// The search stopped at the storage's capacity: some formulae were left out.
bool StorageFull(const CalculationState& state) {
    return !state.formulae.listsAll && Bounded(state.formulae.formulaCount, kMaxFormulae) == kMaxFormulae;
}

// The plot ranks this many formulae at most, the best matches: more points
// than that say nothing a reader can take in.
constexpr std::size_t kMaxPlotted = static_cast<std::size_t>(kMaxFormulae);

std::string TargetLine(const CalculationState& state) {
    return "Target m/z: " + core::FormatFixed(state.ionMassA, 4);
}

std::string RangeLine(const CalculationState& state) {
    const double target = state.ionMassA;
    return "Range in m/z: " + core::FormatFixed(target - state.formulae.mzHalfRange, 4) + " to " +
           core::FormatFixed(target + state.formulae.mzHalfRange, 4);
}

void AppendFormulaList(PageText& lines, const CalculationState& state) {
    lines.emplace_back();
    lines.emplace_back("Ion Formula                           m/z");
    for (int i = 0; i < FormulaCount(state); ++i) {
        // The m/z ends in column 44; a long formula keeps two blanks before it.
        lines.push_back(core::Spread(MatchedFormula(state, i),
                                     core::FormatFixed(ListedFormulaAt(state, i).mz, 4), 44, 2));
    }
    if (StorageFull(state)) {
        lines.emplace_back();
        lines.emplace_back("The number of possible formulae exceeded the storage capacity (200).");
        lines.emplace_back("Try lowering the m/z range.");
    }
}

void WriteSearchHead(ReportText& report, const CalculationState& state) {
    report.Line("TARNEVO Formula Estimation Data");
    report.Line(TargetLine(state));
    report.Line(RangeLine(state));
    report.Line("Ion Charge: " + core::FormatInteger(state.charge));
    std::string elements = "Elements considered";
    for (int j = 0; j < Bounded(state.formulae.elementCount, kMaxFormulaElements); ++j) {
        elements += ", " + state.formulae.elementSymbols[j];
    }
    report.Line(elements);
    if (state.formulae.userElementMass != 0.0) {
        report.Line("Isotopic mass of user defined element Jx: " +
                    core::FormatFixed(state.formulae.userElementMass, 4));
    }
}

// The formulae ranked by the size of their mass error, best first. Plotting
// error against m/z instead gives a straight line (the error is a linear
// function of m/z) and hides which formula fits best.
std::vector<int> FormulaeByError(const CalculationState& state) {
    std::vector<int> order(static_cast<std::size_t>(FormulaCount(state)));
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    const auto size = [&state](int i) {
        const double error = std::abs(ErrorPpm(ListedFormulaAt(state, i).mz, state.ionMassA));
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

// Half a rank of room on each side; the error axis is symmetric about 0 and
// reaches at least the window's own edges, so that the points show how much
// of the window they use.
void FitRankRanges(PlotData& plot, const CalculationState& state, std::size_t formulae) {
    plot.x = {0.5, static_cast<double>(std::max<std::size_t>(formulae, 1)) + 0.5};
    const Extent extent = ExtentOf(plot);
    const double reach = std::max({std::abs(extent.yLow), std::abs(extent.yHigh),
                                   ErrorPpm(state.ionMassA + state.formulae.mzHalfRange, state.ionMassA)});
    const double half = reach > 0.0 && std::isfinite(reach) ? reach * kLabelHeadRoom : 1.0;
    plot.y = {-half, half};
}

PlotData RankPlot(const CalculationState& state) {
    const double halfRange = state.formulae.mzHalfRange;
    PlotData plot;
    plot.empty = false;
    plot.title = "Formulae for m/z " + core::FormatFixed(state.ionMassA - halfRange, 4) + " to " +
                 core::FormatFixed(state.ionMassA + halfRange, 4) + ", best match first";
    plot.xTitle = "Rank";
    plot.yTitle = "Error (ppm)";
    plot.marks = PlotMarks::Points;
    plot.showLegend = true;
    plot.xCounts = true;
    return plot;
}

class FormulaFromMz final : public ResultPresenter {
public:
    std::vector<std::string> PageLines(const CalculationState& state) const override {
        PageText lines;
        lines.emplace_back("       ***** Results for Ion Formulae Matching a Specific m/z Range *****");
        lines.push_back(TargetLine(state));
        lines.push_back(RangeLine(state));
        lines.push_back("Ion charge: " + core::FormatInteger(state.charge));
        if (FormulaCount(state) == 0) {
            lines.emplace_back("No formulae were detected within the mass range.");
        } else {
            AppendFormulaList(lines, state);
        }
        return lines;
    }

    void WriteReport(ReportText& report, const CalculationState& state) const override {
        WriteSearchHead(report, state);
        if (FormulaCount(state) == 0) {
            report.Line("There are no compounds in this range.");
            return;
        }
        report.EmptyLine();
        report.Line("Ion Formula, m/z");
        for (int i = 0; i < FormulaCount(state); ++i) {
            report.Line(MatchedFormula(state, i) + ", " + core::FormatFixed(ListedFormulaAt(state, i).mz, 4));
        }
        if (StorageFull(state)) report.Line("Number of compounds exceeds the buffer capacity (200).");
    }

    std::string CsvTable(const CalculationState& state) const override {
        std::string csv(FormulaCsvRows::kHeader);
        FormulaCsvRows rows(state);
        for (int i = 0; i < FormulaCount(state); ++i) {
            const FormulaMatches::Listed listed = ListedFormulaAt(state, i);
            rows.Append(csv, listed.atoms, listed.mz, listed.electrons);
        }
        return csv;
    }

    // Each formula a point at its rank and its error in ppm, labelled with
    // its formula, in the series of its electron class.
    PlotData Plot(const CalculationState& state) const override {
        PlotData plot = RankPlot(state);
        plot.series = {{std::string(kEvenElectronSeries), {}},
                       {std::string(kOddElectronSeries), {}},
                       {std::string(kIndeterminateSeries), {}}};
        std::vector<int> order = FormulaeByError(state);
        if (order.size() > kMaxPlotted) order.resize(kMaxPlotted);
        for (std::size_t rank = 1; rank <= order.size(); ++rank) {
            const int i = order[rank - 1];
            const FormulaMatches::Listed listed = ListedFormulaAt(state, i);
            const double mz = listed.mz;
            const double error = ErrorPpm(mz, state.ionMassA);
            const std::string matched = MatchedFormula(state, i);
            const auto x = static_cast<double>(rank);
            plot.series[ElectronSeriesIndex(listed.electrons)].marks.push_back(
                {x, error, matched, mz, {}, {}});
            plot.labels.push_back({x, error, FormulaWithoutClass(matched)});
        }
        if (order.empty()) plot.title += "   (no formulae found)";
        // Classes without a formula stay out of the legend.
        std::erase_if(plot.series, [](const PlotSeries& series) { return series.marks.empty(); });
        FitRankRanges(plot, state, order.size());
        return plot;
    }
};

}  // namespace

const ResultPresenter& FormulaFromMzPresenter() {
    static const FormulaFromMz presenter;
    return presenter;
}

}  // namespace tarnevo::output::detail

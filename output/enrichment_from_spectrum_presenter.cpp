// The enrichment of one labelled element found by fitting calculated clusters
// to a measured spectrum: the fitted isotope FAs, the residual of the fit, and
// the measured spectrum beside the calculated one of the best fit.
#include "core/text_format.h"
#include "output/cluster_presentation.h"
#include "output/csv_row.h"
#include "output/enrichment_comparison.h"
#include "output/kind_presenters.h"
#include "output/plot_frame.h"
#include "output/result_values.h"

namespace tarnevo::output::detail {

namespace {

// The isotopes of the fitted element whose FAs the fit found.
int FittedIsotopeCount(const CalculationState& state) {
    return Bounded(state.details.lastIsotopeIndex[0] + 1, kMaxDetailIsotopes);
}

std::string FittedIsotope(const CalculationState& state, int isotope) {
    return IsotopeLabel(state.elementSymbol, state.details.isotopeMassNumber[isotope]);
}

std::string FittedFA(const CalculationState& state, int isotope) {
    return core::FormatFixed(state.details.isotopeFA[isotope], 5);
}

std::string ResidualLine(const CalculationState& state) {
    return "Sum of squares of residuals of spectral fit: " + core::FormatFixed(state.spectrum.fitResidual, 3);
}

std::string EnrichedElementLine(const CalculationState& state) {
    return "Enriched element: " + state.elementSymbol;
}

std::string EnrichedAtomsLine(const CalculationState& state) {
    return "Number of enriched atoms: " + core::FormatInteger(state.details.detailAtomCount[0]);
}

void AppendComparison(PageText& lines, const CalculationState& state) {
    lines.emplace_back("Comparison of the experimental and calculated spectra:");
    lines.emplace_back("  Ion       m/z  Experimental  Calculated");
    for (const ComparisonRow& row : EnrichmentComparison(state)) {
        lines.push_back(core::Spread(PeakLabel(row.n), core::FormatFixed(row.mz, 2), 16) +
                        core::RightAligned(core::FormatFixed(row.experimental, 3), 10) +
                        core::RightAligned(core::FormatFixed(row.calculated, 3), 13));
    }
}

void WriteComparison(ReportText& report, const CalculationState& state) {
    report.Line("Comparison of Experimental and Calculated Spectra");
    report.Line("Ion, m/z, Experimental, Calculated");
    for (const ComparisonRow& row : EnrichmentComparison(state)) {
        report.Line(Joined({PeakLabel(row.n), core::FormatFixed(row.mz, 2),
                            core::FormatFixed(row.experimental, 3), core::FormatFixed(row.calculated, 3)}));
    }
}

// "C(12) 0.98900, C(13) 0.01100": the fit's result in the plot's title.
std::string FittedFAs(const CalculationState& state) {
    std::string text;
    for (int i = 0; i < FittedIsotopeCount(state); ++i) {
        text += (i == 0 ? "" : ", ") + FittedIsotope(state, i) + " " + FittedFA(state, i);
    }
    return text;
}

class EnrichmentFromSpectrum final : public ResultPresenter {
public:
    std::vector<std::string> PageLines(const CalculationState& state) const override {
        PageText lines;
        AppendIonHead(lines, state, "            ***** Enrichment Results for a Labelled Element *****");
        lines.push_back(EnrichedElementLine(state));
        lines.push_back(EnrichedAtomsLine(state));
        lines.emplace_back();
        lines.emplace_back("Enrichment fractional abundances:");
        for (int i = 0; i < FittedIsotopeCount(state); ++i) {
            lines.push_back("  " + FittedIsotope(state, i) + "  " + FittedFA(state, i));
        }
        lines.push_back(ResidualLine(state));
        lines.emplace_back();
        AppendComparison(lines, state);
        return lines;
    }

    void WriteReport(ReportText& report, const CalculationState& state) const override {
        WriteIonHead(report, state, "TARNEVO Elemental Enrichment Data");
        report.Line(EnrichedElementLine(state));
        report.Line(EnrichedAtomsLine(state));
        report.EmptyLine();
        report.Line("Enriched fractional abundances:");
        for (int i = 0; i < FittedIsotopeCount(state); ++i) {
            report.Line(FittedIsotope(state, i) + ", " + FittedFA(state, i));
        }
        report.Line(ResidualLine(state));
        report.EmptyLine();
        WriteComparison(report, state);
    }

    std::string CsvTable(const CalculationState& state) const override {
        std::string csv = "n,mz,experimental,calculated\n";
        for (const ComparisonRow& row : EnrichmentComparison(state)) {
            csv +=
                CsvRow().Integer(row.n).Number(row.mz).Number(row.experimental).Number(row.calculated).Line();
        }
        return csv;
    }

    // The measured spectrum as wide bars behind the calculated sticks, both
    // at the same m/z.
    PlotData Plot(const CalculationState& state) const override {
        PlotData plot = StickPlot(state.formulaText + "   fitted FAs: " + FittedFAs(state), "m/z", "Rel %");
        plot.showLegend = true;
        PlotSeries experimental{std::string(kExperimentalSeries), {}, SeriesStyle::Bar};
        PlotSeries calculated{std::string(kCalculatedSeries), {}, SeriesStyle::Stick};
        for (const ComparisonRow& row : EnrichmentComparison(state)) {
            const std::string label = PeakLabel(row.n);
            experimental.marks.push_back(
                {row.mz, row.experimental, label, row.mz, std::nullopt, row.experimental});
            calculated.marks.push_back(
                {row.mz, row.calculated, label, row.mz, row.calculatedFA, row.calculated});
        }
        plot.series.push_back(std::move(experimental));
        plot.series.push_back(std::move(calculated));
        FitStickRanges(plot, kHeadRoom);
        return plot;
    }
};

}  // namespace

const ResultPresenter& EnrichmentFromSpectrumPresenter() {
    static const EnrichmentFromSpectrum presenter;
    return presenter;
}

}  // namespace tarnevo::output::detail

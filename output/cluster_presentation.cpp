#include "output/cluster_presentation.h"

#include "core/text_format.h"
#include "output/csv_row.h"
#include "output/plot_frame.h"
#include "output/resolved_peaks_page.h"
#include "output/result_values.h"

namespace tarnevo::output::detail {

namespace {

// A pattern whose FAs sum to 0 has no meaningful scale: its Rel % read 0 on
// the page, in the table and in the plot; the report divides by the largest
// FA alone.
double ScaledRelative(const CalculationState& state, double fa) {
    return state.cluster.totalFA == 0.0 ? 0.0 : RelativeIntensity(fa, state.cluster.maxFA);
}

int PeakCount(const CalculationState& state) { return Bounded(state.cluster.lastPeakIndex + 1, kPeakSlots); }

}  // namespace

void AppendIonHead(PageText& lines, const CalculationState& state, std::string_view title) {
    lines.emplace_back(title);
    lines.push_back("Ion Formula: " + state.formulaText);
    lines.push_back("Mass of [A+0] ion: " + core::FormatFixed(state.ionMassA, 4));
    lines.push_back("Ion Charge: " + core::FormatInteger(state.charge));
    for (std::string& line : IonTypeLines(state.ionType)) lines.push_back(std::move(line));
}

void WriteIonHead(ReportText& report, const CalculationState& state, std::string_view head) {
    report.Line(head);
    report.Line("Ion Formula: " + state.formulaText);
    report.Line("Mass of [A+0] Ion: " + core::FormatFixed(state.ionMassA, 4));
    report.Line("Ion Charge: " + core::FormatInteger(state.charge));
    for (const std::string& line : IonTypeLines(state.ionType)) report.Line(line);
}

void AppendClusterPeaks(PageText& lines, const CalculationState& state) {
    AppendClusterTable(lines, PeakCount(state), [&](int n) {
        const double fa = state.cluster.peakFA[n];
        return ClusterCell{fa, PeakMz(state.ionMassA, n, state.charge),
                           core::FormatFixed(ScaledRelative(state, fa), 3)};
    });
    lines.push_back("Total fractional abundance: " + core::FormatFixed(state.cluster.totalFA, 5));
    if (state.cluster.peakOverflow)
        lines.emplace_back("Warning - Ions above [A+319] were encountered in the data!");
}

void WriteClusterPeaks(ReportText& report, const CalculationState& state) {
    report.Line(kPeakColumns);
    for (int n = 0; n < PeakCount(state); ++n) {
        report.Line(ClusterRow(n, PeakMz(state.ionMassA, n, state.charge), state.cluster.peakFA[n],
                               state.cluster.maxFA));
    }
    report.Line("Total Fractional Abundance: " + core::FormatFixed(state.cluster.totalFA, 5));
}

std::string ClusterCsv(const CalculationState& state) {
    std::string csv(kPeakCsvHeader);
    for (int n = 0; n < PeakCount(state); ++n) {
        const double fa = state.cluster.peakFA[n];
        csv += CsvRow()
                   .Text(state.formulaText)
                   .Integer(n)
                   .Number(PeakMz(state.ionMassA, n, state.charge))
                   .NumberIf(CentroidKnown(state.cluster.peakCentroidMz[n]), state.cluster.peakCentroidMz[n])
                   .Number(fa)
                   .Number(ScaledRelative(state, fa))
                   .Line();
    }
    return csv;
}

PlotData ClusterPlot(const CalculationState& state, std::string title) {
    PlotData plot = StickPlot(std::move(title), "m/z", "Rel %");
    PlotSeries series{state.formulaText, {}};
    for (int n = 0; n < PeakCount(state); ++n) {
        const double fa = state.cluster.peakFA[n];
        const double rel = ScaledRelative(state, fa);
        const double mz = StickMz(state.cluster.peakCentroidMz[n], PeakMz(state.ionMassA, n, state.charge));
        series.marks.push_back({mz, rel, PeakLabel(n), mz, fa, rel});
    }
    plot.series.push_back(std::move(series));
    FitStickRanges(plot, kHeadRoom);
    return plot;
}

}  // namespace tarnevo::output::detail

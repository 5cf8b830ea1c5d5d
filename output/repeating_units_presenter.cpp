// A series of ions built from a repeating unit (a polymer's monomer), an
// optional end cap and charging ions: the isotope cluster of each ion of the
// series, one after the other.
#include <algorithm>

#include "core/text_format.h"
#include "output/csv_row.h"
#include "output/kind_presenters.h"
#include "output/page_text.h"
#include "output/plot_frame.h"
#include "output/result_values.h"

namespace tarnevo::output::detail {

namespace {

// One ion of the series. The peaks of all ions lie one after another in
// peakFA: this ion's [A+n] is slot firstSlot + n.
struct SeriesIon {
    std::string formula;  // "CH3(C2H4O)5(Na)2"
    double massA = 0.0;
    double largestFA = 0.0;
    int firstSlot = 0;
    int peaks = 0;
};

std::vector<SeriesIon> IonsOf(const CalculationState& state) {
    std::vector<SeriesIon> ions;
    int firstSlot = 0;
    for (int k = 0; k < Bounded(state.series.ionCount, kMaxIons); ++k) {
        const int peaks = Bounded(state.series.ionLastPeakIndex[k] + 1, kPeakSlots - firstSlot);
        ions.push_back({RepeatingUnitIon(state, state.series.firstRUCount + k), state.series.ionMassAList[k],
                        state.series.ionMaxFA[k], firstSlot, peaks});
        firstSlot += peaks;
    }
    return ions;
}

// The inputs that made the series, as the page and the report repeat them.
std::vector<std::string> SeriesInputLines(const CalculationState& state) {
    return {"Repeating Unit: " + state.formulaText,
            state.series.hasEndCap ? "End Cap: " + state.series.endCapText : std::string("No End Cap"),
            "Charging Ion: " + state.series.chargingIonText,
            "Total Ionic Charge: " + core::FormatInteger(state.charge),
            "Minimum Total Fractional Abundance: " + core::FormatFixed(state.stopFA, 5)};
}

void AppendIon(PageText& lines, const CalculationState& state, const SeriesIon& ion) {
    lines.emplace_back();
    lines.push_back("Ion Formula: " + ion.formula);
    lines.push_back("Mass of [A+0] ion: " + core::FormatFixed(ion.massA, 4));
    AppendClusterTable(lines, ion.peaks, [&](int n) {
        const double fa = state.cluster.peakFA[ion.firstSlot + n];
        return ClusterCell{fa, PeakMz(ion.massA, n, state.charge),
                           core::FormatFixed(RelativeIntensity(fa, ion.largestFA), 3)};
    });
}

void WriteIon(ReportText& report, const CalculationState& state, const SeriesIon& ion) {
    report.EmptyLine();
    report.Line("Ion Formula: " + ion.formula);
    report.Line("Mass of [A+0] Ion: " + core::FormatFixed(ion.massA, 4));
    report.Line(kPeakColumns);
    for (int n = 0; n < ion.peaks; ++n) {
        report.Line(ClusterRow(n, PeakMz(ion.massA, n, state.charge), state.cluster.peakFA[ion.firstSlot + n],
                               ion.largestFA));
    }
}

void AppendIonRows(std::string& csv, const CalculationState& state, const SeriesIon& ion) {
    for (int n = 0; n < ion.peaks; ++n) {
        const double fa = state.cluster.peakFA[ion.firstSlot + n];
        const double centroid = state.cluster.peakCentroidMz[ion.firstSlot + n];
        csv += CsvRow()
                   .Text(ion.formula)
                   .Integer(n)
                   .Number(PeakMz(ion.massA, n, state.charge))
                   .NumberIf(CentroidKnown(centroid), centroid)
                   .Number(fa)
                   .Number(RelativeIntensity(fa, ion.largestFA))
                   .Line();
    }
}

// The ion's peaks as sticks; its formula stands over the tallest.
void AddIonSeries(PlotData& plot, const CalculationState& state, const SeriesIon& ion) {
    PlotSeries series{ion.formula, {}};
    for (int n = 0; n < ion.peaks; ++n) {
        const double fa = state.cluster.peakFA[ion.firstSlot + n];
        const double rel = RelativeIntensity(fa, ion.largestFA);
        const double mz =
            StickMz(state.cluster.peakCentroidMz[ion.firstSlot + n], PeakMz(ion.massA, n, state.charge));
        series.marks.push_back({mz, rel, ion.formula + " " + PeakLabel(n), mz, fa, rel});
    }
    const auto tallest = std::max_element(series.marks.begin(), series.marks.end(),
                                          [](const PlotMark& a, const PlotMark& b) { return a.y < b.y; });
    if (tallest != series.marks.end()) plot.labels.push_back({tallest->x, tallest->y, ion.formula});
    plot.series.push_back(std::move(series));
}

class RepeatingUnits final : public ResultPresenter {
public:
    std::vector<std::string> PageLines(const CalculationState& state) const override {
        PageText lines;
        lines.emplace_back("               ***** Results for Ions with Repeating Units *****");
        for (std::string& line : SeriesInputLines(state)) lines.push_back(std::move(line));
        AppendUserElementNote(lines, state);
        for (const SeriesIon& ion : IonsOf(state)) AppendIon(lines, state, ion);
        if (state.series.ionStorageFull) {
            lines.emplace_back();
            lines.emplace_back(
                "Warning - Number of ions exceeds storage (320), calculations are incomplete.");
            lines.emplace_back("Try a smaller or different range in RUs or m/z.");
        }
        return lines;
    }

    void WriteReport(ReportText& report, const CalculationState& state) const override {
        report.Line("TARNEVO Data for Ions with Repeating Units");
        for (const std::string& line : SeriesInputLines(state)) report.Line(line);
        WriteUserElementDetails(report, state);
        for (const SeriesIon& ion : IonsOf(state)) WriteIon(report, state, ion);
    }

    std::string CsvTable(const CalculationState& state) const override {
        std::string csv(kPeakCsvHeader);
        for (const SeriesIon& ion : IonsOf(state)) AppendIonRows(csv, state, ion);
        return csv;
    }

    PlotData Plot(const CalculationState& state) const override {
        PlotData plot =
            StickPlot("Ions of repeating unit " + state.formulaText + "   charge " + ChargeText(state.charge),
                      "m/z", "Rel %");
        for (const SeriesIon& ion : IonsOf(state)) AddIonSeries(plot, state, ion);
        FitStickRanges(plot, kLabelHeadRoom);
        return plot;
    }
};

}  // namespace

const ResultPresenter& RepeatingUnitsPresenter() {
    static const RepeatingUnits presenter;
    return presenter;
}

}  // namespace tarnevo::output::detail

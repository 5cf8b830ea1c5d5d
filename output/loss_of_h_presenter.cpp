// A measured spectrum corrected for ions that lost hydrogen: the spectrum as
// entered, whose first peak may lie below [A+0] ([A-2] for an ion that lost
// two H), and the corrected spectrum from [A+0] on.
#include <algorithm>

#include "core/text_format.h"
#include "output/cluster_presentation.h"
#include "output/csv_row.h"
#include "output/kind_presenters.h"
#include "output/plot_frame.h"
#include "output/result_values.h"

namespace tarnevo::output::detail {

namespace {

// A peak of a spectrum: its position ([A+position]), m/z and relative intensity.
struct SpectrumPoint {
    int position;
    double mz;
    double intensity;
};

using Spectrum = std::vector<SpectrumPoint>;

// The entered peaks lie 1/|z| apart in m/z from firstPeakMz, the first at
// position firstPeakOffset.
Spectrum EnteredSpectrum(const CalculationState& state) {
    Spectrum points;
    const double step = PeakSpacing(state.charge);
    for (int i = 0; i < Bounded(state.spectrum.expPeakCount, kMaxExperimentalPeaks); ++i) {
        points.push_back({state.spectrum.firstPeakOffset + i, state.spectrum.firstPeakMz + i * step,
                          state.spectrum.expIntensity[i]});
    }
    return points;
}

// The corrected spectrum starts at [A+0], -firstPeakOffset spacings above the
// first entered peak.
Spectrum CorrectedSpectrum(const CalculationState& state) {
    Spectrum points;
    const double step = PeakSpacing(state.charge);
    for (int n = 0; n < Bounded(state.spectrum.correctedCount, kMaxExperimentalPeaks); ++n) {
        points.push_back({n, state.spectrum.firstPeakMz + (n - state.spectrum.firstPeakOffset) * step,
                          state.spectrum.correctedIntensity[n]});
    }
    return points;
}

constexpr std::string_view kEnteredHeading = "Experimental spectrum entered:";
constexpr std::string_view kCorrectedHeading = "Spectrum corrected for loss of H:";

std::string LeftSpectrumCell(const SpectrumPoint& point) {
    return core::Spread("  " + PeakLabel(point.position), core::FormatFixed(point.mz, 2), 18) +
           core::RightAligned(core::FormatFixed(point.intensity, 3), 11);
}

std::string RightSpectrumCell(const SpectrumPoint& point) {
    return core::RightAligned(PeakLabel(point.position), 13) +
           core::RightAligned(core::FormatFixed(point.mz, 2), 11) +
           core::RightAligned("  " + core::FormatFixed(point.intensity, 3), 11);
}

void AppendSpectrumTable(PageText& lines, const Spectrum& points) {
    lines.emplace_back("   Ion       m/z       Rel %          Ion       m/z       Rel %");
    const auto at = [&points](int i) -> const SpectrumPoint& { return points[static_cast<std::size_t>(i)]; };
    AppendTwoColumns(
        lines, static_cast<int>(points.size()), [&](int i) { return LeftSpectrumCell(at(i)); },
        [&](int i) { return RightSpectrumCell(at(i)); });
}

void WriteSpectrum(ReportText& report, std::string_view heading, const Spectrum& points) {
    report.Line(heading);
    report.Line(kSpectrumColumns);
    for (const SpectrumPoint& point : points) {
        report.Line(Joined({PeakLabel(point.position), core::FormatFixed(point.mz, 2),
                            core::FormatFixed(point.intensity, 3)}));
    }
}

PlotSeries SpectrumSeries(std::string_view name, const Spectrum& points, SeriesStyle style) {
    PlotSeries series{std::string(name), {}, style};
    for (const SpectrumPoint& point : points) {
        series.marks.push_back(
            {point.mz, point.intensity, PeakLabel(point.position), point.mz, std::nullopt, point.intensity});
    }
    return series;
}

// One row per peak position from the lower of the first measured peak and
// [A+0] to the higher of the last measured and the last corrected peak; a
// spectrum without that peak leaves its cell empty.
std::string LossOfHTable(const CalculationState& state) {
    std::string csv = "n,mz,experimental,corrected\n";
    const int measured = Bounded(state.spectrum.expPeakCount, kMaxExperimentalPeaks);
    const int corrected = Bounded(state.spectrum.correctedCount, kMaxExperimentalPeaks);
    const int first = std::min(state.spectrum.firstPeakOffset, 0);
    const int last = std::max(state.spectrum.firstPeakOffset + measured, corrected) - 1;
    const double step = PeakSpacing(state.charge);
    for (int n = first; n <= last; ++n) {
        const int i = n - state.spectrum.firstPeakOffset;
        const bool wasMeasured = i >= 0 && i < measured;
        const bool wasCorrected = n >= 0 && n < corrected;
        csv +=
            CsvRow()
                .Integer(n)
                .Number(state.spectrum.firstPeakMz + i * step)
                .NumberIf(wasMeasured,
                          wasMeasured ? state.spectrum.expIntensity[static_cast<std::size_t>(i)] : 0.0)
                .NumberIf(wasCorrected,
                          wasCorrected ? state.spectrum.correctedIntensity[static_cast<std::size_t>(n)] : 0.0)
                .Line();
    }
    return csv;
}

class LossOfH final : public ResultPresenter {
public:
    std::vector<std::string> PageLines(const CalculationState& state) const override {
        PageText lines;
        AppendIonHead(lines, state, "          ***** Results for Spectrum Correction for Loss of H *****");
        AppendUserElementNote(lines, state);
        lines.emplace_back();
        lines.emplace_back(kEnteredHeading);
        AppendSpectrumTable(lines, EnteredSpectrum(state));
        lines.emplace_back();
        lines.emplace_back();
        lines.emplace_back(kCorrectedHeading);
        AppendSpectrumTable(lines, CorrectedSpectrum(state));
        return lines;
    }

    void WriteReport(ReportText& report, const CalculationState& state) const override {
        WriteIonHead(report, state, "TARNEVO Loss of H Correction Data");
        report.EmptyLine();
        WriteUserElementDetails(report, state);
        WriteSpectrum(report, kEnteredHeading, EnteredSpectrum(state));
        report.EmptyLine();
        WriteSpectrum(report, kCorrectedHeading, CorrectedSpectrum(state));
    }

    std::string CsvTable(const CalculationState& state) const override { return LossOfHTable(state); }

    // The entered spectrum as wide bars behind the corrected sticks.
    PlotData Plot(const CalculationState& state) const override {
        PlotData plot = StickPlot(AMinusZeroTitle(state), "m/z", "Rel %");
        plot.showLegend = true;
        plot.series.push_back(SpectrumSeries(kExperimentalSeries, EnteredSpectrum(state), SeriesStyle::Bar));
        plot.series.push_back(SpectrumSeries(kCorrectedSeries, CorrectedSpectrum(state), SeriesStyle::Stick));
        FitStickRanges(plot, kHeadRoom);
        return plot;
    }
};

}  // namespace

const ResultPresenter& LossOfHPresenter() {
    static const LossOfH presenter;
    return presenter;
}

}  // namespace tarnevo::output::detail

// Which ion a measured pattern is: the ranked candidates and, for the one
// selected, its peaks against the measured ones.
#include <algorithm>

#include "core/text_format.h"
#include "output/csv_row.h"
#include "output/csv_table.h"
#include "output/identification_page.h"
#include "output/identification_text.h"
#include "output/kind_presenters.h"
#include "output/plot_frame.h"

namespace tarnevo::output::detail {

namespace {

// Sticks and profile points lower than this, in percent of the tallest, are
// under a pixel of any pane's height: they are not drawn, and the m/z range
// does not grow to show them.
constexpr double kVisibleShare = 0.2;

void WriteCandidates(ReportText& report, const IonIdentification& identification) {
    const std::size_t listed = ListedCandidateCount(identification);
    report.Line("Rank, Ion type, Neutral M, Ion, m/z, Error ppm, DBE, Electrons, Pattern match, Score");
    for (std::size_t index = 0; index < listed; ++index) {
        const CandidateTexts texts = CandidateTextsOf(identification, index);
        report.Line(Joined({texts.rank, texts.ionType, texts.formula, texts.ionFormula, texts.mz,
                            texts.errorPpm, texts.dbe, texts.electrons, texts.patternMatch, texts.score}));
    }
    if (identification.result.candidates.size() > listed) {
        report.Line(
            "Candidates ranked below " + core::FormatInteger(static_cast<long long>(listed)) + ": " +
            core::FormatInteger(static_cast<long long>(identification.result.candidates.size() - listed)) +
            " (Export Table lists them all).");
    }
}

// The cells of a row joined by ", ", an empty cell kept in its place (a
// predicted peak that was not measured has no measured m/z).
std::string CellsJoined(std::initializer_list<std::string> cells) {
    std::string line;
    for (const std::string& cell : cells) {
        if (&cell != cells.begin()) line += ", ";
        line += cell;
    }
    return line;
}

void WriteComparison(ReportText& report, const IonIdentification& identification) {
    const core::IdentifyCandidate* candidate = SelectedCandidate(identification);
    if (candidate == nullptr) return;
    report.EmptyLine();
    report.Line("Peaks of rank " + RankText(identification.selected) + ": " +
                CandidateName(identification, identification.selected));
    report.Line("Measured m/z, Rel %, Predicted m/z, Rel %, Outcome");
    const auto cell = [](const std::optional<double>& value, int decimals) {
        return value ? core::FormatFixed(*value, decimals) : std::string();
    };
    for (const ComparedPeak& peak : ComparedPeaks(*candidate)) {
        const std::string_view outcome = OutcomeText(peak.outcome);
        report.Line(CellsJoined({cell(peak.measuredMz, 5), cell(peak.measuredRel, 3),
                                 cell(peak.predictedMz, 5), cell(peak.predictedRel, 3),
                                 outcome.empty() ? std::string("matched") : std::string(outcome)}));
    }
}

std::string CandidateTable(const IonIdentification& identification) {
    std::string csv(kIdentificationCsvHeader);
    const std::vector<core::IdentifyCandidate>& candidates = identification.result.candidates;
    for (std::size_t index = 0; index < candidates.size(); ++index) {
        const core::IdentifyCandidate& candidate = candidates[index];
        const CandidateTexts texts = CandidateTextsOf(identification, index);
        CsvRow row(csv);
        row.Integer(static_cast<long long>(index) + 1)
            .Text(texts.ionType)
            .Text(texts.formula)
            .Text(texts.ionFormula)
            .Number(candidate.mz)
            .Number(candidate.errorPpm)
            .Number(candidate.dbe)
            .Text(ElectronClassText(static_cast<ElectronClass>(candidate.electronClass)))
            .Number(candidate.pattern.patternMatch)
            .Number(candidate.score);
        row.End();
    }
    return csv;
}

// The measured peaks (the largest 100) as wide bars; in front of them the
// selected candidate's resolved peaks as sticks (its largest 100) over its
// profile (its highest point 100), the curve the instrument would record.
PlotSeries MeasuredSeries(const IonIdentification& identification) {
    PlotSeries series{std::string(kExperimentalSeries), {}, SeriesStyle::Bar};
    for (const MeasuredStick& stick : MeasuredSticks(identification)) {
        series.marks.push_back({stick.mz, stick.rel, "measured", stick.mz, std::nullopt, stick.rel});
    }
    return series;
}

PlotSeries PredictedSeries(const IonIdentification& identification, const std::string& formula) {
    PlotSeries series{std::string(kCalculatedSeries) + ": " + formula, {}, SeriesStyle::Stick};
    double largest = 0.0;
    for (const core::ResolvedPeak& peak : identification.selectedPattern.peaks) {
        largest = std::max(largest, peak.abundance);
    }
    if (!(largest > 0.0)) return series;
    for (const core::ResolvedPeak& peak : identification.selectedPattern.peaks) {
        const double rel = 100.0 * peak.abundance / largest;
        // The fine structure reaches peaks far out of sight ([A+6] of a small
        // ion at a millionth of the base): they would only stretch the axis.
        if (rel < kVisibleShare) continue;
        series.marks.push_back({peak.mz, rel, formula, peak.mz, peak.abundance, rel});
    }
    return series;
}

PlotSeries ProfileSeries(const IonIdentification& identification) {
    PlotSeries series{
        "Profile at R " + GroupedNumber(identification.query.power.resolution), {}, SeriesStyle::Profile};
    for (const core::ProfilePoint& point : identification.selectedPattern.profile) {
        series.marks.push_back({point.mz, point.relative, {}, point.mz, std::nullopt, point.relative});
    }
    return series;
}

PlotData IdentificationPlot(const IonIdentification& identification) {
    const core::IdentifyCandidate* candidate = SelectedCandidate(identification);
    std::string title = "Measured peaks, charge " + SignedChargeText(identification.result.charge != 0
                                                                         ? identification.result.charge
                                                                         : identification.query.charge);
    if (candidate == nullptr) title += "   (no candidate)";
    PlotData plot = StickPlot(std::move(title), "m/z", "Rel %");
    plot.showLegend = true;
    plot.series.push_back(MeasuredSeries(identification));
    if (candidate == nullptr) {
        FitStickRanges(plot, kHeadRoom);
        return plot;
    }
    plot.title = "Rank " + RankText(identification.selected) + ": " +
                 CandidateName(identification, identification.selected);
    plot.series.push_back(PredictedSeries(identification, core::HillFormulaText(candidate->ion)));
    FitStickRanges(plot, kHeadRoom);
    // The profile is drawn first, behind the sticks; the range grows to its
    // visible tails only, not to the flat ends the profile is computed over.
    if (!identification.selectedPattern.profile.empty()) {
        PlotSeries profile = ProfileSeries(identification);
        for (const PlotMark& mark : profile.marks) {
            if (mark.y < kVisibleShare) continue;
            plot.x.low = std::min(plot.x.low, mark.x);
            plot.x.high = std::max(plot.x.high, mark.x);
        }
        plot.series.insert(plot.series.begin(), std::move(profile));
    }
    return plot;
}

class Identification final : public ResultPresenter {
public:
    std::vector<std::string> PageLines(const CalculationState& state) const override {
        return LayoutIdentificationPage(state).lines;
    }

    void WriteReport(ReportText& report, const CalculationState& state) const override {
        const IonIdentification& identification = state.identification;
        report.Line(kIdentificationReportHead);
        for (const std::string& line : QuestionLines(identification)) report.Line(line);
        report.EmptyLine();
        WriteCandidates(report, identification);
        WriteComparison(report, identification);
    }

    std::string CsvTable(const CalculationState& state) const override {
        return CandidateTable(state.identification);
    }

    PlotData Plot(const CalculationState& state) const override {
        return IdentificationPlot(state.identification);
    }
};

}  // namespace

const ResultPresenter& IonIdentificationPresenter() {
    static const Identification presenter;
    return presenter;
}

}  // namespace tarnevo::output::detail

#include "output/identification_page.h"

#include "core/text_format.h"
#include "output/identification_text.h"

namespace tarnevo::output {

namespace {

// Columns of the ranking: rank, ion type, M, ion, m/z, error, DBE, electron
// class, pattern match and score. A text wider than its column pushes the
// rest of the row on, a blank kept between.
std::string LeftCell(const std::string& text, std::size_t width) {
    if (text.size() >= width) return text + " ";
    return text + std::string(width - text.size(), ' ');
}

// A right-aligned cell as wide as its column or wider keeps a blank from the
// cell before it.
std::string RightCell(const std::string& text, std::size_t width) {
    if (text.size() >= width) return " " + text;
    return core::RightAligned(text, width);
}

std::string RankingLine(const CandidateTexts& texts) {
    return core::RightAligned(texts.rank, 4) + " " + LeftCell(texts.ionType, 11) +
           LeftCell(texts.formula, 14) + LeftCell(texts.ionFormula, 14) + RightCell(texts.mz, 10) +
           RightCell(texts.errorPpm, 7) + RightCell(texts.dbe, 6) + RightCell(texts.electrons, 3) +
           RightCell(texts.patternMatch, 7) + RightCell(texts.score, 7);
}

std::string RankingHeading() {
    return RankingLine({.rank = "Rank",
                        .ionType = "Ion type",
                        .formula = "Neutral M",
                        .ionFormula = "Ion",
                        .mz = "m/z",
                        .errorPpm = "ppm",
                        .dbe = "DBE",
                        .electrons = "e-",
                        .patternMatch = "Match",
                        .score = "Score"});
}

std::string NoCandidateLine(const IonIdentification& identification) {
    if (identification.result.massMatches > 0) {
        return "Every formula within the mass accuracy was removed by the chemistry filters.";
    }
    return "No formula of these elements and ion types lies within the mass accuracy.";
}

void AppendComparison(std::vector<std::string>& lines, const IonIdentification& identification) {
    const core::IdentifyCandidate* candidate = SelectedCandidate(identification);
    if (candidate == nullptr) return;
    lines.emplace_back();
    lines.push_back("Peaks of rank " + RankText(identification.selected) + ": " +
                    CandidateName(identification, identification.selected));
    lines.emplace_back("     Measured m/z    Rel %   Predicted m/z    Rel %");
    for (const ComparedPeak& peak : ComparedPeaks(*candidate)) {
        const auto cell = [](const std::optional<double>& value, int decimals, std::size_t width) {
            return core::RightAligned(value ? core::FormatFixed(*value, decimals) : std::string(), width);
        };
        std::string line = cell(peak.measuredMz, 5, 17) + cell(peak.measuredRel, 3, 9) +
                           cell(peak.predictedMz, 5, 16) + cell(peak.predictedRel, 3, 9);
        const std::string_view outcome = OutcomeText(peak.outcome);
        if (!outcome.empty()) line += "   " + std::string(outcome);
        lines.push_back(std::move(line));
    }
    // The score is the pattern's log-likelihood (0 for a perfect match) plus
    // the prior of what the candidate is; both parts are shown.
    lines.emplace_back("Pattern match " + core::FormatFixed(candidate->pattern.patternMatch, 1) +
                       " of 100; log-likelihood " + core::FormatFixed(candidate->pattern.logLikelihood, 2) +
                       ", prior " + core::FormatFixed(candidate->prior, 2) + ", score " +
                       core::FormatFixed(candidate->score, 2));
}

}  // namespace

IdentificationPage LayoutIdentificationPage(const CalculationState& state) {
    const IonIdentification& identification = state.identification;
    IdentificationPage page;
    std::vector<std::string>& lines = page.lines;
    lines.emplace_back(kIdentificationTitle);
    for (std::string& line : QuestionLines(identification)) lines.push_back(std::move(line));
    lines.emplace_back();
    const std::size_t listed = ListedCandidateCount(identification);
    if (listed == 0) {
        lines.push_back(NoCandidateLine(identification));
        return page;
    }
    lines.push_back(RankingHeading());
    page.firstCandidateLine = lines.size();
    page.candidateLines = listed;
    for (std::size_t index = 0; index < listed; ++index)
        lines.push_back(RankingLine(CandidateTextsOf(identification, index)));
    if (identification.result.candidates.size() > listed) {
        lines.push_back("The best " + core::FormatInteger(static_cast<long long>(listed)) + " of " +
                        core::FormatInteger(static_cast<long long>(identification.result.candidates.size())) +
                        " candidates are listed; File, Export Table writes them all.");
    }
    AppendComparison(lines, identification);
    return page;
}

std::optional<std::size_t> CandidateOnPageLine(const CalculationState& state, std::size_t line) {
    if (state.calcKind != CalcKind::IonIdentification) return std::nullopt;
    const IdentificationPage page = LayoutIdentificationPage(state);
    if (line < page.firstCandidateLine || line >= page.firstCandidateLine + page.candidateLines) {
        return std::nullopt;
    }
    return line - page.firstCandidateLine;
}

}  // namespace tarnevo::output

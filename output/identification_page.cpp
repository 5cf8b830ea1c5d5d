#include "output/identification_page.h"

#include <algorithm>

#include "core/text_format.h"
#include "output/identification_text.h"

namespace tarnevo::output {

namespace {

// Columns of the ranking: rank, ion type, M, ion, m/z, error, DBE, electron
// class, pattern match and score, each at least as wide as its usual texts
// and widened, for every row alike, to hold the longest text of the page with
// a blank beside it ([M+CH3COO]- is 11 characters, C20H25N3OClBrNa 15), so
// that the columns stay aligned.
struct RankingWidths {
    std::size_t ionType = 11;
    std::size_t formula = 14;
    std::size_t ionFormula = 14;
    std::size_t mz = 10;
    std::size_t errorPpm = 7;
    std::size_t dbe = 6;
    std::size_t electrons = 3;
    std::size_t patternMatch = 7;
    std::size_t score = 7;

    void Hold(const CandidateTexts& texts) {
        const auto widen = [](std::size_t& width, const std::string& text) {
            width = std::max(width, text.size() + 1);
        };
        widen(ionType, texts.ionType);
        widen(formula, texts.formula);
        widen(ionFormula, texts.ionFormula);
        widen(mz, texts.mz);
        widen(errorPpm, texts.errorPpm);
        widen(dbe, texts.dbe);
        widen(electrons, texts.electrons);
        widen(patternMatch, texts.patternMatch);
        widen(score, texts.score);
    }
};

std::string LeftCell(const std::string& text, std::size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 1, ' ');
}

std::string RightCell(const std::string& text, std::size_t width) {
    return text.size() < width ? core::RightAligned(text, width) : " " + text;
}

std::string RankingLine(const CandidateTexts& texts, const RankingWidths& widths) {
    return core::RightAligned(texts.rank, 4) + " " + LeftCell(texts.ionType, widths.ionType) +
           LeftCell(texts.formula, widths.formula) + LeftCell(texts.ionFormula, widths.ionFormula) +
           RightCell(texts.mz, widths.mz) + RightCell(texts.errorPpm, widths.errorPpm) +
           RightCell(texts.dbe, widths.dbe) + RightCell(texts.electrons, widths.electrons) +
           RightCell(texts.patternMatch, widths.patternMatch) + RightCell(texts.score, widths.score);
}

std::string RankingHeading(const RankingWidths& widths) {
    return RankingLine({.rank = "Rank",
                        .ionType = "Ion type",
                        .formula = "Neutral M",
                        .ionFormula = "Ion",
                        .mz = "m/z",
                        .errorPpm = "ppm",
                        .dbe = "DBE",
                        .electrons = "e-",
                        .patternMatch = "Match",
                        .score = "Score"},
                       widths);
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
    std::vector<CandidateTexts> rows;
    RankingWidths widths;
    for (std::size_t index = 0; index < listed; ++index) {
        rows.push_back(CandidateTextsOf(identification, index));
        widths.Hold(rows.back());
    }
    lines.push_back(RankingHeading(widths));
    page.firstCandidateLine = lines.size();
    page.candidateLines = listed;
    for (const CandidateTexts& row : rows) lines.push_back(RankingLine(row, widths));
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

#include "output/identification_text.h"

#include <algorithm>
#include <cmath>

#include "core/element_table.h"
#include "core/formula_search.h"
#include "core/text_format.h"

namespace tarnevo::output {

namespace {

using core::FormatFixed;

// Lines of a page are read on a screen of about 80 characters: a long list
// goes on under its label.
constexpr std::size_t kWrapWidth = 80;
constexpr std::string_view kContinuation = "    ";

void AppendWrapped(std::vector<std::string>& lines, const std::string& label,
                   const std::vector<std::string>& items) {
    std::string line = label;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const std::string item = items[k] + (k + 1 < items.size() ? "," : "");
        if (line != label && line.size() + 1 + item.size() > kWrapWidth) {
            lines.push_back(std::move(line));
            line = std::string(kContinuation) + item;
        } else {
            line += " " + item;
        }
    }
    lines.push_back(std::move(line));
}

// A sentence wrapped at word breaks, its first line after the label.
void AppendSentence(std::vector<std::string>& lines, const std::string& label, const std::string& text) {
    std::string line = label;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty()) continue;
        if (line.size() > std::string(kContinuation).size() && line.size() + 1 + word.size() > kWrapWidth) {
            lines.push_back(std::move(line));
            line = std::string(kContinuation) + word;
        } else {
            line += (line.empty() ? "" : " ") + word;
        }
    }
    lines.push_back(std::move(line));
}

int IonCharge(const IonIdentification& identification) {
    return identification.result.charge != 0 ? identification.result.charge : identification.query.charge;
}

std::string ChargeLine(const IonIdentification& identification) {
    std::string line = "Ion charge: " + SignedChargeText(IonCharge(identification));
    if (identification.result.chargeInferred) line += " (inferred from the spacing of the peaks)";
    return line;
}

std::vector<std::string> IonTypeTexts(const IonIdentification& identification) {
    const std::vector<core::IdentifyIonType>& types = identification.result.ionTypes.empty()
                                                          ? identification.query.ionTypes
                                                          : identification.result.ionTypes;
    std::vector<std::string> texts;
    texts.reserve(types.size());
    for (const core::IdentifyIonType& type : types) texts.push_back(type.text);
    if (texts.empty()) texts.emplace_back("the common ones of the charge");
    return texts;
}

// "C 0-16"; a row left to fit before the search resolved it: "C from 0".
std::vector<std::string> ElementTexts(const IonIdentification& identification) {
    const std::vector<core::IdentifyElement>& rows = identification.result.elements.empty()
                                                         ? identification.query.elements
                                                         : identification.result.elements;
    std::vector<std::string> texts;
    for (const core::IdentifyElement& row : rows) {
        const bool known = row.element >= 0 && row.element < core::kElementCount;
        std::string text = known ? std::string(core::SymbolOf(row.element)) : std::string("?");
        text += row.maximum < 0
                    ? " from " + core::FormatInteger(row.minimum)
                    : " " + core::FormatInteger(row.minimum) + "-" + core::FormatInteger(row.maximum);
        texts.push_back(std::move(text));
    }
    if (texts.empty()) texts.emplace_back("C H N O P S");
    return texts;
}

std::string AccuracyLine(const core::IdentifyQuery& query) {
    std::string line = "Mass accuracy: " + core::FormatShortest(query.ppm) +
                       " ppm    Resolving power: " + GroupedNumber(query.power.resolution);
    if (query.power.model == core::ResolvingPowerModel::Orbitrap) {
        return line + " at m/z " + core::FormatShortest(query.power.referenceMz) + " (Orbitrap)";
    }
    return line + " at every m/z";
}

std::string FiltersLine(const core::FormulaRuleOptions& rules) {
    std::vector<std::string> on;
    if (rules.ringsPlusDoubleBonds) on.emplace_back("RDBE");
    if (rules.elementRatios) {
        on.emplace_back(rules.ratioLevel == core::RatioLevel::KnownCompounds997 ? "element ratios (99.7 %)"
                                                                                : "element ratios (99.99 %)");
    }
    if (rules.lewisSenior) on.emplace_back("LEWIS/SENIOR");
    std::string line = "Chemistry filters: ";
    if (on.empty()) return line + "none";
    for (std::size_t k = 0; k < on.size(); ++k) line += (k == 0 ? "" : ", ") + on[k];
    return line;
}

std::string CountsLine(const IonIdentification& identification) {
    const core::IdentifyResult& result = identification.result;
    // What was ranked follows from the counts, not from the list, which the
    // command line may have cut to its --top.
    const std::size_t ranked =
        result.massMatches - result.filteredOut - result.ruledOutByPattern - result.notRanked;
    std::string line =
        "Formulae within the mass accuracy: " +
        core::FormatInteger(static_cast<long long>(result.massMatches)) +
        ", removed by the filters: " + core::FormatInteger(static_cast<long long>(result.filteredOut));
    if (result.ruledOutByPattern > 0) {
        line +=
            ", by their pattern: " + core::FormatInteger(static_cast<long long>(result.ruledOutByPattern));
    }
    line += ", ranked: " + core::FormatInteger(static_cast<long long>(ranked));
    // Beyond the best the identification scores, what passed is counted, not listed.
    if (result.notRanked == 0) return line;
    return line + " (the best of " +
           core::FormatInteger(static_cast<long long>(ranked) + static_cast<long long>(result.notRanked)) +
           " that passed)";
}

std::string ElectronText(int electronClass) {
    switch (electronClass) {
        case core::kEvenElectron:
            return "EE";
        case core::kOddElectron:
            return "OE";
        default:
            return "**";
    }
}

}  // namespace

std::size_t ListedCandidateCount(const IonIdentification& identification) {
    const std::size_t wanted = identification.listed == 0 ? kListedCandidates : identification.listed;
    return std::min(identification.result.candidates.size(), wanted);
}

const core::IdentifyCandidate* SelectedCandidate(const IonIdentification& identification) {
    if (identification.selected >= identification.result.candidates.size()) return nullptr;
    return &identification.result.candidates[identification.selected];
}

std::vector<std::string> QuestionLines(const IonIdentification& identification) {
    std::vector<std::string> lines;
    lines.emplace_back("Measured peaks:");
    lines.emplace_back("          m/z       Intensity        Rel %");
    for (const MeasuredStick& stick : MeasuredSticks(identification)) {
        lines.push_back(core::RightAligned(FormatFixed(stick.mz, 5), 13) +
                        core::RightAligned(core::FormatShortest(stick.intensity), 16) +
                        core::RightAligned(FormatFixed(stick.rel, 3), 13));
    }
    lines.push_back(ChargeLine(identification));
    if (identification.result.monoisotopicMz > 0.0) {
        lines.push_back("Monoisotopic peak: m/z " + FormatFixed(identification.result.monoisotopicMz, 5));
    }
    AppendWrapped(lines, "Ion types:", IonTypeTexts(identification));
    AppendWrapped(lines, "Elements of M:", ElementTexts(identification));
    lines.push_back(AccuracyLine(identification.query));
    lines.push_back(FiltersLine(identification.query.rules));
    lines.push_back(CountsLine(identification));
    // Beyond the lines above, and only when there is something to say.
    for (const std::string& warning : identification.result.warnings) {
        AppendSentence(lines, "Warning:", warning);
    }
    return lines;
}

CandidateTexts CandidateTextsOf(const IonIdentification& identification, std::size_t index) {
    const core::IdentifyCandidate& candidate = identification.result.candidates[index];
    const std::vector<core::IdentifyIonType>& types = identification.result.ionTypes;
    CandidateTexts texts;
    texts.rank = RankText(index);
    texts.ionType = candidate.ionType < types.size() ? types[candidate.ionType].text : std::string("?");
    texts.formula = core::HillFormulaText(candidate.molecule);
    texts.ionFormula = core::HillFormulaText(candidate.ion);
    texts.mz = FormatFixed(candidate.mz, 5);
    texts.errorPpm = FormatFixed(candidate.errorPpm, 2);
    texts.dbe = std::isfinite(candidate.dbe) ? FormatFixed(candidate.dbe, 1) : std::string("-");
    texts.electrons = ElectronText(candidate.electronClass);
    texts.patternMatch = FormatFixed(candidate.pattern.patternMatch, 1);
    texts.score = FormatFixed(candidate.score, 2);
    return texts;
}

std::string CandidateName(const IonIdentification& identification, std::size_t index) {
    const CandidateTexts texts = CandidateTextsOf(identification, index);
    return texts.formula + " as " + texts.ionType + " (ion " + texts.ionFormula + ")";
}

std::vector<ComparedPeak> ComparedPeaks(const core::IdentifyCandidate& candidate) {
    std::vector<ComparedPeak> peaks;
    for (const core::PeakComparison& peak : candidate.pattern.peaks) {
        ComparedPeak compared;
        compared.outcome = peak.outcome;
        if (peak.outcome != core::PeakOutcome::Missing) {
            compared.measuredMz = peak.measuredMz;
            compared.measuredRel = 100.0 * peak.measuredRelative;
        }
        if (peak.outcome != core::PeakOutcome::Unexplained) {
            compared.predictedMz = peak.predictedMz;
            compared.predictedRel = 100.0 * peak.predictedRelative;
        }
        peaks.push_back(compared);
    }
    return peaks;
}

std::string_view OutcomeText(core::PeakOutcome outcome) {
    switch (outcome) {
        case core::PeakOutcome::Matched:
            return "";
        case core::PeakOutcome::Missing:
            return "missing";
        case core::PeakOutcome::Unexplained:
            return "unexplained";
    }
    return "";
}

std::vector<MeasuredStick> MeasuredSticks(const IonIdentification& identification) {
    double largest = 0.0;
    for (const core::MeasuredPeak& peak : identification.query.peaks)
        largest = std::max(largest, peak.intensity);
    std::vector<MeasuredStick> sticks;
    for (const core::MeasuredPeak& peak : identification.query.peaks) {
        sticks.push_back({peak.mz, peak.intensity, largest > 0.0 ? 100.0 * peak.intensity / largest : 0.0});
    }
    std::stable_sort(sticks.begin(), sticks.end(),
                     [](const MeasuredStick& a, const MeasuredStick& b) { return a.mz < b.mz; });
    return sticks;
}

std::vector<std::string> CandidateChoices(const CalculationState& state) {
    std::vector<std::string> choices;
    if (state.calcKind != CalcKind::IonIdentification) return choices;
    for (std::size_t index = 0; index < ListedCandidateCount(state.identification); ++index) {
        const CandidateTexts texts = CandidateTextsOf(state.identification, index);
        choices.push_back(texts.rank + "  " + texts.formula + "  " + texts.ionType);
    }
    return choices;
}

std::string RankText(std::size_t index) { return core::FormatInteger(static_cast<long long>(index) + 1); }

std::string SignedChargeText(int charge) { return (charge > 0 ? "+" : "") + core::FormatInteger(charge); }

std::string GroupedNumber(double value) {
    if (!(std::abs(value) < 1e15) || value != std::floor(value)) return core::FormatShortest(value);
    const std::string digits = core::FormatInteger(static_cast<long long>(std::abs(value)));
    std::string grouped = value < 0 ? "-" : "";
    for (std::size_t k = 0; k < digits.size(); ++k) {
        if (k > 0 && (digits.size() - k) % 3 == 0) grouped += ',';
        grouped += digits[k];
    }
    return grouped;
}

}  // namespace tarnevo::output

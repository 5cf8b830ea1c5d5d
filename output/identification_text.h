// The texts of an ion identification that its page, its report, its CSV
// table and its plot share, so that all four say the same of one question and
// its candidates: the question echoed line by line, each candidate's columns
// and the selected candidate's peak-by-peak comparison.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "output/calculation_state.h"

namespace tarnevo::output {

// The page and the report list this many candidates, the best first, unless
// the question asked for another number; the CSV table lists them all.
inline constexpr std::size_t kListedCandidates = 20;

inline constexpr std::string_view kIdentificationTitle =
    "       ***** Results for Ion Identification from an Isotope Pattern *****";
inline constexpr std::string_view kIdentificationReportHead = "TARNEVO Ion Identification Data";
inline constexpr std::string_view kIdentificationCsvHeader =
    "rank,adduct,formula,ionFormula,mz,errorPpm,dbe,electronClass,patternScore,score\n";

// The candidates the page and the report list: at most the number asked for.
std::size_t ListedCandidateCount(const IonIdentification& identification);

// The selected candidate, or nullptr when there is none (no candidates, or a
// selection out of range in a damaged state).
const core::IdentifyCandidate* SelectedCandidate(const IonIdentification& identification);

// The question as asked, one line each: the measured peaks ("Measured peaks
// (m/z, Rel %): 195.08770 100.0, 196.09080 10.4"), the charge ("Ion charge:
// +1 (inferred from the spacing of the peaks)"), the ion types, the element
// rows as searched ("C 0-16, H 0-..."), the mass accuracy and the resolving
// power, the filters, then the counts of the search.
std::vector<std::string> QuestionLines(const IonIdentification& identification);

// One candidate's columns as the page and the report write them.
struct CandidateTexts {
    std::string rank;
    std::string ionType;       // "[M+H]+"
    std::string formula;       // the neutral M, Hill order
    std::string ionFormula;    // the ion, Hill order
    std::string mz;            // 5 decimals
    std::string errorPpm;      // 2 decimals, signed
    std::string dbe;           // 1 decimal; "-" where an element has no usual valence
    std::string electrons;     // "EE", "OE" or "**"
    std::string patternMatch;  // 0-100, 1 decimal
    std::string score;         // the log-likelihood, 2 decimals
};
CandidateTexts CandidateTextsOf(const IonIdentification& identification, std::size_t index);

// "C8H10N4O2 as [M+H]+ (ion C8H11N4O2)": whom the comparison and the plot show.
std::string CandidateName(const IonIdentification& identification, std::size_t index);

// The m/z of the sticks and the relative intensities of the comparison, in
// percent of each side's base peak.
struct ComparedPeak {
    core::PeakOutcome outcome = core::PeakOutcome::Matched;
    std::optional<double> measuredMz;
    std::optional<double> measuredRel;
    std::optional<double> predictedMz;
    std::optional<double> predictedRel;
};
std::vector<ComparedPeak> ComparedPeaks(const core::IdentifyCandidate& candidate);

// "missing" for a predicted peak above the noise that was not measured,
// "unexplained" for a measured peak no predicted peak explains; empty for a
// matched pair.
std::string_view OutcomeText(core::PeakOutcome outcome);

// The measured peaks in m/z order: the intensity as entered, and in percent
// of the largest.
struct MeasuredStick {
    double mz = 0.0;
    double intensity = 0.0;
    double rel = 0.0;
};
std::vector<MeasuredStick> MeasuredSticks(const IonIdentification& identification);

// The listed candidates as the plot pane's list names them, the best first:
// "1  C8H10N4O2  [M+H]+"; empty for results of any other kind.
std::vector<std::string> CandidateChoices(const CalculationState& state);

// The rank of the candidate at an index of the ranking: "1" for index 0.
std::string RankText(std::size_t index);

// The signed charge as the pages write it: "+1", "-2".
std::string SignedChargeText(int charge);

// 60000 as "60,000".
std::string GroupedNumber(double value);

}  // namespace tarnevo::output

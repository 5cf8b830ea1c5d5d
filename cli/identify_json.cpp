#include "cli/identify_json.h"

#include <string_view>

#include "cli/cli_output.h"
#include "core/ion_notation.h"
#include "output/csv_table.h"
#include "output/result_values.h"

namespace tarnevo::cli {

namespace {

std::string_view OutcomeName(core::PeakOutcome outcome) {
    switch (outcome) {
        case core::PeakOutcome::Matched:
            return "matched";
        case core::PeakOutcome::Missing:
            return "missing";
        case core::PeakOutcome::Unexplained:
            return "unexplained";
    }
    return "matched";
}

// A relative intensity (fraction of the base peak) in percent, the base peak
// exactly 100.
double Percent(double fraction) { return output::RelativeIntensity(fraction, 1.0); }

void PrintPeak(const core::PeakComparison& peak, std::ostream& out) {
    const bool measured = peak.outcome != core::PeakOutcome::Missing;
    const bool predicted = peak.outcome != core::PeakOutcome::Unexplained;
    out << "{\"outcome\": \"" << OutcomeName(peak.outcome)
        << "\", \"measuredMz\": " << (measured ? JsonNumber(peak.measuredMz) : "null")
        << ", \"measuredRel\": " << (measured ? JsonNumber(Percent(peak.measuredRelative)) : "null")
        << ", \"predictedMz\": " << (predicted ? JsonNumber(peak.predictedMz) : "null")
        << ", \"predictedRel\": " << (predicted ? JsonNumber(Percent(peak.predictedRelative)) : "null")
        << "}";
}

void PrintCandidate(const core::IdentifyResult& result, std::size_t index, std::ostream& out) {
    const core::IdentifyCandidate& candidate = result.candidates[index];
    const std::string_view adduct = candidate.ionType < result.ionTypes.size()
                                        ? std::string_view(result.ionTypes[candidate.ionType].text)
                                        : "";
    out << "{\"rank\": " << index + 1 << ", \"adduct\": " << JsonString(adduct)
        << ", \"formula\": " << JsonString(core::HillFormulaText(candidate.molecule))
        << ", \"ionFormula\": " << JsonString(core::HillFormulaText(candidate.ion))
        << ", \"mz\": " << JsonNumber(candidate.mz) << ", \"errorPpm\": " << JsonNumber(candidate.errorPpm)
        << ", \"dbe\": " << JsonNumber(candidate.dbe) << ", \"electronClass\": "
        << JsonString(output::ElectronClassText(static_cast<output::ElectronClass>(candidate.electronClass)))
        << ", \"patternScore\": " << JsonNumber(candidate.pattern.patternMatch)
        << ", \"score\": " << JsonNumber(candidate.score)
        << ", \"probability\": " << JsonNumber(candidate.probability) << ", \"peaks\": [";
    for (std::size_t k = 0; k < candidate.pattern.peaks.size(); ++k) {
        if (k != 0) out << ", ";
        PrintPeak(candidate.pattern.peaks[k], out);
    }
    out << "]}";
}

}  // namespace

void PrintIdentificationJsonFields(const core::IdentifyResult& result, std::size_t candidateCount,
                                   std::ostream& out) {
    out << "\"charge\": " << result.charge
        << ", \"chargeInferred\": " << (result.chargeInferred ? "true" : "false")
        << ", \"monoisotopicMz\": " << JsonNumber(result.monoisotopicMz)
        << ", \"massMatches\": " << result.massMatches << ", \"filteredOut\": " << result.filteredOut
        << ", \"notRanked\": " << result.notRanked << ", \"candidateCount\": " << candidateCount
        << ", \"candidates\": [";
    for (std::size_t index = 0; index < result.candidates.size(); ++index) {
        if (index != 0) out << ", ";
        PrintCandidate(result, index, out);
    }
    out << "], \"warnings\": [";
    for (std::size_t k = 0; k < result.warnings.size(); ++k)
        out << (k == 0 ? "" : ", ") << JsonString(result.warnings[k]);
    out << "]";
}

}  // namespace tarnevo::cli

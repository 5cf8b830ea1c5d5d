#include "core/identify_warnings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/identify_nominal.h"
#include "core/text_format.h"

namespace tarnevo::core {

namespace {

// [A+2] / [A+0] of one atom, first order: 37Cl 24.2 / 75.8, 81Br 49.3 /
// 50.7, 34S 4.25 / 94.99 (with 33S's share small); 13C2 and 18O add the
// rest of an organic [A+2], about ([A+1])^2 / 2 plus 0.2 % an oxygen.
constexpr double kChlorinePlusTwo = 0.3199;
constexpr double kBrominePlusTwo = 0.9728;
constexpr double kSulfurPlusTwo = 0.0447;
// Above this [A+2] / [A+0] no molecule of C H N O P S of an m/z below 2000
// comes: a halogen is needed.
constexpr double kHalogenPlusTwo = 0.25;

// Nominal intensities relative to [A+0] (index = shift).
std::vector<double> RatiosToFirst(const std::vector<double>& byShift) {
    std::vector<double> ratios;
    if (byShift.empty() || byShift.front() <= 0.0) return ratios;
    for (double intensity : byShift) ratios.push_back(intensity / byShift.front());
    return ratios;
}

std::vector<double> PredictedByShift(const IdentifyCandidate& candidate, double monoMz, int charge) {
    std::vector<double> byShift;
    const double z = std::abs(static_cast<double>(charge));
    for (const PeakComparison& peak : candidate.pattern.peaks) {
        if (peak.outcome == PeakOutcome::Unexplained) continue;
        const long shift = std::lround((peak.predictedMz - monoMz) * z / kIsotopeStep);
        if (shift < 0) continue;
        if (static_cast<std::size_t>(shift) >= byShift.size())
            byShift.resize(static_cast<std::size_t>(shift) + 1);
        byShift[static_cast<std::size_t>(shift)] += peak.predictedRelative;
    }
    return byShift;
}

std::string Percent(double ratio) { return FormatFixed(100.0 * ratio, 1) + " %"; }

bool Searched(const IdentifyResult& result, const char* symbol) {
    const int element = LookupSymbolText(symbol, 0);
    return std::any_of(result.elements.begin(), result.elements.end(),
                       [element](const IdentifyElement& row) { return row.element == element; });
}

std::string Atoms(long count, const char* symbol, const IdentifyResult& result) {
    std::string text = FormatInteger(count) + " " + symbol;
    if (!Searched(result, symbol))
        text += std::string(" (") + symbol + " is not among the elements searched)";
    return text;
}

// What the measured [A+1] and [A+2] suggest, or empty.
std::string Suggestion(const std::vector<double>& measured, const IdentifyResult& result) {
    if (measured.size() < 3 || measured[2] <= 0.0) return {};
    const double plusTwo = measured[2];
    const std::string lead = "The measured [A+2] of " + Percent(plusTwo) + " of [A+0] suggests ";
    if (plusTwo >= kHalogenPlusTwo) {
        const long chlorine = std::max(1L, std::lround(plusTwo / kChlorinePlusTwo));
        const long bromine = std::max(1L, std::lround(plusTwo / kBrominePlusTwo));
        std::string text = lead +
                           "chlorine or bromine (each Cl adds about 32 %, each Br about 97 %): about " +
                           Atoms(chlorine, "Cl", result);
        if (std::abs(plusTwo - static_cast<double>(bromine) * kBrominePlusTwo) < 0.3 * plusTwo)
            text += ", or " + Atoms(bromine, "Br", result);
        return text + ".";
    }
    // Beyond what the carbon of the [A+1] gives: 13C2 about ([A+1])^2 / 2.
    const double carbonPart = measured[1] * measured[1] / 2.0;
    const double excess = plusTwo - carbonPart;
    if (excess < 0.6 * kSulfurPlusTwo) return {};
    const long sulfur = std::max(1L, std::lround(excess / kSulfurPlusTwo));
    return lead + "sulfur (each S adds about 4.4 % beyond carbon's " + Percent(carbonPart) + "): about " +
           Atoms(sulfur, "S", result) + ".";
}

// The first nominal peak the candidate does not explain, or -1.
int UnexplainedShift(const std::vector<double>& measured, const std::vector<double>& predicted) {
    const std::size_t count = std::max(measured.size(), predicted.size());
    for (std::size_t n = 1; n < count; ++n) {
        const double seen = n < measured.size() ? measured[n] : 0.0;
        const double expected = n < predicted.size() ? predicted[n] : 0.0;
        // A peak the measurement lacks tells little: peaks go missing.
        if (seen <= 0.0) continue;
        const double larger = std::max(seen, expected);
        const double smaller = std::min(seen, expected);
        if (larger - smaller > kUnexplainedAbsolute && larger > kUnexplainedFactor * smaller)
            return static_cast<int>(n);
    }
    return -1;
}

}  // namespace

std::vector<std::string> IdentifyWarnings(const IdentifyQuery& query, const IdentifyResult& result) {
    std::vector<std::string> warnings;
    if (result.status != IdentifyStatus::Identified) return warnings;
    const NominalPeaks nominal = GatherNominal(query.peaks, result.monoisotopicMz, result.charge);
    const std::vector<double> measured = RatiosToFirst(nominal.intensityByShift);
    if (measured.empty()) return warnings;
    const std::string suggestion = Suggestion(measured, result);
    if (result.candidates.empty()) {
        warnings.push_back("No formula within the mass accuracy explains the peaks." +
                           (suggestion.empty() ? std::string() : " " + suggestion));
        return warnings;
    }
    const IdentifyCandidate& best = result.candidates.front();
    const std::vector<double> predicted = RatiosToFirst(PredictedByShift(best, best.mz, result.charge));
    if (predicted.empty()) return warnings;
    const int shift = UnexplainedShift(measured, predicted);
    if (shift < 0) return warnings;
    const auto n = static_cast<std::size_t>(shift);
    const std::string peak = "[A+" + FormatInteger(shift) + "]";
    std::string text = "The best candidate, " + HillFormulaText(best.molecule) + " as " +
                       result.ionTypes[best.ionType].text + ", does not explain the measured pattern: its " +
                       peak + " is " + Percent(n < predicted.size() ? predicted[n] : 0.0) +
                       " of [A+0], the measured " + Percent(measured[n]) + ".";
    if (!suggestion.empty()) text += " " + suggestion;
    warnings.push_back(std::move(text));
    return warnings;
}

}  // namespace tarnevo::core

#include "core/pattern_score.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "core/pattern_error_terms.h"
#include "core/text_format.h"

namespace tarnevo::core {

std::vector<MeasuredPeak> ScaledToLargest(std::span<const MeasuredPeak> measured) {
    double largest = 0.0;
    for (const MeasuredPeak& peak : measured) largest = std::max(largest, peak.intensity);
    std::vector<MeasuredPeak> scaled(measured.begin(), measured.end());
    if (!(largest > 0.0)) return scaled;
    for (MeasuredPeak& peak : scaled) peak.intensity /= largest;
    return scaled;
}

namespace {

constexpr double kPpm = 1e-6;
// Bounds that keep the match window a small part of the m/z: at most 1000 ppm
// scatter and 100 sigmas.
constexpr double kMaxMzPpm = 1000.0;
constexpr double kMaxWindowSigmas = 100.0;

// One mass unit of isotope step: from 0.99637 u (10B to 11B) and 0.99704 u
// (14N to 15N) to 1.00628 u (1H to 2H), 1.00336 u for 13C; an A+2 element's
// step halved (37Cl: 1.99705 / 2 = 0.99853) lies within. A step of n units is
// n x kMeanStep within n x kStepSpread, whatever mixture of isotopes a peak's
// centroid holds.
constexpr double kMeanStep = 1.0013;
constexpr double kStepSpread = 0.0052;
// Each peak's m/z may be this far off when the spacing is read: twice the
// default mass accuracy.
constexpr double kSpacingPpm = 10.0;

// --- Checking the measured peaks ---------------------------------------------

std::string PeakNumber(std::size_t index) {
    return "Peak " + FormatInteger(static_cast<long long>(index) + 1);
}

bool IsPositiveNumber(double value) { return std::isfinite(value) && value > 0.0; }

using Refusal = PatternRefusal;

Refusal MeasuredPeaksRefusal(std::span<const MeasuredPeak> measured) {
    if (measured.empty()) {
        return {PatternStatus::NoPeaks,
                "No peaks: give the m/z and intensity of at least one measured peak."};
    }
    if (measured.size() > kMaxMeasuredPeaks) {
        return {PatternStatus::TooManyPeaks, FormatInteger(static_cast<long long>(measured.size())) +
                                                 " peaks: give at most " +
                                                 FormatInteger(static_cast<long long>(kMaxMeasuredPeaks)) +
                                                 " peaks of one ion's cluster."};
    }
    for (std::size_t i = 0; i < measured.size(); ++i) {
        if (!IsPositiveNumber(measured[i].mz)) {
            return {PatternStatus::NonPositiveMz, PeakNumber(i) + " has the m/z " +
                                                      FormatShortest(measured[i].mz) +
                                                      ": every m/z must be a number greater than 0."};
        }
        if (!IsPositiveNumber(measured[i].intensity)) {
            return {PatternStatus::NonPositiveIntensity,
                    PeakNumber(i) + " has the intensity " + FormatShortest(measured[i].intensity) +
                        ": every intensity must be a number greater than 0."};
        }
    }
    return {};
}

// The parts of a model of real analysers; NaN fails every comparison.
Refusal ExtendedModelRefusal(const PatternErrorModel& model) {
    auto refuse = [](std::string text) { return Refusal{PatternStatus::InvalidErrorModel, std::move(text)}; };
    if (!(model.mzOffsetPpm >= 0.0 && model.mzOffsetPpm <= kMaxMzPpm)) {
        return refuse("The m/z offset deviation must be from 0 to 1000 ppm.");
    }
    if (!(model.intensityLargeFraction >= 0.0 && std::isfinite(model.intensityLargeFraction))) {
        return refuse("The intensity deviation of the largest peaks must be a fraction of at least 0.");
    }
    if (!(model.tailDof >= 0.0 && std::isfinite(model.tailDof))) {
        return refuse("The degrees of freedom of the tails must be 0 (none) or more.");
    }
    if (!(model.missingCap > 0.0) || !(model.missingBeyondCap > 0.0)) {
        return refuse("The most a missing peak costs must be greater than 0.");
    }
    return {};
}

Refusal ErrorModelRefusal(const PatternErrorModel& model) {
    auto refuse = [](std::string text) { return Refusal{PatternStatus::InvalidErrorModel, std::move(text)}; };
    if (!IsPositiveNumber(model.mzPpm) || model.mzPpm > kMaxMzPpm) {
        return refuse("The m/z deviation must be greater than 0 and at most 1000 ppm.");
    }
    if (!std::isfinite(model.intensityFraction) || model.intensityFraction < 0.0) {
        return refuse("The intensity deviation must be a fraction of the peak of at least 0.");
    }
    if (!IsPositiveNumber(model.intensityFloor)) {
        return refuse("The intensity floor must be a fraction of the base peak greater than 0.");
    }
    if (!std::isfinite(model.noiseLevel) || model.noiseLevel < 0.0 || model.noiseLevel >= 1.0) {
        return refuse("The noise level must be a fraction of the base peak from 0 up to below 1.");
    }
    if (!IsPositiveNumber(model.matchWindowSigmas) || model.matchWindowSigmas > kMaxWindowSigmas) {
        return refuse("The match window must be greater than 0 and at most 100 standard deviations.");
    }
    return ExtendedModelRefusal(model);
    return {};
}

// --- The score -----------------------------------------------------------------

struct RelativePeak {
    double mz = 0.0;
    double relative = 0.0;  // fraction of the base peak
    std::size_t index = 0;  // in the list as given
};

std::vector<RelativePeak> RelativeMeasured(std::span<const MeasuredPeak> measured) {
    double base = 0.0;
    for (const MeasuredPeak& peak : measured) base = std::max(base, peak.intensity);
    std::vector<RelativePeak> peaks;
    peaks.reserve(measured.size());
    for (std::size_t i = 0; i < measured.size(); ++i) {
        peaks.push_back({measured[i].mz, measured[i].intensity / base, i});
    }
    return peaks;
}

// The usable predicted peaks relative to their base, in m/z order.
std::vector<RelativePeak> RelativePredicted(std::span<const ResolvedPeak> predicted) {
    double base = 0.0;
    for (const ResolvedPeak& peak : predicted) {
        if (IsPositiveNumber(peak.abundance) && IsPositiveNumber(peak.mz))
            base = std::max(base, peak.abundance);
    }
    std::vector<RelativePeak> peaks;
    if (base == 0.0) return peaks;
    for (std::size_t i = 0; i < predicted.size(); ++i) {
        if (IsPositiveNumber(predicted[i].abundance) && IsPositiveNumber(predicted[i].mz)) {
            peaks.push_back({predicted[i].mz, predicted[i].abundance / base, i});
        }
    }
    auto byMz = [](const RelativePeak& a, const RelativePeak& b) { return a.mz < b.mz; };
    if (!std::is_sorted(peaks.begin(), peaks.end(), byMz)) std::stable_sort(peaks.begin(), peaks.end(), byMz);
    return peaks;
}

struct Pair {
    double distance = 0.0;  // |measured - predicted| m/z
    std::size_t measured = 0;
    std::size_t predicted = 0;  // in the sorted predicted list
};

// Every pair within the window, nearest first; ties go to the larger
// predicted peak, then to list order, so the matching never depends on the
// sort's whims.
std::vector<Pair> PairsWithinWindow(const std::vector<RelativePeak>& measured,
                                    const std::vector<RelativePeak>& predicted,
                                    const PatternErrorModel& model) {
    const double reach = MatchReach(model);  // window per unit of predicted m/z
    std::vector<Pair> pairs;
    for (std::size_t i = 0; i < measured.size(); ++i) {
        const double mz = measured[i].mz;
        // |mz - p| <= reach x p holds exactly for p in [mz / (1 + reach), mz / (1 - reach)].
        auto first = std::lower_bound(predicted.begin(), predicted.end(), mz / (1.0 + reach),
                                      [](const RelativePeak& peak, double value) { return peak.mz < value; });
        for (auto it = first; it != predicted.end() && it->mz <= mz / (1.0 - reach); ++it) {
            const double distance = std::abs(mz - it->mz);
            if (distance <= reach * it->mz) {
                pairs.push_back({distance, i, static_cast<std::size_t>(it - predicted.begin())});
            }
        }
    }
    std::sort(pairs.begin(), pairs.end(), [&predicted](const Pair& a, const Pair& b) {
        return std::tuple(a.distance, -predicted[a.predicted].relative, a.measured, a.predicted) <
               std::tuple(b.distance, -predicted[b.predicted].relative, b.measured, b.predicted);
    });
    return pairs;
}

constexpr std::size_t kUnmatched = static_cast<std::size_t>(-1);

// For each measured peak, the predicted peak it is matched to (or kUnmatched).
std::vector<std::size_t> MatchPeaks(const std::vector<RelativePeak>& measured,
                                    const std::vector<RelativePeak>& predicted,
                                    const PatternErrorModel& model) {
    std::vector<std::size_t> partner(measured.size(), kUnmatched);
    std::vector<bool> taken(predicted.size(), false);
    for (const Pair& pair : PairsWithinWindow(measured, predicted, model)) {
        if (partner[pair.measured] != kUnmatched || taken[pair.predicted]) continue;
        partner[pair.measured] = pair.predicted;
        taken[pair.predicted] = true;
    }
    return partner;
}

PeakComparison Matched(const RelativePeak& measured, const RelativePeak& predicted,
                       const PatternErrorModel& model) {
    PeakComparison line{PeakOutcome::Matched, measured.mz, measured.relative, predicted.mz,
                        predicted.relative};
    // The m/z term follows once the cluster's common offset is known.
    line.intensityTerm = DeviationTerm(measured.relative - predicted.relative,
                                       IntensitySigma(model, predicted.relative), model);
    return line;
}

// Unmeasured, the peak was at most at the noise level: the likeliest such
// measurement is the noise level itself. Peaks do go missing (dropped by the
// peak picking, or the cluster cut short), so the cost is capped, the more so
// beyond the last measured peak.
PeakComparison Missing(const RelativePeak& predicted, const PatternErrorModel& model, bool beyondMeasured) {
    PeakComparison line{PeakOutcome::Missing, 0.0, 0.0, predicted.mz, predicted.relative};
    const double cap = beyondMeasured ? model.missingBeyondCap : model.missingCap;
    line.intensityTerm = std::max(-cap, DeviationTerm(predicted.relative - model.noiseLevel,
                                                      IntensitySigma(model, predicted.relative), model));
    return line;
}

// Predicting no peak above the noise there, the candidate allows at most the
// noise level; only the excess counts, at that level's deviation.
PeakComparison Unexplained(const RelativePeak& measured, const PatternErrorModel& model) {
    PeakComparison line{PeakOutcome::Unexplained, measured.mz, measured.relative, 0.0, 0.0};
    const double excess = std::max(0.0, measured.relative - model.noiseLevel);
    line.intensityTerm = DeviationTerm(excess, IntensitySigma(model, model.noiseLevel), model);
    return line;
}

double LineMz(const PeakComparison& line) {
    return line.outcome == PeakOutcome::Missing ? line.predictedMz : line.measuredMz;
}

std::vector<PeakComparison> ComparePeaks(const std::vector<RelativePeak>& measured,
                                         const std::vector<RelativePeak>& predicted,
                                         const PatternErrorModel& model) {
    const std::vector<std::size_t> partner = MatchPeaks(measured, predicted, model);
    std::vector<bool> taken(predicted.size(), false);
    std::vector<PeakComparison> lines;
    double lastMeasured = 0.0;
    for (const RelativePeak& peak : measured) lastMeasured = std::max(lastMeasured, peak.mz);
    for (std::size_t i = 0; i < measured.size(); ++i) {
        if (partner[i] == kUnmatched) {
            lines.push_back(Unexplained(measured[i], model));
        } else {
            taken[partner[i]] = true;
            lines.push_back(Matched(measured[i], predicted[partner[i]], model));
        }
    }
    for (std::size_t j = 0; j < predicted.size(); ++j) {
        if (!taken[j] && predicted[j].relative > model.noiseLevel)
            lines.push_back(Missing(predicted[j], model, predicted[j].mz > lastMeasured + kSameNominalPeak));
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const PeakComparison& a, const PeakComparison& b) { return LineMz(a) < LineMz(b); });
    return lines;
}

void AddUp(PatternScore& score) {
    for (const PeakComparison& line : score.peaks) {
        switch (line.outcome) {
            case PeakOutcome::Matched:
                score.parts.mz += line.mzTerm;
                score.parts.intensity += line.intensityTerm;
                score.comparisonCount += 2;
                break;
            case PeakOutcome::Missing:
                score.parts.missing += line.intensityTerm;
                score.comparisonCount += 1;
                break;
            case PeakOutcome::Unexplained:
                score.parts.unexplained += line.intensityTerm;
                score.comparisonCount += 1;
                break;
        }
    }
    score.logLikelihood =
        score.parts.mz + score.parts.intensity + score.parts.missing + score.parts.unexplained;
    score.patternMatch = 100.0 * std::exp(score.logLikelihood / score.comparisonCount);
}

std::optional<double> MonoisotopicErrorPpm(const std::vector<RelativePeak>& predicted,
                                           const std::vector<PeakComparison>& lines, double noiseLevel) {
    auto mono = std::find_if(predicted.begin(), predicted.end(),
                             [noiseLevel](const RelativePeak& peak) { return peak.relative > noiseLevel; });
    if (mono == predicted.end()) return std::nullopt;
    for (const PeakComparison& line : lines) {
        if (line.outcome == PeakOutcome::Matched && line.predictedMz == mono->mz) {
            return (line.measuredMz - mono->mz) / mono->mz / kPpm;
        }
    }
    return std::nullopt;
}

// --- The charge ------------------------------------------------------------------

// A nominal peak: the intensity-weighted mean m/z of the measured peaks closer
// than kSameNominalPeak to their neighbours (a resolved fine structure).
std::vector<double> NominalPeakMzs(std::span<const MeasuredPeak> measured) {
    std::vector<MeasuredPeak> sorted = ScaledToLargest(measured);
    std::sort(sorted.begin(), sorted.end(),
              [](const MeasuredPeak& a, const MeasuredPeak& b) { return a.mz < b.mz; });
    std::vector<double> mzs;
    double weightedMz = 0.0;
    double weight = 0.0;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (i > 0 && sorted[i].mz - sorted[i - 1].mz >= kSameNominalPeak) {
            mzs.push_back(weightedMz / weight);
            weightedMz = 0.0;
            weight = 0.0;
        }
        weightedMz += sorted[i].mz * sorted[i].intensity;
        weight += sorted[i].intensity;
    }
    mzs.push_back(weightedMz / weight);
    return mzs;
}

// Whether the spacing from lower to upper is a whole number of isotope steps,
// 1 to kMaxNominalGap, at charge z.
bool FitsCharge(double lower, double upper, int z) {
    const double spacing = upper - lower;
    const double steps = std::round(spacing * z / kMeanStep);
    if (steps < 1.0 || steps > kMaxNominalGap) return false;
    const double tolerance = steps * kStepSpread / z + kSpacingPpm * kPpm * (lower + upper);
    return std::abs(spacing - steps * kMeanStep / z) <= tolerance;
}

// Each nominal peak is measured from the first, not from its neighbour: the
// centroids of neighbouring peaks may be of different isotopes (an [A+1] of
// 13C at 1.00336 and an [A+2] of 34S at 1.99580 lie 0.99244 apart, far
// from any one step), while each lies within its own number of steps of the
// first. Neighbours are still 1 to kMaxNominalGap steps apart.
bool AllFitCharge(const std::vector<double>& mzs, int z) {
    double previousSteps = 0.0;
    for (std::size_t i = 1; i < mzs.size(); ++i) {
        const double distance = mzs[i] - mzs.front();
        const double steps = std::round(distance * z / kMeanStep);
        const double gap = steps - previousSteps;
        if (gap < 1.0 || gap > kMaxNominalGap) return false;
        const double tolerance = steps * kStepSpread / z + kSpacingPpm * kPpm * (mzs.front() + mzs[i]);
        if (std::abs(distance - steps * kMeanStep / z) > tolerance) return false;
        previousSteps = steps;
    }
    return true;
}

bool FitsSomeCharge(double lower, double upper) {
    for (int z = 1; z <= kMaxInferredCharge; ++z) {
        if (FitsCharge(lower, upper, z)) return true;
    }
    return false;
}

std::string NotOneCluster(const std::vector<double>& mzs) {
    const std::string charges = "any charge from 1 to " + FormatInteger(kMaxInferredCharge);
    for (std::size_t i = 1; i < mzs.size(); ++i) {
        if (!FitsSomeCharge(mzs[i - 1], mzs[i])) {
            return "The peaks are not of one cluster: m/z " + FormatFixed(mzs[i - 1], 4) + " and " +
                   FormatFixed(mzs[i], 4) + " are " + FormatFixed(mzs[i] - mzs[i - 1], 4) +
                   " apart, which is not 1 to " + FormatInteger(kMaxNominalGap) +
                   " isotope spacings (1/z) for " + charges + ".";
        }
    }
    return "The peaks are not of one cluster: each spacing fits a charge from 1 to " +
           FormatInteger(kMaxInferredCharge) + ", but no one charge fits them all.";
}

}  // namespace

PatternScore ScorePattern(std::span<const MeasuredPeak> measured, std::span<const ResolvedPeak> predicted,
                          const PatternErrorModel& model) {
    PatternScore score;
    Refusal refusal = MeasuredPeaksRefusal(measured);
    if (refusal.status == PatternStatus::Scored) refusal = ErrorModelRefusal(model);
    const std::vector<RelativePeak> candidate = RelativePredicted(predicted);
    if (refusal.status == PatternStatus::Scored && candidate.empty()) {
        refusal = {PatternStatus::NoPredictedPeaks, "The candidate's pattern holds no peak to compare with."};
    }
    if (refusal.status != PatternStatus::Scored) {
        score.status = refusal.status;
        score.problem = std::move(refusal.problem);
        return score;
    }
    score.peaks = ComparePeaks(RelativeMeasured(measured), candidate, model);
    score.parts.mz = ScoreMzAroundOffset(score.peaks, model, score.mzOffsetPpm);
    AddUp(score);
    score.monoisotopicErrorPpm = MonoisotopicErrorPpm(candidate, score.peaks, model.noiseLevel);
    return score;
}

PatternRefusal CheckMeasuredPeaks(std::span<const MeasuredPeak> measured) {
    return MeasuredPeaksRefusal(measured);
}

PatternRefusal CheckErrorModel(const PatternErrorModel& model) { return ErrorModelRefusal(model); }

PatternRefusal CheckClusterOfCharge(std::span<const MeasuredPeak> measured, int charge) {
    Refusal refusal = MeasuredPeaksRefusal(measured);
    if (refusal.status != PatternStatus::Scored) return refusal;
    const std::vector<double> mzs = NominalPeakMzs(measured);
    const int z = std::abs(charge);
    if (z < 1 || AllFitCharge(mzs, z)) return refusal;
    return {PatternStatus::NotOneCluster,
            "The peaks are not one cluster of charge " + FormatInteger(z) +
                ": consecutive peaks must lie whole isotope spacings (about 1.003/" + FormatInteger(z) +
                ") apart, 1 to " + FormatInteger(kMaxNominalGap) + " of them."};
}

ChargeInference InferCharge(std::span<const MeasuredPeak> measured) {
    Refusal refusal = MeasuredPeaksRefusal(measured);
    if (refusal.status != PatternStatus::Scored) return {refusal.status, std::move(refusal.problem), 0};
    const std::vector<double> mzs = NominalPeakMzs(measured);
    if (mzs.size() < 2) {
        return {
            PatternStatus::ChargeNotInferable,
            "The charge cannot be inferred from one peak (or the fine structure of one): give the charge, or "
            "more peaks of the cluster.",
            0};
    }
    for (int z = 1; z <= kMaxInferredCharge; ++z) {
        if (AllFitCharge(mzs, z)) return {PatternStatus::Scored, {}, z};
    }
    return {PatternStatus::NotOneCluster, NotOneCluster(mzs), 0};
}

}  // namespace tarnevo::core

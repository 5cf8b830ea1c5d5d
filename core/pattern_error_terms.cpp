#include "core/pattern_error_terms.h"

#include <algorithm>
#include <cmath>

namespace tarnevo::core {

namespace {

constexpr double kPpm = 1e-6;

// Below this relative intensity a peak's m/z scatter grows no further.
constexpr double kSmallestScatterPeak = 0.01;

double ErrorPpm(const PeakComparison& line) {
    return (line.measuredMz - line.predictedMz) / line.predictedMz / kPpm;
}

double MzSigmaPpm(const PeakComparison& line, const PatternErrorModel& model) {
    if (model.mzIntensityPower <= 0.0) return model.mzPpm;
    const double relative = std::clamp(line.measuredRelative, kSmallestScatterPeak, 1.0);
    return model.mzPpm * std::pow(relative, -model.mzIntensityPower);
}

}  // namespace

double IntensitySigma(const PatternErrorModel& model, double relative) {
    const double proportional = model.intensityFraction * relative;
    const double large = model.intensityLargeFraction * relative * relative;
    return std::sqrt(proportional * proportional + model.intensityFloor * model.intensityFloor +
                     large * large);
}

double MatchReach(const PatternErrorModel& model) {
    return model.matchWindowSigmas * std::hypot(model.mzPpm, model.mzOffsetPpm) * kPpm;
}

double DeviationTerm(double deviation, double sigma, const PatternErrorModel& model) {
    const double z = deviation / sigma;
    if (model.tailDof <= 0.0) return -0.5 * z * z;
    const double dof = model.tailDof;
    return -0.5 * (dof + 1.0) * std::log1p(z * z / dof);
}

double ScoreMzAroundOffset(std::vector<PeakComparison>& lines, const PatternErrorModel& model,
                           double& offsetPpm) {
    offsetPpm = 0.0;
    if (model.mzOffsetPpm > 0.0) {
        // Weighted by each peak's precision 1 / sigma_i^2, the offset's
        // prior 1 / s^2 pulling towards 0.
        double weightedSum = 0.0;
        double weights = 1.0 / (model.mzOffsetPpm * model.mzOffsetPpm);
        for (const PeakComparison& line : lines) {
            if (line.outcome != PeakOutcome::Matched) continue;
            const double sigma = MzSigmaPpm(line, model);
            weightedSum += ErrorPpm(line) / (sigma * sigma);
            weights += 1.0 / (sigma * sigma);
        }
        offsetPpm = weightedSum / weights;
    }
    for (PeakComparison& line : lines) {
        if (line.outcome != PeakOutcome::Matched) continue;
        line.mzTerm = DeviationTerm(ErrorPpm(line) - offsetPpm, MzSigmaPpm(line, model), model);
    }
    if (model.mzOffsetPpm <= 0.0) return 0.0;
    const double z = offsetPpm / model.mzOffsetPpm;
    return -0.5 * z * z;
}

}  // namespace tarnevo::core

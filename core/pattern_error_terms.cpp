#include "core/pattern_error_terms.h"

#include <cmath>

namespace tarnevo::core {

namespace {

constexpr double kPpm = 1e-6;

double ErrorPpm(const PeakComparison& line) {
    return (line.measuredMz - line.predictedMz) / line.predictedMz / kPpm;
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
        double sum = 0.0;
        double count = 0.0;
        for (const PeakComparison& line : lines) {
            if (line.outcome != PeakOutcome::Matched) continue;
            sum += ErrorPpm(line);
            count += 1.0;
        }
        const double shrink = (model.mzPpm * model.mzPpm) / (model.mzOffsetPpm * model.mzOffsetPpm);
        offsetPpm = sum / (count + shrink);
    }
    for (PeakComparison& line : lines) {
        if (line.outcome != PeakOutcome::Matched) continue;
        line.mzTerm = DeviationTerm(ErrorPpm(line) - offsetPpm, model.mzPpm, model);
    }
    if (model.mzOffsetPpm <= 0.0) return 0.0;
    const double z = offsetPpm / model.mzOffsetPpm;
    return -0.5 * z * z;
}

}  // namespace tarnevo::core

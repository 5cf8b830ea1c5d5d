// The terms of the pattern score under an error model (core/pattern_score.h):
// the standard deviations of a peak's m/z and intensity, the log-likelihood of
// a deviation (Gaussian or heavy-tailed), and the m/z terms of the matched
// peaks around the spectrum's common calibration offset.
#pragma once

#include <vector>

#include "core/pattern_score.h"

namespace tarnevo::core {

// Standard deviation of a relative intensity a (fraction of the base peak):
// sqrt((f a)^2 + floor^2 + (large a^2)^2).
double IntensitySigma(const PatternErrorModel& model, double relative);

// The m/z a measured peak may lie from a predicted one and still be matched
// to it, as a fraction of the m/z: the window's sigmas of the offset and the
// scatter together.
double MatchReach(const PatternErrorModel& model);

// log of the deviation's density relative to its peak: -z^2 / 2, or with
// tails (tailDof v > 0) -(v + 1) / 2 x ln(1 + z^2 / v), z = deviation / sigma.
double DeviationTerm(double deviation, double sigma, const PatternErrorModel& model);

// Sets the m/z term of every matched line: each peak's error around the
// common offset that fits them best. The errors e_i (ppm) share an offset d,
// normal of mean 0 and deviation s = mzOffsetPpm, and each scatters around it
// with deviation sigma_i (mzPpm, or mzPpm x a_i^-p for a peak of relative
// intensity a_i); the likeliest d is sum(e_i / sigma_i^2) / (1 / s^2 +
// sum(1 / sigma_i^2)), and -(e_i - d)^2 / (2 sigma_i^2) summed with
// -d^2 / (2 s^2) equals the exponent of
// the errors' joint density with d integrated out: one common 3 ppm error costs
// what a 3 ppm offset costs, far less than errors that scatter by 3 ppm. With
// no offset (s = 0) d is 0 and each peak is scored alone. Returns the offset's
// own term; the offset found goes to offsetPpm.
double ScoreMzAroundOffset(std::vector<PeakComparison>& lines, const PatternErrorModel& model,
                           double& offsetPpm);

}  // namespace tarnevo::core

// How well a candidate ion's isotope pattern explains a measured one, and the
// charge that the spacing of measured peaks tells.
//
// The score is a log-likelihood of the measured peaks under an error model,
// given the candidate's resolved peaks (as the instrument would show them):
//  - each measured peak is matched to the nearest predicted peak within a
//    window of a few m/z standard deviations, one to one, nearest pairs first;
//  - a matched pair adds a Gaussian m/z term and a Gaussian intensity term;
//  - a predicted peak above the noise that was not measured adds the intensity
//    term of a measurement at the noise level, the most it could have been
//    while going unseen;
//  - a measured peak that no predicted peak explains adds the intensity term
//    of its excess over the noise level, the most the candidate could hide
//    there.
// Intensities are compared relative to the base peak on each side (1 = base),
// so the measured intensities may be on any scale. Each term is the log of a
// Gaussian's density relative to its peak, -z^2 / 2 with z the deviation in
// standard deviations: a perfect match scores 0 and every other score is
// negative. The densities' normalising constants are left out on purpose: the
// intensity error grows with the peak, and with them a candidate would gain
// merely by predicting small peaks (a narrower Gaussian is taller).
//
// The "pattern match" a user reads is 100 x exp(score / n), n the number of
// comparisons (two per matched peak, one per missing or unexplained peak): the
// geometric mean of the comparisons' likelihoods relative to a perfect match,
// in percent. A perfect match reads 100; a pattern whose every m/z and
// intensity lies one standard deviation off reads 61 (e^-0.5), two off 14.
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/resolving_power.h"

namespace tarnevo::core {

// A measured cluster holds 1 to 30 peaks.
inline constexpr std::size_t kMaxMeasuredPeaks = 30;
// The charges the spacing of the peaks is read for: |z| 1 to 4. With more,
// spacings of different charges start to fit one charge with gaps: half and
// third steps fit z = 6 as three and two steps.
inline constexpr int kMaxInferredCharge = 4;

struct MeasuredPeak {
    double mz = 0.0;
    double intensity = 0.0;  // on any scale: only the ratios count
};

// The spread of a measurement. Intensities are fractions of the base peak.
// The intensity standard deviation of a peak of relative intensity a is
// sqrt((intensityFraction x a)^2 + intensityFloor^2): a few percent of a large
// peak, and never less than the floor for a small one (ion statistics and
// baseline noise). For a = 0.03: sqrt(0.0015^2 + 0.005^2) = 0.00522.
//
// The defaults are a pure Gaussian model of independent peaks; the models of
// real analysers (core/instrument_error_model.h) add what real spectra show:
//  - a calibration offset common to the spectrum's peaks, of standard
//    deviation mzOffsetPpm: the m/z terms score each peak's error around the
//    offset that fits the cluster best, and that offset against its own
//    spread (see core/pattern_error_terms.h);
//  - heavy tails: with tailDof > 0 each deviation of z standard deviations
//    costs a Student t's -(v + 1) / 2 x ln(1 + z^2 / v) instead of -z^2 / 2,
//    so that a peak 30 % off on a TOF costs little more than one 15 % off;
//  - a bounded cost of a missing peak: at most missingCap within the measured
//    cluster, at most missingBeyondCap beyond its last peak (where a cluster
//    given is often cut).
// The intensity deviation also grows for the largest peaks, as a detector
// saturates: intensityLargeFraction x a^2 added in quadrature.
struct PatternErrorModel {
    double mzPpm = 2.0;               // standard deviation of a peak's m/z, ppm of the m/z
    double intensityFraction = 0.05;  // part of the intensity deviation proportional to the peak
    double intensityFloor = 0.005;    // the absolute part, fraction of the base peak
    double noiseLevel = 0.01;         // fraction of the base peak below which peaks go unmeasured
    double matchWindowSigmas = 4.0;   // a measured peak matches predicted ones this many m/z sigmas away
    double mzOffsetPpm = 0.0;         // standard deviation of the spectrum's common offset, ppm; 0: none
    // A peak's m/z scatter as mzPpm x a^-p for a peak of relative intensity a
    // (a centroid is as precise as its ions are many: p = 1/2); 0: the same for all.
    double mzIntensityPower = 0.0;
    double intensityLargeFraction = 0.0;  // growth of the intensity deviation for the largest peaks
    double tailDof = 0.0;                 // degrees of freedom of the t tails; 0: Gaussian
    double missingCap = std::numeric_limits<double>::infinity();        // most a missing peak costs
    double missingBeyondCap = std::numeric_limits<double>::infinity();  // beyond the last measured peak
};

// Why peaks or a model were refused; every refusal comes with a sentence for
// the user in the result's problem.
enum class PatternStatus {
    Scored,                // a score (or a charge) was computed
    NoPeaks,               // the measured list is empty
    TooManyPeaks,          // more than kMaxMeasuredPeaks
    NonPositiveMz,         // an m/z not a number greater than 0
    NonPositiveIntensity,  // an intensity not a number greater than 0
    NotOneCluster,         // the spacings fit no charge (or no common one)
    ChargeNotInferable,    // a single peak (or one nominal peak's fine structure): no spacing to read
    NoPredictedPeaks,      // the candidate's pattern holds no peak of positive abundance
    InvalidErrorModel,     // a deviation, noise level or window out of range
};

enum class PeakOutcome {
    Matched,      // a measured peak and the predicted peak it was matched to
    Missing,      // a predicted peak above the noise that was not measured
    Unexplained,  // a measured peak that no predicted peak explains
};

// One line of the peak-by-peak comparison. Relative intensities are fractions
// of each side's base peak; the m/z and intensity of the absent side are 0.
struct PeakComparison {
    PeakOutcome outcome = PeakOutcome::Matched;
    double measuredMz = 0.0;
    double measuredRelative = 0.0;
    double predictedMz = 0.0;
    double predictedRelative = 0.0;
    double mzTerm = 0.0;         // log-likelihood of the m/z deviation, matched peaks only
    double intensityTerm = 0.0;  // log-likelihood of the intensity deviation
};

// The score's parts, each a sum of terms <= 0.
struct PatternScoreParts {
    double mz = 0.0;           // matched peaks' m/z
    double intensity = 0.0;    // matched peaks' intensities
    double missing = 0.0;      // predicted peaks above the noise, not measured
    double unexplained = 0.0;  // measured peaks no predicted peak explains
};

struct PatternScore {
    PatternStatus status = PatternStatus::Scored;
    std::string problem;  // the refusal for the user; empty when scored
    double logLikelihood = 0.0;
    PatternScoreParts parts;
    int comparisonCount = 0;    // n of the pattern match
    double patternMatch = 0.0;  // 0-100
    // (measured - predicted) / predicted of the monoisotopic peak, ppm: the
    // predicted peak lowest in m/z above the noise and the measured peak
    // matched to it; none when that peak went unmeasured.
    std::optional<double> monoisotopicErrorPpm;
    // The calibration offset common to the matched peaks that the m/z terms
    // assumed, ppm; 0 when the model has none.
    double mzOffsetPpm = 0.0;
    std::vector<PeakComparison>
        peaks;  // in m/z order; predicted peaks below the noise left out unless matched
};

// The score of a candidate's predicted peaks (m/z and abundance, any scale, as
// ResolvePattern gives them; peaks of no positive finite abundance or m/z are
// ignored) against the measured peaks (in any order).
PatternScore ScorePattern(std::span<const MeasuredPeak> measured, std::span<const ResolvedPeak> predicted,
                          const PatternErrorModel& model = {});

// Why measured peaks or an error model cannot be scored: status Scored and
// no problem when they can.
struct PatternRefusal {
    PatternStatus status = PatternStatus::Scored;
    std::string problem;
};

// The checks ScorePattern makes before it compares: 1 to kMaxMeasuredPeaks
// peaks of positive m/z and intensity; an error model within its ranges.
PatternRefusal CheckMeasuredPeaks(std::span<const MeasuredPeak> measured);
PatternRefusal CheckErrorModel(const PatternErrorModel& model);

// The peaks with each intensity a fraction of the largest (which becomes 1):
// intensities are on any scale, and sums of them, or of m/z times them,
// overflow at the top of the doubles' range (1e308) and lose digits near its
// bottom; every sum over measured intensities is taken of these instead.
std::vector<MeasuredPeak> ScaledToLargest(std::span<const MeasuredPeak> measured);

// Whether the peaks are one cluster at the charge given (|z|): every spacing
// of nominal peaks a whole number of isotope steps of 1/|z|, 1 to
// kMaxNominalGap of them. Refuses the peaks as CheckMeasuredPeaks does, and
// with NotOneCluster otherwise.
PatternRefusal CheckClusterOfCharge(std::span<const MeasuredPeak> measured, int charge);

struct ChargeInference {
    PatternStatus status = PatternStatus::Scored;
    std::string problem;  // the refusal for the user; empty when inferred
    int charge = 0;       // |z|, 1 to kMaxInferredCharge; 0 when refused
};

// |z| from the spacing of neighbouring peaks: consecutive isotope peaks lie
// about 1.003/|z| apart on the m/z scale (1.00336 for 13C, 0.99704 for 15N,
// 0.99853 a step for 37Cl). Peaks closer than kSameNominalPeak are one nominal
// peak's fine structure and read as one. Every spacing must be a whole number
// of steps, 1 to kMaxNominalGap, for the same charge; the smallest such charge
// is taken (A+0 and A+2 alone read as z = 1 whatever their charge).
inline constexpr double kSameNominalPeak = 0.1;
inline constexpr int kMaxNominalGap = 4;
ChargeInference InferCharge(std::span<const MeasuredPeak> measured);

}  // namespace tarnevo::core

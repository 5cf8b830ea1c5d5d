// What the measured peaks, gathered into nominal peaks, tell the search before
// any candidate is scored: the largest [A+1] / [A+0] and [A+2] / [A+0] the
// error model allows, and from them the most atoms of each element an ion can
// hold.
//
// Relative to [A+0], [A+1] is exactly the sum over its atoms of p1 / p0 (each
// element's isotope one unit heavier against its lightest: 0.0108 for C,
// 0.0037 for N), and [A+2] at least the sum of p2 / p0 (0.320 for Cl, 0.973
// for Br, 0.045 for S), every other way to reach it adding more. An ion whose
// carbon alone would make [A+1] larger than measured, or whose chlorine
// [A+2], cannot explain the peaks. The bounds narrow the search only where
// the error model makes it practically certain (see BoundSigmas), and only
// from a nominal peak that was measured: a peak missing between measured ones
// (an [A+1] the peak picking dropped beside a chlorine's [A+2]) bounds
// nothing, and a peak beyond the last measured tells nothing either.
#pragma once

#include <optional>
#include <vector>

#include "core/element_table.h"
#include "core/ion_type_search.h"
#include "core/pattern_score.h"

namespace tarnevo::core {

// The nominal peak a measured peak belongs to: its distance from the
// monoisotopic peak in isotope steps of about 1.003 / |z|.
inline constexpr double kIsotopeStep = 1.0013;

// The measured peaks gathered by nominal peak: each group's intensities
// summed at their weighted mean m/z. Nominal peaks [A+0] .. [A+lastShift].
struct NominalPeaks {
    std::vector<MeasuredPeak> peaks;
    std::vector<double> intensityByShift;  // summed intensity of [A+n], 0 where none was measured
    int lastShift = 0;
};

NominalPeaks GatherNominal(const std::vector<MeasuredPeak>& measured, double monoisotopicMz, int charge);

// The deviations of the measured intensities a bound allows: 4 of a Gaussian
// model, as before models had tails; 8 of a heavy-tailed one, whose spread
// already holds the 15-30 % errors of TOF intensities (a t of 3 degrees of
// freedom lies beyond 8 in 0.4 % of peaks; each bound needs a peak that far
// off in the one direction that hides the truth).
double BoundSigmas(const PatternErrorModel& model);

struct RatioBounds {
    std::optional<double> plusOne;  // the largest [A+1] / [A+0] the peaks allow
    std::optional<double> plusTwo;  // the largest [A+2] / [A+0]
};

RatioBounds MeasuredRatioBounds(const NominalPeaks& nominal, const PatternErrorModel& model);

// Each row's maximum lowered to what the bounds allow for k molecules in the
// ion; false when a row is left no count at all.
bool BoundByPattern(const ElementTable& table, MoleculeRows& rows, const RatioBounds& bounds,
                    int moleculeCount);

}  // namespace tarnevo::core

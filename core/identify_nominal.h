// The first comparison of an identification's candidates, at the level of
// nominal peaks, and the bounds the measured [A+1] and [A+2] set on the atoms
// of an ion.
//
// Scoring a candidate from its fine structure costs tens of microseconds, and
// a window of 5 ppm at m/z 800 holds a few thousand formulae that pass the
// filters. Each is first compared at the level of nominal peaks, from the
// mean and abundance of each (core/peak_moments.h, a few microseconds),
// against the measured peaks gathered into nominal peaks the same way: what
// no resolving power changes. Only the best of that comparison are scored
// from their fine structure as the instrument shows it.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "core/element_table.h"
#include "core/formula_parser.h"
#include "core/ion_type_search.h"
#include "core/pattern_score.h"
#include "core/peak_moments.h"
#include "core/resolving_power.h"

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

// measured: intensities as fractions of the largest (ScaledToLargest), whose
// sums cannot overflow.
NominalPeaks GatherNominal(const std::vector<MeasuredPeak>& measured, double monoisotopicMz, int charge);

// The nominal peaks of count atoms of each element, as the candidates of one
// identification meet them again and again (C55 in a thousand formulae).
class ElementMomentsCache {
public:
    ElementMomentsCache(const ElementTable& table, int lastShift) : table_(table), lastShift_(lastShift) {}

    const MomentDistribution& Of(int element, std::uint32_t count) {
        const std::uint64_t key = static_cast<std::uint64_t>(element) << 32U | count;
        auto found = cache_.find(key);
        if (found == cache_.end()) {
            found = cache_.emplace(key, ElementMoments(table_, element, count, lastShift_)).first;
        }
        return found->second;
    }

    int LastShift() const { return lastShift_; }

private:
    const ElementTable& table_;
    int lastShift_;
    std::unordered_map<std::uint64_t, MomentDistribution> cache_;
};

// The candidate's nominal peaks, [A+0] to two beyond the last measured one
// (where a predicted peak the measurement lacks would show).
std::vector<ResolvedPeak> NominalPattern(const ElementTable& table, ElementMomentsCache& moments,
                                         const ParsedFormula& ion, int charge);

// The [A+1] and [A+2] of an ion bound the atoms it can hold: relative to
// [A+0], [A+1] is exactly the sum over its atoms of p1 / p0 (each element's
// isotope one unit heavier against its lightest: 0.0108 for C, 0.0037 for N),
// and [A+2] at least the sum of p2 / p0 (0.320 for Cl, 0.973 for Br, 0.045
// for S), every other way to reach it adding more. An ion whose carbon alone
// would make [A+1] larger than measured, or whose chlorine [A+2], cannot
// explain the peaks. The measured ratio is taken at its largest within
// BoundSigmas standard deviations of each intensity under the error model,
// so that only candidates whose score would fall far below a true one's are
// never listed; the bound holds only for a nominal peak that was measured: a
// peak missing between measured ones (an [A+1] the peak picking dropped
// beside a chlorine's [A+2]) bounds nothing, nor does one beyond the last.
//
// The deviations a bound allows: 4 of a Gaussian model; 8 of a heavy-tailed
// one (core/instrument_error_model.h), whose spread already holds the 15-30 %
// errors of TOF intensities (a t of 3 degrees of freedom lies beyond 8 in
// 0.4 % of peaks, and a bound needs the one direction that hides the truth).
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

#include "core/cluster_merge.h"

#include <cfenv>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "core/cluster_binomial.h"
#include "core/cluster_merge_kernels.h"
#include "core/cluster_merge_plan.h"

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace tarnevo::core::convolution {

namespace {

// The kernels' working memory, in the precision they run in: two tables over
// (heavy atoms, shift), their two moment tables, two lines of powers with their
// moments, and the six lines of the collapse.
constexpr std::size_t kKernelCells = 4 * kTableCells + 10 * std::size_t{kPeakCount};

constexpr int kOutOfRange = INT_MIN;

// Watches a stretch of double arithmetic: clears the floating-point flags on entry
// and tells afterwards whether any result underflowed, overflowed or was invalid.
// Subnormal results are flushed to zero meanwhile (a flushed result still raises
// the underflow flag), so that a stretch bound to be redone in extended precision
// does not first crawl through slow subnormal arithmetic. Restores the caller's
// flags and modes.
class DoubleRangeWatch {
public:
    DoubleRangeWatch() {
        std::fegetexceptflag(&savedFlags_, FE_ALL_EXCEPT);
        std::feclearexcept(FE_ALL_EXCEPT);
#if defined(__SSE2__)
        savedControl_ = _mm_getcsr();
        _mm_setcsr(savedControl_ | kFlushToZero | kDenormalsAreZero);
#endif
    }
    ~DoubleRangeWatch() {
#if defined(__SSE2__)
        _mm_setcsr(savedControl_);
#endif
        std::fesetexceptflag(&savedFlags_, FE_ALL_EXCEPT);
    }
    DoubleRangeWatch(const DoubleRangeWatch&) = delete;
    DoubleRangeWatch& operator=(const DoubleRangeWatch&) = delete;

    static bool StayedInRange() { return std::fetestexcept(FE_UNDERFLOW | FE_OVERFLOW | FE_INVALID) == 0; }

private:
#if defined(__SSE2__)
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned savedControl_ = 0;
#endif
    std::fexcept_t savedFlags_{};
};

// Whether a scaled weight of the extended merge, the last resort, may be taken
// as 0: one below the normal extended range while the table's cells stay near 1
// (shift small). The unit's largest weight is about 1, so what such a weight
// adds lies more than 2^-16000 below the largest result, far under anything
// shown. Giving up instead would report the whole cluster beyond range: the
// binomial row of C257 with a heavy FA of 1e-53 reaches 1e-13000 and passes
// through the subnormal band on its way down.
bool NegligibleInExtended(Extended scaledValue, int shift) {
    constexpr int kSmallShift = 256;
    return std::fabs(scaledValue) < LDBL_MIN && shift < kSmallShift;
}

// Whether the merge is worth trying in double: every weight of every unit and
// the smallest share raised to the unit's heavy atoms stay well within the
// double range. Only spares a double attempt that would be redone anyway; the
// floating-point flags decide.
bool DoubleLikelyFits(const UnitSet& units) {
    constexpr Extended kLog2Floor = DBL_MIN_EXP + 64;
    // The weights are compared with the floor itself: a logarithm each cost
    // more than the rest of an ordinary ion's merge.
    const Extended floor = std::ldexp(1.0L, static_cast<int>(kLog2Floor));
    for (int u = 0; u < units.count; ++u) {
        const Unit& unit = units.units[u];
        for (int j = 0; j <= unit.top; ++j) {
            if (unit.weight[j] > 0 && unit.weight[j] < floor) return false;
        }
        for (int i = 0; i < unit.isotopeCount; ++i) {
            if (unit.share[i] > 0 && unit.top * std::log2(unit.share[i]) < kLog2Floor) return false;
        }
    }
    return true;
}

// The unit's weights and moment weights times 2^-shift, for merging into a table
// whose largest cell is about 2^shift: keeps every result near 1 whatever the
// range. False when a weight does not fit Real as a normal number (denormals
// would be flushed unnoticed), except for the negligible ones of the extended
// merge (see NegligibleInExtended).
template <typename Real>
bool ScaleUnit(const Unit& unit, int shift, MergeUnit<Real>& scaled) {
    scaled.top = unit.top;
    scaled.isotopeCount = unit.isotopeCount;
    scaled.minDelta = unit.minDelta;
    scaled.maxDelta = unit.maxDelta;
    bool fits = true;
    const auto convert = [&fits, shift](Extended value) {
        const Real converted = static_cast<Real>(value);
        if (value == 0 || (std::isnormal(converted) && std::isfinite(converted))) return converted;
        if (std::is_same_v<Real, Extended> && NegligibleInExtended(value, shift)) return Real{0};
        fits = false;
        return converted;
    };
    for (int j = 0; j <= unit.top; ++j) {
        scaled.weight[j] = convert(std::ldexp(unit.weight[j], -shift));
        scaled.moment[j] = convert(std::ldexp(unit.momentWeight[j], -shift));
    }
    for (int i = 0; i < unit.isotopeCount; ++i) {
        scaled.share[i] = convert(unit.share[i]);
        scaled.shareDefect[i] = convert(unit.shareDefect[i]);
        scaled.delta[i] = unit.delta[i];
    }
    return fits;
}

// The merge of the units, in the order planned, in the precision Real.
class UnitMerge {
public:
    UnitMerge(const UnitSet& units, const std::array<int, kMaxPolyElements>& order, int passes)
        : units_(units), order_(order), passes_(passes) {}

    // On the kernel memory `memory` (kKernelCells values). Returns the peaks'
    // binary exponent, or kOutOfRange when a weight does not fit Real.
    template <typename Real>
    int Run(Real* memory, MergedPeaks& merged) const {
        std::array<Table<Real>, 2> tables;
        tables[0].cells = memory;
        tables[1].cells = memory + kTableCells;
        tables[0].moments = memory + 2 * kTableCells;
        tables[1].moments = memory + 3 * kTableCells;
        Real* lines = memory + 4 * kTableCells;
        Table<Real>* current = &tables[0];
        Table<Real>* spare = &tables[1];
        MergeUnit<Real> scaled;
        if (units_.count == 1) {
            current->top = 0;
            current->Row(0)[0] = 1;
            current->MomentRow(0)[0] = 0;
        } else if (!MergeAllButLast(lines, current, spare, scaled)) {
            return kOutOfRange;
        }
        const Unit& last = UnitAt(units_.count - 1);
        const int shift = LargestExponent(*current);
        if (!ScaleUnit(last, shift, scaled)) return kOutOfRange;
        std::array<Real, kPeakCount> peakLine;
        std::array<Real, kPeakCount> momentLine;
        CollapseToPeaks(*current, scaled, passes_, lines + 4 * kPeakCount, peakLine.data(),
                        momentLine.data());
        std::copy(peakLine.begin(), peakLine.end(), merged.peaks.begin());
        std::copy(momentLine.begin(), momentLine.end(), merged.moments.begin());
        return current->exponent + shift + last.exponent;
    }

private:
    const Unit& UnitAt(int position) const { return units_.units[order_[position]]; }

    // The first unit's table, merged with every further unit but the last, which
    // the collapse to peaks takes; `current` ends on the result.
    template <typename Real>
    bool MergeAllButLast(Real* lines, Table<Real>*& current, Table<Real>*& spare,
                         MergeUnit<Real>& scaled) const {
        const Unit& first = UnitAt(0);
        if (!ScaleUnit(first, 0, scaled)) return false;
        BuildFirstTable(scaled, lines, lines + 2 * kPeakCount, *current);
        current->exponent = first.exponent;
        for (int i = 1; i + 1 < units_.count; ++i) {
            const Unit& unit = UnitAt(i);
            const int shift = LargestExponent(*current);
            if (!ScaleUnit(unit, shift, scaled)) return false;
            if (unit.isotopeCount == 1) {
                MergeDiagonal(*current, scaled, passes_, *spare);
            } else {
                MergeByHorner(*current, scaled, passes_, *spare);
            }
            spare->exponent = current->exponent + shift + unit.exponent;
            std::swap(current, spare);
        }
        return true;
    }

    const UnitSet& units_;
    const std::array<int, kMaxPolyElements>& order_;
    int passes_;
};

}  // namespace

MergedPeaks MergePeaks(const UnitSet& units, int passes, ConvolutionMemory& memory) {
    MergedPeaks merged;
    if (units.count == 0) {
        merged.peaks[0] = 0.5L;  // no atoms at all: the empty composition, probability 1
        merged.exponent = 1;
        return merged;
    }
    std::array<UnitShape, kMaxPolyElements> shapes{};
    for (int u = 0; u < units.count; ++u) {
        const Unit& unit = units.units[u];
        shapes[u] = {unit.top, unit.isotopeCount, unit.minDelta, unit.maxDelta};
    }
    std::array<int, kMaxPolyElements> order{};
    PlanMergeOrder(shapes.data(), units.count, passes, order.data());
    const UnitMerge merge(units, order, passes);
    if (memory.convolutionTables.size() != kKernelCells) memory.convolutionTables.assign(kKernelCells, 0.0);
    if (DoubleLikelyFits(units)) {
        DoubleRangeWatch watch;
        merged.exponent = merge.Run(memory.convolutionTables.data(), merged);
        if (merged.exponent != kOutOfRange && watch.StayedInRange()) return merged;
    }
    if (memory.convolutionExtendedTables.size() != kKernelCells) {
        memory.convolutionExtendedTables.assign(kKernelCells, 0.0L);
    }
    merged.exponent = merge.Run(memory.convolutionExtendedTables.data(), merged);
    return merged;
}

namespace {

// One past the last shift whose peak or moment is not zero. The merge reaches
// only the shifts its passes can make, a few dozen for an ordinary ion; the
// rest of the 320 stay zero, and need neither a look for the largest nor a scale.
int ShiftsReached(const MergedPeaks& merged) {
    int end = kPeakCount;
    while (end > 1 && merged.peaks[end - 1] == 0 && merged.moments[end - 1] == 0) --end;
    return end;
}

}  // namespace

void StorePeaks(const MergedPeaks& merged, const PassSums& sums, ClusterPeaks& peaks) {
    const int reached = ShiftsReached(merged);
    const Extended largest = *std::max_element(merged.peaks.begin(), merged.peaks.begin() + reached);
    const int largestExponent = largest > 0 ? merged.exponent + ExponentOf(largest) : INT_MIN;
    peaks.underflow = largestExponent < DBL_MIN_EXP;  // largest below 2^-1022
    peaks.peakExponent = peaks.underflow && largest > 0 ? largestExponent : 0;
    const int scale = merged.exponent - peaks.peakExponent;
    // Multiplying by 2^scale rounds exactly as ldexp does (both give the exact
    // product correctly rounded) whenever 2^scale is itself an extended number,
    // and costs a fraction of an ldexp call.
    constexpr int kLargestScale = LDBL_MAX_EXP - 1;
    constexpr int kSmallestScale = LDBL_MIN_EXP - 1;
    if (scale >= kSmallestScale && scale <= kLargestScale) {
        const Extended factor = std::ldexp(1.0L, scale);
        for (int s = 0; s < reached; ++s) {
            peaks.peakSum[s] = merged.peaks[s] * factor;
            peaks.peakDefectMoment[s] = merged.moments[s] * factor;
        }
    } else {
        for (int s = 0; s < reached; ++s) {
            peaks.peakSum[s] = std::ldexp(merged.peaks[s], scale);
            peaks.peakDefectMoment[s] = std::ldexp(merged.moments[s], scale);
        }
    }
    std::fill(peaks.peakSum.begin() + reached, peaks.peakSum.end(), 0.0L);
    std::fill(peaks.peakDefectMoment.begin() + reached, peaks.peakDefectMoment.end(), 0.0L);
    peaks.cumulativeFA = std::ldexp(sums.cumulative, sums.passExponent - peaks.peakExponent);
}

void LeavePeaksOut(const PassSums& sums, ClusterPeaks& peaks) {
    peaks.peakSum.fill(0.0L);
    peaks.peakDefectMoment.fill(0.0L);
    peaks.underflow = true;
    peaks.peakExponent =
        sums.belowOverflowBound > 0 ? ExponentOf(sums.belowOverflowBound) + sums.passExponent : 0;
    peaks.cumulativeFA = std::ldexp(sums.cumulative, sums.passExponent - peaks.peakExponent);
    peaks.lastPeakIndex = 0;
    peaks.peakOverflow = false;
}

}  // namespace tarnevo::core::convolution

#include "core/cluster_convolution.h"

#include <cfenv>

#include <algorithm>
#include <array>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstddef>
#include <functional>
#include <type_traits>
#include <utility>

#include "core/cluster_binomial.h"
#include "core/cluster_merge_kernels.h"
#include "core/cluster_merge_plan.h"
#include "core/cluster_reach.h"
#include "core/cluster_stop.h"

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace tarnevo::core {

namespace {

using convolution::kLastShift;
using convolution::kMaxPasses;

using convolution::kRowCount;
using convolution::kTableCells;
using convolution::MergeUnit;
using convolution::Table;

// Largest delta the route takes; the element table's are 1 .. 25.
constexpr int kLargestDelta = 32;
constexpr std::size_t kLineCells = kRowCount;
// The kernels' working memory, in the precision they run in: two tables over
// (heavy atoms, shift), their two moment tables, two lines of powers with their
// moments, and the six lines of the collapse.
constexpr std::size_t kKernelCells = 4 * kTableCells + 10 * std::size_t{kPeakCount};
// Extended scratch: one binomial row per element, one line per element (pass-sum
// stages, later the group weights), one moment line per group, and a line of zeros.
constexpr std::size_t kBinomialOffset = 0;
constexpr std::size_t kLineOffset = kBinomialOffset + kMaxPolyElements * kLineCells;
constexpr std::size_t kMomentLineOffset = kLineOffset + kMaxPolyElements * kLineCells;
constexpr std::size_t kZeroLineOffset = kMomentLineOffset + kMaxPolyElements * kLineCells;
constexpr std::size_t kScratchCells = kZeroLineOffset + kLineCells;

using convolution::ExponentOf;
using convolution::FillBinomialRow;
using convolution::kSafeLog2;
using convolution::NextBinomialTerm;
using convolution::Normalize;
using convolution::PlanMergeOrder;
using convolution::Scaled;
using convolution::ScaledPower;
using convolution::UnitShape;
// Ions that can visit at most this many compositions are enumerated: on them the
// enumeration takes a few microseconds, no more than the convolution.
constexpr double kEnumerationLimit = 2000;

using ShiftLine = std::array<Extended, kPeakCount>;

struct ElementRun {
    int atoms = 0;
    int heavyCount = 0;
    int firstSlot = 0;
    Extended light = 0;
    Extended heavy = 0;  // sum of the heavy FAs
    int minDelta = 0;
    int maxDelta = 0;
    int rowTop = 0;       // binomial row entries 0 .. rowTop at most
    int filledTop = -1;   // entries 0 .. filledTop are filled
    Extended growth = 0;  // heavy / light: b(h + 1) = b(h) (atoms - h) / (h + 1) x growth
    Extended* binomial = nullptr;
    int binomialExponent = 0;
};

// Largest power of two by which b(h) / b(0) = C(N, h) (q / p0)^h may exceed 1 in a
// row with a lazily filled tail; (N q / p0)^h bounds it. Natural data stay below
// 11000 (20000 helium atoms: 320 x log2(20000 / 1.3e-6)).
constexpr Extended kLazyRowGrowthLog2 = 15000;

// One step of the convolution: an element with several heavy isotopes, or all
// elements with a single heavy isotope of the same delta, their binomials
// convolved (for a protein: carbon, hydrogen and nitrogen together, each heavy
// atom adding 1 to the shift).
//
// Beside each probability the route carries its mass-defect moment: the sum of
// probability x (sum of the heavy atoms' defects) over the compositions counted
// there. An element's heavy atom of isotope i adds its defect d_i through the
// share u_i; a group's atoms all add 1 to the shift but not the same defect
// (13C 0.00335 u, 2H 0.00628 u), so a group carries the moment of its j heavy
// atoms in momentWeight(j) instead.
struct Unit {
    int top = 0;                             // most heavy atoms it takes within the passes run
    const Extended* weight = nullptr;        // probability of j heavy atoms, x 2^-exponent
    const Extended* momentWeight = nullptr;  // their defect moment, same scale
    int exponent = 0;
    int isotopeCount = 0;
    const Extended* share = nullptr;        // heavy-isotope distribution u_i
    const Extended* shareDefect = nullptr;  // u_i x d_i
    const int* delta = nullptr;
    int minDelta = 0;
    int maxDelta = 0;
};

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

class ConvolutionRoute {
public:
    explicit ConvolutionRoute(ClusterWorkspace& ws) : ws_(ws) {}

    void Run(int passLimit, double stopFA, BelowDoubleRange belowDoubleRange) {
        if (ws_.convolutionScratch.size() != kScratchCells)
            ws_.convolutionScratch.assign(kScratchCells, 0.0L);
        DescribeElements();
        const int lastPass = passLimit < 1 ? 0 : std::min({passLimit, kMaxPasses, totalAtoms_});
        for (int e = 0; e < elementCount_; ++e) StartBinomialRow(elements_[e], lastPass);
        const int passes = RunPasses(lastPass, stopFA);
        ws_.passCount = passes;
        if (belowDoubleRange == BelowDoubleRange::Refuse && PeaksCertainlyBelowDoubleRange()) {
            LeavePeaksOut();
            return;
        }
        ShiftLine peaks{};
        ShiftLine moments{};
        const int peakExponent = ComputePeaks(passes, peaks, moments);
        StoreResults(peaks, moments, peakExponent);
        MarkVisitedShifts(passes);
    }

private:
    Extended* Scratch(std::size_t offset) { return ws_.convolutionScratch.data() + offset; }
    Extended* Line(int index) { return Scratch(kLineOffset + index * kLineCells); }
    Extended* MomentLine(int index) { return Scratch(kMomentLineOffset + index * kLineCells); }

    void DescribeElements() {
        elementCount_ = ws_.polyElementCount;
        totalAtoms_ = 0;
        largestDelta_ = 1;
        for (int e = 0; e < elementCount_; ++e) {
            ElementRun& run = elements_[e];
            run.atoms = std::max(0, ws_.orderedCount[e]);
            run.heavyCount = ws_.orderedHeavyCount[e];
            run.firstSlot = ws_.firstSlot[e];
            const double* fa = &ws_.workFA[ws_.firstFAEntry[e]];
            const int* delta = &ws_.workDelta[run.firstSlot];
            run.light = fa[0];
            run.heavy = 0;
            for (int i = 1; i <= run.heavyCount; ++i) run.heavy += fa[i];
            run.minDelta = *std::min_element(delta, delta + run.heavyCount);
            run.maxDelta = *std::max_element(delta, delta + run.heavyCount);
            for (int i = 0; i < run.heavyCount; ++i) {
                const int slot = run.firstSlot + i;
                share_[slot] = run.heavy > 0 ? fa[i + 1] / run.heavy : 0.0L;
                shareDefect_[slot] = share_[slot] * static_cast<Extended>(ws_.workDefect[slot]);
            }
            run.binomial = Scratch(kBinomialOffset + e * kLineCells);
            totalAtoms_ += run.atoms;
            if (run.atoms > 0) largestDelta_ = std::max(largestDelta_, run.maxDelta);
        }
    }

    // The binomial row of an element is filled only as far as the passes reach:
    // scaled so that b(0) lies in [0.5, 1), the others follow by ratios. A row that
    // could leave the extended range that way (a lightest FA of 0, or absurdly
    // small) is filled at once and scaled by its largest entry instead.
    static void StartBinomialRow(ElementRun& run, int lastPass) {
        run.rowTop = std::min(run.atoms, lastPass);
        const bool steep =
            run.light <= 0 ||
            run.rowTop * std::log2(std::max(1.0L, run.atoms * run.heavy / run.light)) > kLazyRowGrowthLog2;
        if (steep) {
            run.binomialExponent = FillBinomialRow(run.atoms, run.light, run.heavy, run.rowTop, run.binomial);
            run.filledTop = run.rowTop;
            return;
        }
        const Scaled first = ScaledPower(run.light, run.atoms);
        const int shift = ExponentOf(first.mantissa);
        run.binomial[0] = std::ldexp(first.mantissa, -shift);
        run.binomialExponent = first.exponent + shift;
        run.growth = run.heavy / run.light;
        run.filledTop = 0;
    }

    static void FillBinomialRowTo(ElementRun& run, int top) {
        top = std::min(top, run.rowTop);
        Extended* row = run.binomial;
        for (int h = run.filledTop; h < top; ++h) {
            row[h + 1] = NextBinomialTerm(row[h], run.atoms, h, run.growth);
        }
        run.filledTop = std::max(run.filledTop, top);
    }

    // Probability of exactly r heavy atoms in the ion (x 2^-passExponent_): column r
    // of the running convolution of the elements' binomial rows. Called for
    // r = 0, 1, 2, ... in turn; stage e holds elements 0 .. e convolved.
    Extended PassSum(int r) {
        for (int e = 0; e < elementCount_; ++e) FillBinomialRowTo(elements_[e], r);
        const ElementRun& first = elements_[0];
        Extended value = r <= first.rowTop ? first.binomial[r] : 0.0L;
        int reach = first.rowTop;
        for (int e = 1; e < elementCount_; ++e) {
            const ElementRun& run = elements_[e];
            const Extended* previous = e == 1 ? first.binomial : Line(e - 1);
            const int jLow = std::max(0, r - reach);
            const int jHigh = std::min(r, run.rowTop);
            Extended sum = 0;
            for (int j = jLow; j <= jHigh; ++j) sum += previous[r - j] * run.binomial[j];
            Line(e)[r] = sum;
            value = sum;
            reach += run.rowTop;
        }
        return value;
    }

    // The passes and the stop test as the enumeration runs them: pass 0 always,
    // then passes 1 .. lastPass until the cumulative FA rounded to double exceeds
    // stopFA. Returns the last pass run.
    int RunPasses(int lastPass, double stopFA) {
        passExponent_ = 0;
        for (int e = 0; e < elementCount_; ++e) passExponent_ += elements_[e].binomialExponent;
        // A composition below [A+320] has at most 319 / (smallest delta) heavy atoms.
        int smallestDelta = kLargestDelta;
        for (int e = 0; e < elementCount_; ++e) {
            if (elements_[e].atoms > 0) smallestDelta = std::min(smallestDelta, elements_[e].minDelta);
        }
        const int mostHeavyBelowOverflow = kLastShift / smallestDelta;
        Extended cumulative = PassSum(0);
        belowOverflowBound_ = cumulative;
        int pass = 0;
        while (pass < lastPass) {
            ++pass;
            const Extended sum = PassSum(pass);
            cumulative += sum;
            if (pass <= mostHeavyBelowOverflow) belowOverflowBound_ += sum;
            if (CumulativeFAExceedsStop(ws_, pass, std::ldexp(cumulative, passExponent_), stopFA)) break;
        }
        cumulative_ = cumulative;
        return pass;
    }

    // Every peak [A+0] .. [A+319] is part of the pass sums of the passes run that can
    // stay below [A+320]; when even their total is below the smallest normal double,
    // so is the largest peak, and the ion is refused whatever the merge would give.
    bool PeaksCertainlyBelowDoubleRange() const {
        if (!(belowOverflowBound_ > 0)) return true;
        return ExponentOf(belowOverflowBound_) + passExponent_ < DBL_MIN_EXP;
    }

    // The refusal's result: underflow set, no peaks, the pass count and the
    // cumulative FA (scaled as peakExponent says) kept.
    void LeavePeaksOut() {
        ws_.peakSum.fill(0.0L);
        ws_.peakDefectMoment.fill(0.0L);
        ws_.underflow = true;
        ws_.peakExponent = belowOverflowBound_ > 0 ? ExponentOf(belowOverflowBound_) + passExponent_ : 0;
        ws_.cumulativeFA = std::ldexp(cumulative_, passExponent_ - ws_.peakExponent);
        ws_.lastPeakIndex = 0;
        ws_.peakOverflow = false;
    }

    // Gathers the units for `passes` passes: each element with several heavy
    // isotopes is one; elements with a single one are grouped by its delta.
    void BuildUnits(int passes) {
        unitCount_ = 0;
        int groupCount = 0;
        std::array<int, kMaxPolyElements> groupUnit{};
        for (int e = 0; e < elementCount_; ++e) {
            const ElementRun& run = elements_[e];
            if (run.atoms == 0) continue;
            const int top = std::min(run.atoms, passes);
            if (run.heavyCount > 1) {
                Unit& unit = units_[unitCount_++];
                unit = {top,
                        run.binomial,
                        Scratch(kZeroLineOffset),
                        run.binomialExponent,
                        run.heavyCount,
                        &share_[run.firstSlot],
                        &shareDefect_[run.firstSlot],
                        &ws_.workDelta[run.firstSlot],
                        run.minDelta,
                        run.maxDelta};
                continue;
            }
            const Extended defect = ws_.workDefect[run.firstSlot];
            const int delta = ws_.workDelta[run.firstSlot];
            int group = 0;
            while (group < groupCount && groupDelta_[group] != delta) ++group;
            if (group == groupCount) {
                groupDelta_[group] = delta;
                groupUnit[group] = unitCount_;
                ++groupCount;
                Extended* line = Line(group);
                Extended* moment = MomentLine(group);
                std::copy_n(run.binomial, top + 1, line);
                for (int j = 0; j <= top; ++j) moment[j] = run.binomial[j] * (j * defect);
                units_[unitCount_++] = {top,   line,         moment,     run.binomialExponent,
                                        1,     &kWholeShare, &kNoDefect, &groupDelta_[group],
                                        delta, delta};
                continue;
            }
            Unit& unit = units_[groupUnit[group]];
            Extended* line = Line(group);
            Extended* moment = MomentLine(group);
            const int newTop = std::min(passes, unit.top + top);
            // (line, moment) convolved with the element's (b(j), b(j) x j x defect).
            for (int r = newTop; r >= 0; --r) {
                Extended sum = 0;
                Extended momentSum = 0;
                for (int j = std::max(0, r - unit.top); j <= std::min(r, top); ++j) {
                    sum += line[r - j] * run.binomial[j];
                    momentSum +=
                        moment[r - j] * run.binomial[j] + line[r - j] * run.binomial[j] * (j * defect);
                }
                line[r] = sum;
                moment[r] = momentSum;
            }
            unit.top = newTop;
            unit.exponent += run.binomialExponent;
        }
        for (int g = 0; g < groupCount; ++g) {
            Unit& unit = units_[groupUnit[g]];
            const int shift = Normalize(Line(g), unit.top);
            Extended* moment = MomentLine(g);
            for (int j = 0; j <= unit.top; ++j) moment[j] = std::ldexp(moment[j], -shift);
            unit.exponent += shift;
        }
    }

    // Peaks [A+0] .. [A+319] of the compositions with at most `passes` heavy atoms,
    // and their defect moments, as mantissas; returns their binary exponent. The
    // merge runs in double while every value stays within the double range, which
    // the floating-point flags tell afterwards; otherwise it runs again in extended
    // precision.
    int ComputePeaks(int passes, ShiftLine& peaks, ShiftLine& moments) {
        BuildUnits(passes);
        if (unitCount_ == 0) {
            peaks[0] = 0.5L;  // no atoms at all: the empty composition, probability 1
            return 1;
        }
        std::array<UnitShape, kMaxPolyElements> shapes{};
        for (int u = 0; u < unitCount_; ++u) {
            shapes[u] = {units_[u].top, units_[u].isotopeCount, units_[u].minDelta, units_[u].maxDelta};
        }
        PlanMergeOrder(shapes.data(), unitCount_, passes, order_.data());
        if (ws_.convolutionTables.size() != kKernelCells) ws_.convolutionTables.assign(kKernelCells, 0.0);
        if (DoubleLikelyFits()) {
            DoubleRangeWatch watch;
            const int exponent = MergeUnits(ws_.convolutionTables.data(), passes, peaks, moments);
            if (exponent != kOutOfRange && watch.StayedInRange()) return exponent;
        }
        if (ws_.convolutionExtendedTables.size() != kKernelCells) {
            ws_.convolutionExtendedTables.assign(kKernelCells, 0.0L);
        }
        return MergeUnits(ws_.convolutionExtendedTables.data(), passes, peaks, moments);
    }

    static constexpr int kOutOfRange = INT_MIN;

    // Whether a scaled weight of the extended merge, the last resort, may be taken
    // as 0: one below the normal extended range while the table's cells stay near 1
    // (shift small). The unit's largest weight is about 1, so what such a weight
    // adds lies more than 2^-16000 below the largest result, far under anything
    // shown. Giving up instead would report the whole cluster beyond range: the
    // binomial row of C257 with a heavy FA of 1e-53 reaches 1e-13000 and passes
    // through the subnormal band on its way down.
    static bool NegligibleInExtended(Extended scaledValue, int shift) {
        constexpr int kSmallShift = 256;
        return std::fabs(scaledValue) < LDBL_MIN && shift < kSmallShift;
    }

    // Whether the merge is worth trying in double: every weight of every unit and
    // the smallest share raised to the unit's heavy atoms stay well within the
    // double range. Only spares a double attempt that would be redone anyway; the
    // floating-point flags decide.
    bool DoubleLikelyFits() const {
        constexpr Extended kLog2Floor = DBL_MIN_EXP + 64;
        for (int u = 0; u < unitCount_; ++u) {
            const Unit& unit = units_[u];
            for (int j = 0; j <= unit.top; ++j) {
                if (unit.weight[j] > 0 && std::log2(unit.weight[j]) < kLog2Floor) return false;
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
    static bool ScaleUnit(const Unit& unit, int shift, MergeUnit<Real>& scaled) {
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

    // The merge of all units in the precision Real, on the kernel memory `memory`
    // (kKernelCells values). Returns the peaks' binary exponent, or kOutOfRange when
    // a weight does not fit Real.
    template <typename Real>
    int MergeUnits(Real* memory, int passes, ShiftLine& peaks, ShiftLine& moments) const {
        std::array<Table<Real>, 2> tables;
        tables[0].cells = memory;
        tables[1].cells = memory + kTableCells;
        tables[0].moments = memory + 2 * kTableCells;
        tables[1].moments = memory + 3 * kTableCells;
        Real* lines = memory + 4 * kTableCells;
        Table<Real>* current = &tables[0];
        Table<Real>* spare = &tables[1];
        MergeUnit<Real> scaled;
        const Unit& first = units_[order_[0]];
        if (unitCount_ == 1) {
            current->top = 0;
            current->Row(0)[0] = 1;
            current->MomentRow(0)[0] = 0;
        } else {
            if (!ScaleUnit(first, 0, scaled)) return kOutOfRange;
            convolution::BuildFirstTable(scaled, lines, lines + 2 * kPeakCount, *current);
            current->exponent = first.exponent;
            for (int i = 1; i + 1 < unitCount_; ++i) {
                const Unit& unit = units_[order_[i]];
                const int shift = convolution::LargestExponent(*current);
                if (!ScaleUnit(unit, shift, scaled)) return kOutOfRange;
                if (unit.isotopeCount == 1) {
                    convolution::MergeDiagonal(*current, scaled, passes, *spare);
                } else {
                    convolution::MergeByHorner(*current, scaled, passes, *spare);
                }
                spare->exponent = current->exponent + shift + unit.exponent;
                std::swap(current, spare);
            }
        }
        const Unit& last = units_[order_[unitCount_ - 1]];
        const int shift = convolution::LargestExponent(*current);
        if (!ScaleUnit(last, shift, scaled)) return kOutOfRange;
        std::array<Real, kPeakCount> peakLine;
        std::array<Real, kPeakCount> momentLine;
        convolution::CollapseToPeaks(*current, scaled, passes, lines + 4 * kPeakCount, peakLine.data(),
                                     momentLine.data());
        std::copy(peakLine.begin(), peakLine.end(), peaks.begin());
        std::copy(momentLine.begin(), momentLine.end(), moments.begin());
        return current->exponent + shift + last.exponent;
    }

    void StoreResults(const ShiftLine& peaks, const ShiftLine& moments, int peakExponent) {
        const Extended largest = *std::max_element(peaks.begin(), peaks.end());
        const int largestExponent = largest > 0 ? peakExponent + ExponentOf(largest) : INT_MIN;
        ws_.underflow = largestExponent < DBL_MIN_EXP;  // largest below 2^-1022
        ws_.peakExponent = ws_.underflow && largest > 0 ? largestExponent : 0;
        const int scale = peakExponent - ws_.peakExponent;
        for (int s = 0; s < kPeakCount; ++s) {
            ws_.peakSum[s] = std::ldexp(peaks[s], scale);
            ws_.peakDefectMoment[s] = std::ldexp(moments[s], scale);
        }
        ws_.cumulativeFA = std::ldexp(cumulative_, passExponent_ - ws_.peakExponent);
    }

    // lastPeakIndex and peakOverflow from the structure alone: the enumeration
    // marks every shift it visits, whatever the probability.
    void MarkVisitedShifts(int passes) {
        const VisitedShifts visited = ReachedShifts(ws_, passes);
        ws_.lastPeakIndex = visited.lastPeakIndex;
        ws_.peakOverflow = visited.peakOverflow;
    }

    static constexpr Extended kWholeShare = 1.0L;
    static constexpr Extended kNoDefect = 0.0L;

    ClusterWorkspace& ws_;
    std::array<ElementRun, kMaxPolyElements> elements_{};
    int elementCount_ = 0;
    int totalAtoms_ = 0;
    int largestDelta_ = 1;
    std::array<Extended, kMaxHeavySlots> share_{};
    std::array<Extended, kMaxHeavySlots> shareDefect_{};
    int passExponent_ = 0;
    Extended cumulative_ = 0;
    Extended belowOverflowBound_ = 0;  // same scale as cumulative_
    std::array<Unit, kMaxPolyElements> units_{};
    int unitCount_ = 0;
    std::array<int, kMaxPolyElements> order_{};
    std::array<int, kMaxPolyElements> groupDelta_{};
};

}  // namespace

ClusterRoute ChooseClusterRoute(const ClusterWorkspace& ws, int passLimit) {
    int totalAtoms = 0;
    Extended firstLog2 = 0;
    bool zeroFA = false;
    for (int e = 0; e < ws.polyElementCount; ++e) {
        const int atoms = std::max(0, ws.orderedCount[e]);
        const double* fa = &ws.workFA[ws.firstFAEntry[e]];
        const int* delta = &ws.workDelta[ws.firstSlot[e]];
        for (int i = 0; i < ws.orderedHeavyCount[e]; ++i) {
            if (delta[i] < 1 || delta[i] > kLargestDelta) return ClusterRoute::Enumeration;
        }
        for (int i = 0; i <= ws.orderedHeavyCount[e]; ++i) zeroFA = zeroFA || !(fa[i] > 0);
        if (atoms > 0 && fa[0] > 0) firstLog2 += atoms * std::log2(static_cast<Extended>(fa[0]));
        totalAtoms += atoms;
    }
    if (zeroFA || firstLog2 < kSafeLog2) return ClusterRoute::Convolution;
    // At most C(passes + heavy slots, heavy slots) compositions can be visited.
    const int passes = passLimit < 1 ? 0 : std::min({passLimit, kMaxPasses, totalAtoms});
    double compositions = 1;
    for (int k = 1; k <= ws.heavySlotCount && compositions <= kEnumerationLimit; ++k) {
        compositions = compositions * (passes + k) / k;
    }
    return compositions <= kEnumerationLimit ? ClusterRoute::Enumeration : ClusterRoute::Convolution;
}

void ComputeClusterByConvolution(ClusterWorkspace& ws, int passLimit, double stopFA,
                                 BelowDoubleRange belowDoubleRange) {
    ExtendedPrecisionScope precision;
    ConvolutionRoute(ws).Run(passLimit, stopFA, belowDoubleRange);
}

void MarkPeaksBelowDoubleRange(ClusterWorkspace& ws) {
    ws.peakExponent = 0;
    const Extended largest = *std::max_element(ws.peakSum.begin(), ws.peakSum.end());
    ws.underflow = !(largest >= DBL_MIN);
    if (!ws.underflow || !(largest > 0)) return;
    ws.peakExponent = ExponentOf(largest);
    for (Extended& peak : ws.peakSum) peak = std::ldexp(peak, -ws.peakExponent);
    for (Extended& moment : ws.peakDefectMoment) moment = std::ldexp(moment, -ws.peakExponent);
    ws.cumulativeFA = std::ldexp(ws.cumulativeFA, -ws.peakExponent);
}

}  // namespace tarnevo::core

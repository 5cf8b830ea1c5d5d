#include "core/cluster_convolution.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstddef>
#include <functional>
#include <utility>

namespace tarnevo::core {

namespace {

constexpr int kLastShift = kPeakCount - 1;   // [A+319]
constexpr int kMaxPasses = kPeakCount;       // the enumeration never runs more passes
constexpr int kRowCount = kMaxPasses + 1;    // heavy atoms 0 .. 320
// Columns left of [A+0], so that a shift minus a delta (at most 25 in the element
// table) never leaves the row.
constexpr int kLeftPad = 32;
constexpr int kRowStride = kLeftPad + kPeakCount;
constexpr std::size_t kTableCells = std::size_t{kRowCount} * kRowStride;
constexpr std::size_t kLineCells = kRowCount;
// Scratch layout: two tables over (heavy atoms, shift) and their two mass-defect
// moment tables, one binomial row per element, one line per element (pass-sum
// stages, later the group weights), one moment line per group, and a line of zeros.
constexpr std::size_t kMomentTableOffset = 2 * kTableCells;
constexpr std::size_t kBinomialOffset = 4 * kTableCells;
constexpr std::size_t kLineOffset = kBinomialOffset + kMaxPolyElements * kLineCells;
constexpr std::size_t kMomentLineOffset = kLineOffset + kMaxPolyElements * kLineCells;
constexpr std::size_t kZeroLineOffset = kMomentLineOffset + kMaxPolyElements * kLineCells;
constexpr std::size_t kScratchCells = kZeroLineOffset + kLineCells;

// Base-2 logarithm below which a power is kept as mantissa and exponent: about
// 1e-4912, just above the smallest normal extended value.
constexpr Extended kSafeLog2 = LDBL_MIN_EXP + 64;
// Ions that can visit at most this many compositions are enumerated: on them the
// enumeration takes a few microseconds, no more than the convolution.
constexpr double kEnumerationLimit = 2000;
constexpr int kUnreachable = 1 << 20;

using ShiftLine = std::array<Extended, kPeakCount>;
// A line over the shifts with kLeftPad zero cells in front of [A+0].
using PaddedLine = std::array<Extended, kLeftPad + kPeakCount>;

struct Scaled {
    Extended mantissa = 0;   // value = mantissa x 2^exponent
    int exponent = 0;
};

// base^power; as ExtendedPower (the enumeration's own) while that stays in range.
Scaled ScaledPower(Extended base, int power) {
    if (power <= 0) return {1.0L, 0};
    if (base <= 0) return {0.0L, 0};
    const Extended log2Value = static_cast<Extended>(power) * std::log2(base);
    if (std::fabs(log2Value) < -kSafeLog2) return {ExtendedPower(base, static_cast<unsigned>(power)), 0};
    const Extended whole = std::floor(log2Value);
    return {std::exp2(log2Value - whole), static_cast<int>(whole)};
}

// Keeps a running product far from both ends of the extended range.
void Rebalance(Scaled& value) {
    constexpr Extended kHigh = 0x1p256L;
    constexpr Extended kLow = 0x1p-256L;
    if (value.mantissa == 0 || (value.mantissa < kHigh && value.mantissa > kLow)) return;
    int shift = 0;
    value.mantissa = std::frexp(value.mantissa, &shift);
    value.exponent += shift;
}

int ExponentOf(Extended positive) {
    int exponent = 0;
    std::frexp(positive, &exponent);
    return exponent;
}

// Scales line[0..top] by a power of two so that its largest entry lies in
// [0.5, 1); returns the power (0 for a line of zeros).
int Normalize(Extended* line, int top) {
    const Extended largest = *std::max_element(line, line + top + 1);
    if (!(largest > 0)) return 0;
    const int shift = ExponentOf(largest);
    for (int i = 0; i <= top; ++i) line[i] = std::ldexp(line[i], -shift);
    return shift;
}

// Probability that exactly h of an element's atoms are heavy, h = 0 .. top:
// C(atoms, h) light^(atoms - h) heavy^h, by ratios from h = 0 (heavy is the sum of
// the heavy FAs), each entry with its own exponent on the way. Written as
// mantissas scaled by 2^-exponent, the largest in [0.5, 1); returns the exponent.
// For the rows that cannot be filled lazily (see StartBinomialRow).
int FillBinomialRow(int atoms, Extended light, Extended heavy, int top, Extended* row) {
    std::array<int, kRowCount> exponent{};
    std::fill_n(row, top + 1, 0.0L);
    if (light <= 0) {
        // Every atom heavy: only h = atoms has a probability.
        if (atoms <= top) {
            const Scaled all = ScaledPower(heavy, atoms);
            row[atoms] = all.mantissa;
            exponent[atoms] = all.exponent;
        }
    } else {
        Scaled term = ScaledPower(light, atoms);
        const Extended ratio = heavy / light;
        for (int h = 0; h <= top; ++h) {
            row[h] = term.mantissa;
            exponent[h] = term.exponent;
            term.mantissa = term.mantissa * static_cast<Extended>(atoms - h) / static_cast<Extended>(h + 1) * ratio;
            Rebalance(term);
        }
    }
    int common = INT_MIN;
    for (int h = 0; h <= top; ++h) {
        if (row[h] != 0) common = std::max(common, exponent[h] + ExponentOf(row[h]));
    }
    if (common == INT_MIN) return 0;
    for (int h = 0; h <= top; ++h) row[h] = std::ldexp(row[h], exponent[h] - common);
    return common;
}

int FloorDivide(int numerator, int denominator) {
    int quotient = numerator / denominator;
    if (numerator % denominator != 0 && ((numerator < 0) != (denominator < 0))) --quotient;
    return quotient;
}

int CeilDivide(int numerator, int denominator) { return -FloorDivide(-numerator, denominator); }

// Zeroes the cells within margin of [low, high] that lie outside it, so that a
// later step reading a row at (shift - delta) finds zeros next to the span.
void ClearMargins(Extended* row, int low, int high, int margin) {
    for (int s = std::max(-kLeftPad, low - margin); s < low; ++s) row[s] = 0;
    for (int s = high + 1; s <= std::min(kLastShift, high + margin); ++s) row[s] = 0;
}

struct ElementRun {
    int atoms = 0;
    int heavyCount = 0;
    int firstSlot = 0;
    Extended light = 0;
    Extended heavy = 0;   // sum of the heavy FAs
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
    int top = 0;                       // most heavy atoms it takes within the passes run
    const Extended* weight = nullptr;  // probability of j heavy atoms, x 2^-exponent
    const Extended* momentWeight = nullptr;  // their defect moment, same scale
    int exponent = 0;
    int isotopeCount = 0;
    const Extended* share = nullptr;   // heavy-isotope distribution u_i
    const Extended* shareDefect = nullptr;   // u_i x d_i
    const int* delta = nullptr;
    int minDelta = 0;
    int maxDelta = 0;
};

// Probabilities over (heavy atoms h, shift n) as mantissas x 2^exponent. Row h can
// hold shifts h x minDelta .. min(319, h x maxDelta) only, its span; the cells
// outside it keep whatever an earlier use left, and are never read, except for
// the zero margins that a Horner step writes for the next one.
struct Table {
    Extended* cells = nullptr;
    Extended* moments = nullptr;   // the defect moment of each cell, same layout and scale
    int top = 0;
    int minDelta = 1;
    int maxDelta = 1;
    int exponent = 0;

    Extended* Row(int h) const { return cells + static_cast<std::size_t>(h) * kRowStride + kLeftPad; }
    Extended* MomentRow(int h) const { return moments + static_cast<std::size_t>(h) * kRowStride + kLeftPad; }
    int Low(int h) const { return h * minDelta; }
    int High(int h) const { return std::min(kLastShift, h * maxDelta); }
};

// The size of a table: number of cells in its row spans.
double CellCount(int top, int minDelta, int maxDelta) {
    double cells = 0;
    const int wideRows = std::min(top, kLastShift / maxDelta);
    const int span = maxDelta - minDelta;
    cells += (wideRows + 1) + static_cast<double>(span) * wideRows * (wideRows + 1) / 2.0;
    const int first = wideRows + 1;
    const int last = std::min(top, kLastShift / minDelta);
    if (last >= first) {
        const double rows = last - first + 1;
        cells += rows * kPeakCount - static_cast<double>(minDelta) * (first + last) * rows / 2.0;
    }
    return cells;
}

class ConvolutionRoute {
public:
    explicit ConvolutionRoute(ClusterWorkspace& ws) : ws_(ws) {}

    void Run(int passLimit, double stopFA) {
        if (ws_.convolutionScratch.size() != kScratchCells) ws_.convolutionScratch.assign(kScratchCells, 0.0L);
        DescribeElements();
        const int lastPass = passLimit < 1 ? 0 : std::min({passLimit, kMaxPasses, totalAtoms_});
        for (int e = 0; e < elementCount_; ++e) StartBinomialRow(elements_[e], lastPass);
        const int passes = RunPasses(lastPass, stopFA);
        ws_.passCount = passes;
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
        const bool steep = run.light <= 0 ||
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
            row[h + 1] = row[h] * static_cast<Extended>(run.atoms - h) / static_cast<Extended>(h + 1) * run.growth;
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
        Extended cumulative = PassSum(0);
        int pass = 0;
        while (pass < lastPass) {
            ++pass;
            cumulative += PassSum(pass);
            if (static_cast<double>(std::ldexp(cumulative, passExponent_)) > stopFA) break;
        }
        cumulative_ = cumulative;
        return pass;
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
                units_[unitCount_++] = {top,   line,  moment, run.binomialExponent, 1, &kWholeShare, &kNoDefect,
                                        &groupDelta_[group], delta, delta};
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
                    momentSum += moment[r - j] * run.binomial[j] + line[r - j] * run.binomial[j] * (j * defect);
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

    // Estimated work of each way to merge one unit; see ComputePeaks.
    static double FirstCost(const Unit& unit) {
        if (unit.isotopeCount == 1) return unit.top;
        return unit.isotopeCount * CellCount(unit.top, unit.minDelta, unit.maxDelta);
    }
    static double LastCost(const Unit& unit) {
        return static_cast<double>(unit.isotopeCount + 1) * (unit.top + 1) * kPeakCount;
    }
    static double MiddleCost(Table& shape, const Unit& unit, int passes) {
        const int top = std::min(passes, shape.top + unit.top);
        const int minDelta = std::min(shape.minDelta, unit.minDelta);
        const int maxDelta = std::max(shape.maxDelta, unit.maxDelta);
        const double cells = CellCount(top, minDelta, maxDelta);
        const double depth = unit.isotopeCount == 1 ? std::min(unit.top, shape.top) + 1.0
                                                    : (unit.isotopeCount + 1.0) * (unit.top + 1.0);
        shape.top = top;
        shape.minDelta = minDelta;
        shape.maxDelta = maxDelta;
        return cells * depth / 2;
    }
    static double MiddleKey(const Unit& unit) {
        return (unit.isotopeCount + 1.0) * (unit.top + 1.0) * (unit.maxDelta - unit.minDelta + 1);
    }

    // Order of the units: order_[0] builds the table, the last is folded straight
    // into the peaks, the others are merged in between, the smallest first. The
    // pair (first, last) with the least estimated work is taken.
    void OrderUnits(int passes) {
        std::array<int, kMaxPolyElements> middle{};
        for (int u = 0; u < unitCount_; ++u) middle[u] = u;
        std::sort(middle.begin(), middle.begin() + unitCount_,
                  [this](int a, int b) { return MiddleKey(units_[a]) < MiddleKey(units_[b]); });
        double best = -1;
        for (int first = 0; first < unitCount_; ++first) {
            for (int last = 0; last < unitCount_; ++last) {
                if (first == last && unitCount_ > 1) continue;
                double cost = LastCost(units_[last]);
                if (unitCount_ > 1) {
                    const Unit& start = units_[first];
                    Table shape;
                    shape.top = start.top;
                    shape.minDelta = start.minDelta;
                    shape.maxDelta = start.maxDelta;
                    cost += FirstCost(start);
                    for (int i = 0; i < unitCount_; ++i) {
                        const int u = middle[i];
                        if (u != first && u != last) cost += MiddleCost(shape, units_[u], passes);
                    }
                }
                if (best >= 0 && cost >= best) continue;
                best = cost;
                int count = 0;
                if (unitCount_ > 1) order_[count++] = first;
                for (int i = 0; i < unitCount_; ++i) {
                    const int u = middle[i];
                    if (u != first && u != last) order_[count++] = u;
                }
                order_[count] = last;
            }
        }
    }

    // Binary exponent of the largest cell of a table (0 when all are zero).
    static int LargestExponent(const Table& table) {
        Extended largest = 0;
        for (int h = 0; h <= table.top; ++h) {
            const Extended* row = table.Row(h);
            for (int s = table.Low(h); s <= table.High(h); ++s) largest = std::max(largest, row[s]);
        }
        return largest > 0 ? ExponentOf(largest) : 0;
    }

    // The unit's weights and moment weights times 2^-shift, for merging into a table
    // whose largest cell is about 2^shift: keeps every result near 1 whatever the range.
    struct ScaledWeights {
        std::array<Extended, kRowCount> weight;
        std::array<Extended, kRowCount> moment;
    };
    static void ScaleWeights(const Unit& unit, int shift, ScaledWeights& scaled) {
        for (int j = 0; j <= unit.top; ++j) {
            scaled.weight[j] = std::ldexp(unit.weight[j], -shift);
            scaled.moment[j] = std::ldexp(unit.momentWeight[j], -shift);
        }
    }

    // One more heavy atom of the unit on the line `previous` (probabilities and
    // moments): the value and moment that arrive at shift s.
    static void Step(const Unit& unit, const Extended* previous, const Extended* previousMoment, int s,
                     Extended& value, Extended& moment) {
        for (int i = 0; i < unit.isotopeCount; ++i) {
            const int from = s - unit.delta[i];
            value += unit.share[i] * previous[from];
            moment += unit.share[i] * previousMoment[from] + unit.shareDefect[i] * previous[from];
        }
    }

    void BuildFirst(const Unit& unit, Table& table) const {
        table.top = unit.top;
        table.minDelta = unit.minDelta;
        table.maxDelta = unit.maxDelta;
        table.exponent = unit.exponent;
        if (unit.isotopeCount == 1 && unit.shareDefect[0] == 0) {
            for (int h = 0; h <= unit.top; ++h) {
                const int shift = h * unit.minDelta;
                if (shift > kLastShift) break;
                table.Row(h)[shift] = unit.weight[h];
                table.MomentRow(h)[shift] = unit.momentWeight[h];
            }
            return;
        }
        // Rows h = weight(h) x u^h, with u^h built by one more heavy atom per row.
        std::array<PaddedLine, 2> power;
        std::array<PaddedLine, 2> powerMoment;
        ClearMargins(power[0].data() + kLeftPad, 0, 0, largestDelta_);
        ClearMargins(powerMoment[0].data() + kLeftPad, 0, 0, largestDelta_);
        power[0][kLeftPad] = 1;
        powerMoment[0][kLeftPad] = 0;
        for (int h = 0; h <= unit.top; ++h) {
            const int low = table.Low(h);
            const int high = table.High(h);
            if (low > high) break;
            Extended* current = power[h % 2].data() + kLeftPad;
            Extended* currentMoment = powerMoment[h % 2].data() + kLeftPad;
            if (h > 0) {
                const Extended* previous = power[(h + 1) % 2].data() + kLeftPad;
                const Extended* previousMoment = powerMoment[(h + 1) % 2].data() + kLeftPad;
                for (int s = low; s <= high; ++s) {
                    Extended value = 0;
                    Extended moment = 0;
                    Step(unit, previous, previousMoment, s, value, moment);
                    current[s] = value;
                    currentMoment[s] = moment;
                }
                ClearMargins(current, low, high, largestDelta_);
                ClearMargins(currentMoment, low, high, largestDelta_);
            }
            Extended* row = table.Row(h);
            Extended* momentRow = table.MomentRow(h);
            for (int s = low; s <= high; ++s) {
                row[s] = unit.weight[h] * current[s];
                momentRow[s] = unit.weight[h] * currentMoment[s] + unit.momentWeight[h] * current[s];
            }
        }
    }

    // target = sum over j of weight(j) T^j source, rows up to `passes`, where T
    // makes one more atom heavy: (h, n) -> (h + 1, n + delta_i) with share u_i.
    // Horner's scheme: B = weight(top) source; B = weight(j) source + T B for
    // j = top-1 .. 0, each step in place from the highest row down. Each row is
    // written over its span and zero margins of the largest delta, which is all
    // the next step reads of it. The moments follow the same steps, with
    // momentWeight(j) source and each heavy atom's defect added.
    void MergeByHorner(const Table& source, const Unit& unit, const ScaledWeights& scaled, int passes,
                       Table& target) const {
        target.minDelta = std::min(source.minDelta, unit.minDelta);
        target.maxDelta = std::max(source.maxDelta, unit.maxDelta);
        target.top = std::min(passes, source.top + unit.top);
        for (int j = unit.top; j >= 0; --j) {
            const int top = std::min(passes - j, source.top + unit.top - j);
            const bool carry = j < unit.top;
            const Extended weight = scaled.weight[j];
            const Extended momentWeight = scaled.moment[j];
            for (int h = top; h >= 0; --h) {
                const int low = target.Low(h);
                const int high = target.High(h);
                if (low > high) continue;
                Extended* row = target.Row(h);
                Extended* momentRow = target.MomentRow(h);
                const bool fromBelow = carry && h > 0;
                const Extended* below = fromBelow ? target.Row(h - 1) : nullptr;
                const Extended* belowMoment = fromBelow ? target.MomentRow(h - 1) : nullptr;
                const bool hasOwn = h <= source.top;
                const int ownLow = hasOwn ? std::max(low, source.Low(h)) : high + 1;
                const int ownHigh = hasOwn ? std::min(high, source.High(h)) : high;
                const Extended* own = hasOwn ? source.Row(h) : nullptr;
                const Extended* ownMoment = hasOwn ? source.MomentRow(h) : nullptr;
                for (int s = low; s <= high; ++s) {
                    Extended value = 0;
                    Extended moment = 0;
                    if (fromBelow) Step(unit, below, belowMoment, s, value, moment);
                    if (s >= ownLow && s <= ownHigh) {
                        value += weight * own[s];
                        moment += weight * ownMoment[s] + momentWeight * own[s];
                    }
                    row[s] = value;
                    momentRow[s] = moment;
                }
                ClearMargins(row, low, high, largestDelta_);
                ClearMargins(momentRow, low, high, largestDelta_);
            }
        }
    }

    // target(H, n) = sum over j of weight(j) source(H - j, n - j delta): a group of
    // single-isotope elements, each heavy atom adding delta. Only the j whose
    // source cell lies in its row's span are visited.
    void MergeDiagonal(const Table& source, const Unit& unit, const ScaledWeights& scaled, int passes,
                       Table& target) const {
        const int delta = unit.delta[0];
        target.minDelta = std::min(source.minDelta, delta);
        target.maxDelta = std::max(source.maxDelta, delta);
        target.top = std::min(passes, source.top + unit.top);
        for (int h = 0; h <= target.top; ++h) {
            const int low = target.Low(h);
            const int high = target.High(h);
            if (low > high) continue;
            Extended* row = target.Row(h);
            Extended* momentRow = target.MomentRow(h);
            const int jFirst = std::max(0, h - source.top);
            const int jLast = std::min(unit.top, h);
            for (int s = low; s <= high; ++s) {
                int jLow = jFirst;
                int jHigh = jLast;
                // source(h - j, s - j delta) needs s - j delta >= (h - j) minDelta ...
                const int lowSlope = source.minDelta - delta;
                const int lowBound = h * source.minDelta - s;
                if (lowSlope > 0) jLow = std::max(jLow, CeilDivide(lowBound, lowSlope));
                else if (lowSlope < 0) jHigh = std::min(jHigh, FloorDivide(lowBound, lowSlope));
                else if (lowBound > 0) jHigh = jLow - 1;
                // ... and s - j delta <= (h - j) maxDelta.
                const int highSlope = source.maxDelta - delta;
                const int highBound = h * source.maxDelta - s;
                if (highSlope > 0) jHigh = std::min(jHigh, FloorDivide(highBound, highSlope));
                else if (highSlope < 0) jLow = std::max(jLow, CeilDivide(highBound, highSlope));
                else if (highBound < 0) jHigh = jLow - 1;
                Extended value = 0;
                Extended moment = 0;
                if (jLow <= jHigh) {
                    const int first = s - jLow * delta;
                    const Extended* cell = source.Row(h - jLow) + first;
                    const Extended* momentCell = source.MomentRow(h - jLow) + first;
                    for (int j = jLow; j <= jHigh; ++j) {
                        value += scaled.weight[j] * *cell;
                        moment += scaled.weight[j] * *momentCell + scaled.moment[j] * *cell;
                        cell -= kRowStride + delta;
                        momentCell -= kRowStride + delta;
                    }
                }
                row[s] = value;
                momentRow[s] = moment;
            }
        }
    }

    // The last unit, merged and summed over h <= passes in one go, without a table:
    //   peaks = sum over j of weight(j) u^j * (rows 0 .. passes - j of the table)
    // again by Horner's scheme, on lines over the shifts, moments alongside.
    // Returns the exponent.
    static int Collapse(const Table& table, const Unit& unit, int passes, ShiftLine& peaks, ShiftLine& moments) {
        const int shift = LargestExponent(table);
        ScaledWeights scaled;
        ScaleWeights(unit, shift, scaled);
        // No composition gets beyond the table's widest shift plus the unit's.
        const int reach = std::min(kLastShift, table.High(table.top) + unit.top * unit.maxDelta);
        ShiftLine rowsBelow;
        ShiftLine momentsBelow;
        std::fill_n(rowsBelow.begin(), reach + 1, 0.0L);
        std::fill_n(momentsBelow.begin(), reach + 1, 0.0L);
        PaddedLine folded;
        PaddedLine foldedMoment;
        std::fill_n(folded.begin(), kLeftPad + reach + 1, 0.0L);
        std::fill_n(foldedMoment.begin(), kLeftPad + reach + 1, 0.0L);
        Extended* x = folded.data() + kLeftPad;
        Extended* xMoment = foldedMoment.data() + kLeftPad;
        int rowsAdded = -1;
        for (int j = unit.top; j >= 0; --j) {
            const int rows = std::min(passes - j, table.top);
            while (rowsAdded < rows) {
                ++rowsAdded;
                const Extended* row = table.Row(rowsAdded);
                const Extended* momentRow = table.MomentRow(rowsAdded);
                for (int s = table.Low(rowsAdded); s <= table.High(rowsAdded); ++s) {
                    rowsBelow[s] += row[s];
                    momentsBelow[s] += momentRow[s];
                }
            }
            for (int s = reach; s >= 0; --s) {
                Extended value = scaled.weight[j] * rowsBelow[s];
                Extended moment = scaled.weight[j] * momentsBelow[s] + scaled.moment[j] * rowsBelow[s];
                Step(unit, x, xMoment, s, value, moment);
                x[s] = value;
                xMoment[s] = moment;
            }
        }
        std::copy_n(x, reach + 1, peaks.begin());
        std::copy_n(xMoment, reach + 1, moments.begin());
        return table.exponent + shift + unit.exponent;
    }

    // Peaks [A+0] .. [A+319] of the compositions with at most `passes` heavy atoms,
    // and their defect moments, as mantissas; returns their binary exponent.
    int ComputePeaks(int passes, ShiftLine& peaks, ShiftLine& moments) {
        BuildUnits(passes);
        if (unitCount_ == 0) {
            peaks[0] = 0.5L;   // no atoms at all: the empty composition, probability 1
            return 1;
        }
        OrderUnits(passes);
        std::array<Table, 2> tables;
        tables[0].cells = Scratch(0);
        tables[1].cells = Scratch(kTableCells);
        tables[0].moments = Scratch(kMomentTableOffset);
        tables[1].moments = Scratch(kMomentTableOffset + kTableCells);
        Table* current = &tables[0];
        Table* spare = &tables[1];
        if (unitCount_ == 1) {
            current->top = 0;
            current->Row(0)[0] = 1;
            current->MomentRow(0)[0] = 0;
            return Collapse(*current, units_[order_[0]], passes, peaks, moments);
        }
        BuildFirst(units_[order_[0]], *current);
        ScaledWeights scaled;
        for (int i = 1; i + 1 < unitCount_; ++i) {
            const Unit& unit = units_[order_[i]];
            const int shift = LargestExponent(*current);
            ScaleWeights(unit, shift, scaled);
            if (unit.isotopeCount == 1) {
                MergeDiagonal(*current, unit, scaled, passes, *spare);
            } else {
                MergeByHorner(*current, unit, scaled, passes, *spare);
            }
            spare->exponent = current->exponent + shift + unit.exponent;
            std::swap(current, spare);
        }
        return Collapse(*current, units_[order_[unitCount_ - 1]], passes, peaks, moments);
    }

    void StoreResults(const ShiftLine& peaks, const ShiftLine& moments, int peakExponent) {
        const Extended largest = *std::max_element(peaks.begin(), peaks.end());
        const int largestExponent = largest > 0 ? peakExponent + ExponentOf(largest) : INT_MIN;
        ws_.underflow = largestExponent < DBL_MIN_EXP;   // largest below 2^-1022
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
        std::array<std::pair<int, int>, kMaxPolyElements> byDelta{};   // (largest delta, atoms)
        for (int e = 0; e < elementCount_; ++e) byDelta[e] = {elements_[e].maxDelta, elements_[e].atoms};
        std::sort(byDelta.begin(), byDelta.begin() + elementCount_, std::greater<>());
        int remaining = passes;
        int largestShift = 0;
        for (int e = 0; e < elementCount_ && remaining > 0; ++e) {
            const int taken = std::min(remaining, byDelta[e].second);
            largestShift += taken * byDelta[e].first;
            remaining -= taken;
        }
        ws_.peakOverflow = largestShift > kLastShift;
        ws_.lastPeakIndex = ws_.peakOverflow ? LargestShiftBelowOverflow(passes) : largestShift;
    }

    // Largest shift below 320 reached by some composition with at most `passes`
    // heavy atoms: the fewest heavy atoms that make each shift, element by element.
    int LargestShiftBelowOverflow(int passes) const {
        std::array<int, kPeakCount> fewest;
        fewest.fill(kUnreachable);
        fewest[0] = 0;
        for (int e = 0; e < elementCount_; ++e) {
            const ElementRun& run = elements_[e];
            if (run.atoms == 0) continue;
            const int* delta = &ws_.workDelta[run.firstSlot];
            if (run.atoms * run.minDelta >= kLastShift) {
                // Enough atoms for any shift below 320: one more heavy atom at a time.
                for (int s = 1; s < kPeakCount; ++s) {
                    for (int i = 0; i < run.heavyCount; ++i) {
                        if (delta[i] <= s) fewest[s] = std::min(fewest[s], fewest[s - delta[i]] + 1);
                    }
                }
                continue;
            }
            fewest = WithFewAtoms(fewest, run, delta);
        }
        int shift = kLastShift;
        while (fewest[shift] > passes) --shift;
        return shift;
    }

    // fewest combined with an element whose atom count limits the shifts it reaches.
    static std::array<int, kPeakCount> WithFewAtoms(const std::array<int, kPeakCount>& fewest, const ElementRun& run,
                                                    const int* delta) {
        const int reach = std::min(kLastShift, run.atoms * run.maxDelta);
        std::array<int, kPeakCount> own;
        own.fill(kUnreachable);
        own[0] = 0;
        for (int t = 1; t <= reach; ++t) {
            for (int i = 0; i < run.heavyCount; ++i) {
                if (delta[i] <= t) own[t] = std::min(own[t], own[t - delta[i]] + 1);
            }
        }
        std::array<int, kPeakCount> combined;
        combined.fill(kUnreachable);
        for (int t = 0; t <= reach; ++t) {
            if (own[t] > run.atoms) continue;
            for (int s = t; s < kPeakCount; ++s) combined[s] = std::min(combined[s], fewest[s - t] + own[t]);
        }
        return combined;
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
            if (delta[i] < 1 || delta[i] > kLeftPad) return ClusterRoute::Enumeration;
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

void ComputeClusterByConvolution(ClusterWorkspace& ws, int passLimit, double stopFA) {
    ExtendedPrecisionScope precision;
    ConvolutionRoute(ws).Run(passLimit, stopFA);
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

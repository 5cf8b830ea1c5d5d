// The merge kernels of the convolution route (core/cluster_convolution.h): the
// loops that combine probability tables over (heavy atoms h, mass shift n) with one
// more element, together with the mass-defect moment carried beside every cell.
//
// Every kernel is written as a sequence of "add a scaled row into another row"
// steps over a contiguous span of shifts, so that the compiler can vectorise them,
// and every kernel is a template over the cell type: the route runs them in double
// (fast, exact to rounding while nothing leaves the double range) and falls back to
// extended precision when it does (see cluster_merge.cpp). All terms are
// positive, so the relative error of a cell grows with the number of additions
// that made it, never through cancellation.
//
// A table row h holds the shifts h x minDelta .. min(319, h x maxDelta), its span;
// cells outside the span are never read, so no kernel needs zero margins.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "core/cluster_engine.h"

namespace tarnevo::core::convolution {

inline constexpr int kLastShift = kPeakCount - 1;  // [A+319]
inline constexpr int kMaxPasses = kPeakCount;      // the enumeration never runs more passes
inline constexpr int kRowCount = kMaxPasses + 1;   // heavy atoms 0 .. 320
inline constexpr int kRowStride = kPeakCount;
inline constexpr std::size_t kTableCells = std::size_t{kRowCount} * kRowStride;

// One step of the convolution, its weights already scaled for the table it joins:
// an element with several heavy isotopes, or a group of elements with a single heavy
// isotope of the same delta (for a protein: carbon, hydrogen and nitrogen, each
// heavy atom adding 1 to the shift).
//   weight(j)  probability that the unit has j heavy atoms (scaled)
//   moment(j)  the defect moment of those j heavy atoms when it is carried by the
//              unit as a whole (a group: 13C and 2H add different defects)
//   share(i)   heavy-isotope distribution u_i of an element; shareDefect(i) = u_i d_i
template <typename Real>
struct MergeUnit {
    int top = 0;           // most heavy atoms the unit takes within the passes run
    int isotopeCount = 0;  // 1 for a group
    int minDelta = 1;
    int maxDelta = 1;
    std::array<Real, kRowCount> weight{};
    std::array<Real, kRowCount> moment{};
    std::array<Real, kMaxHeavySlots> share{};
    std::array<Real, kMaxHeavySlots> shareDefect{};
    std::array<int, kMaxHeavySlots> delta{};
};

// Probabilities over (h, n) as mantissas x 2^exponent, moments alongside.
template <typename Real>
struct Table {
    Real* cells = nullptr;
    Real* moments = nullptr;
    int top = 0;
    int minDelta = 1;
    int maxDelta = 1;
    int exponent = 0;

    Real* Row(int h) const { return cells + static_cast<std::size_t>(h) * kRowStride; }
    Real* MomentRow(int h) const { return moments + static_cast<std::size_t>(h) * kRowStride; }
    int Low(int h) const { return h * minDelta; }
    int High(int h) const { return std::min(kLastShift, h * maxDelta); }
};

// value[s] += a x in[s]; moment[s] += a x inMoment[s] + b x in[s], for count cells.
template <typename Real>
inline void AddScaled(Real* __restrict value, Real* __restrict moment, const Real* __restrict in,
                      const Real* __restrict inMoment, Real a, Real b, int count) {
    for (int s = 0; s < count; ++s) {
        value[s] += a * in[s];
        moment[s] += a * inMoment[s] + b * in[s];
    }
}

// One more heavy atom of the unit on the line `in` (span [inLow, inHigh]), added
// into `out` over [outLow, outHigh]: out(s) += sum_i u_i in(s - delta_i).
template <typename Real>
inline void AddOneHeavyAtom(const MergeUnit<Real>& unit, const Real* in, const Real* inMoment, int inLow,
                            int inHigh, Real* out, Real* outMoment, int outLow, int outHigh) {
    for (int i = 0; i < unit.isotopeCount; ++i) {
        const int d = unit.delta[i];
        const int low = std::max(outLow, inLow + d);
        const int high = std::min(outHigh, inHigh + d);
        if (low > high) continue;
        AddScaled(out + low, outMoment + low, in + low - d, inMoment + low - d, unit.share[i],
                  unit.shareDefect[i], high - low + 1);
    }
}

template <typename Real>
inline void ClearSpan(Real* value, Real* moment, int low, int high) {
    if (low > high) return;
    std::fill(value + low, value + high + 1, Real(0));
    std::fill(moment + low, moment + high + 1, Real(0));
}

// The first table: row h = weight(h) u^h, u^h built by one more heavy atom a row.
// power and powerMoment hold two lines of kPeakCount cells each.
template <typename Real>
void BuildFirstTable(const MergeUnit<Real>& unit, Real* power, Real* powerMoment, Table<Real>& table) {
    table.top = unit.top;
    table.minDelta = unit.minDelta;
    table.maxDelta = unit.maxDelta;
    std::array<Real*, 2> line{power, power + kPeakCount};
    std::array<Real*, 2> lineMoment{powerMoment, powerMoment + kPeakCount};
    line[0][0] = 1;
    lineMoment[0][0] = 0;
    for (int h = 0; h <= unit.top; ++h) {
        const int low = table.Low(h);
        const int high = table.High(h);
        if (low > high) {
            table.top = h - 1;
            break;
        }
        Real* current = line[h % 2];
        Real* currentMoment = lineMoment[h % 2];
        if (h > 0) {
            ClearSpan(current, currentMoment, low, high);
            AddOneHeavyAtom(unit, line[(h + 1) % 2], lineMoment[(h + 1) % 2], table.Low(h - 1),
                            table.High(h - 1), current, currentMoment, low, high);
        }
        Real* row = table.Row(h);
        Real* momentRow = table.MomentRow(h);
        for (int s = low; s <= high; ++s) {
            row[s] = unit.weight[h] * current[s];
            momentRow[s] = unit.weight[h] * currentMoment[s] + unit.moment[h] * current[s];
        }
    }
}

template <typename Real>
inline void WidenFor(const Table<Real>& source, const MergeUnit<Real>& unit, int passes,
                     Table<Real>& target) {
    target.minDelta = std::min(source.minDelta, unit.minDelta);
    target.maxDelta = std::max(source.maxDelta, unit.maxDelta);
    target.top = std::min(passes, source.top + unit.top);
}

// target = sum over j of weight(j) T^j source, rows up to `passes`, where T makes
// one more atom heavy: (h, n) -> (h + 1, n + delta_i) with share u_i. Horner's
// scheme: B = weight(top) source; B = weight(j) source + T B for j = top-1 .. 0,
// each step in place from the highest row down (row h reads only row h - 1).
template <typename Real>
void MergeByHorner(const Table<Real>& source, const MergeUnit<Real>& unit, int passes, Table<Real>& target) {
    WidenFor(source, unit, passes, target);
    for (int j = unit.top; j >= 0; --j) {
        const int top = std::min(passes - j, source.top + unit.top - j);
        const bool carry = j < unit.top;
        for (int h = top; h >= 0; --h) {
            const int low = target.Low(h);
            const int high = target.High(h);
            if (low > high) continue;
            Real* row = target.Row(h);
            Real* momentRow = target.MomentRow(h);
            ClearSpan(row, momentRow, low, high);
            if (h <= source.top) {
                const int ownLow = std::max(low, source.Low(h));
                const int ownHigh = std::min(high, source.High(h));
                if (ownLow <= ownHigh) {
                    AddScaled(row + ownLow, momentRow + ownLow, source.Row(h) + ownLow,
                              source.MomentRow(h) + ownLow, unit.weight[j], unit.moment[j],
                              ownHigh - ownLow + 1);
                }
            }
            if (carry && h > 0) {
                AddOneHeavyAtom(unit, target.Row(h - 1), target.MomentRow(h - 1), target.Low(h - 1),
                                target.High(h - 1), row, momentRow, low, high);
            }
        }
    }
}

// target(H, n) = sum over j of weight(j) source(H - j, n - j delta): a group of
// single-isotope elements, each heavy atom adding delta. Along the diagonal the
// shift minus delta x heavy atoms stays fixed, so each term adds a whole source
// row, displaced by j delta, into the target row.
template <typename Real>
void MergeDiagonal(const Table<Real>& source, const MergeUnit<Real>& unit, int passes, Table<Real>& target) {
    WidenFor(source, unit, passes, target);
    const int delta = unit.delta[0];
    for (int h = 0; h <= target.top; ++h) {
        const int low = target.Low(h);
        const int high = target.High(h);
        if (low > high) continue;
        Real* row = target.Row(h);
        Real* momentRow = target.MomentRow(h);
        ClearSpan(row, momentRow, low, high);
        const int jLast = std::min(unit.top, h);
        for (int j = std::max(0, h - source.top); j <= jLast; ++j) {
            const int from = h - j;
            const int offset = j * delta;
            const int first = std::max(low, source.Low(from) + offset);
            const int last = std::min(high, source.High(from) + offset);
            if (first > last) continue;
            AddScaled(row + first, momentRow + first, source.Row(from) + first - offset,
                      source.MomentRow(from) + first - offset, unit.weight[j], unit.moment[j],
                      last - first + 1);
        }
    }
}

// The last unit, merged and summed over h <= passes in one go, without a table:
//   peaks = sum over j of weight(j) u^j * (rows 0 .. passes - j of the table)
// by Horner's scheme on lines over the shifts (x = weight(j) rows + T x), moments
// alongside. work holds six lines of kPeakCount cells.
template <typename Real>
void CollapseToPeaks(const Table<Real>& table, const MergeUnit<Real>& unit, int passes, Real* work,
                     Real* peaks, Real* moments) {
    // No composition gets beyond the table's widest shift plus the unit's.
    const int reach = std::min(kLastShift, table.High(table.top) + unit.top * unit.maxDelta);
    Real* rowsBelow = work;
    Real* momentsBelow = work + kPeakCount;
    std::array<Real*, 2> x{work + 2 * kPeakCount, work + 3 * kPeakCount};
    std::array<Real*, 2> xMoment{work + 4 * kPeakCount, work + 5 * kPeakCount};
    ClearSpan(rowsBelow, momentsBelow, 0, reach);
    ClearSpan(x[0], xMoment[0], 0, reach);
    int rowsAdded = -1;
    int current = 0;
    for (int j = unit.top; j >= 0; --j) {
        const int rows = std::min(passes - j, table.top);
        while (rowsAdded < rows) {
            ++rowsAdded;
            const int low = table.Low(rowsAdded);
            const int high = table.High(rowsAdded);
            if (low > high) continue;
            AddScaled(rowsBelow + low, momentsBelow + low, table.Row(rowsAdded) + low,
                      table.MomentRow(rowsAdded) + low, Real(1), Real(0), high - low + 1);
        }
        Real* next = x[1 - current];
        Real* nextMoment = xMoment[1 - current];
        const Real w = unit.weight[j];
        const Real m = unit.moment[j];
        for (int s = 0; s <= reach; ++s) {
            next[s] = w * rowsBelow[s];
            nextMoment[s] = w * momentsBelow[s] + m * rowsBelow[s];
        }
        if (j < unit.top)
            AddOneHeavyAtom(unit, x[current], xMoment[current], 0, reach, next, nextMoment, 0, reach);
        current = 1 - current;
    }
    std::fill(peaks, peaks + kPeakCount, Real(0));
    std::fill(moments, moments + kPeakCount, Real(0));
    std::copy_n(x[current], reach + 1, peaks);
    std::copy_n(xMoment[current], reach + 1, moments);
}

// Binary exponent of the largest cell of a table (0 when all are zero).
template <typename Real>
int LargestExponent(const Table<Real>& table) {
    Real largest = 0;
    for (int h = 0; h <= table.top; ++h) {
        const int low = table.Low(h);
        const int high = table.High(h);
        if (low > high) continue;
        const Real* row = table.Row(h);
        largest = std::max(largest, *std::max_element(row + low, row + high + 1));
    }
    int exponent = 0;
    if (largest > 0) std::frexp(largest, &exponent);
    return exponent;
}

}  // namespace tarnevo::core::convolution

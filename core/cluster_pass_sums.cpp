#include "core/cluster_pass_sums.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "core/cluster_binomial.h"
#include "core/cluster_stop.h"

namespace tarnevo::core::convolution {

namespace {

// Largest power of two by which b(h) / b(0) = C(N, h) (q / p0)^h may exceed 1 in a
// row with a lazily filled tail; (N q / p0)^h bounds it. Natural data stay below
// 11000 (20000 helium atoms: 320 x log2(20000 / 1.3e-6)).
constexpr Extended kLazyRowGrowthLog2 = 15000;

// The binomial row of an element is filled only as far as the passes reach:
// scaled so that b(0) lies in [0.5, 1), the others follow by ratios. A row that
// could leave the extended range that way (a lightest FA of 0, or absurdly
// small) is filled at once and scaled by its largest entry instead.
void StartBinomialRow(ElementRun& run, int lastPass) {
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

void FillBinomialRowTo(ElementRun& run, int top) {
    top = std::min(top, run.rowTop);
    Extended* row = run.binomial;
    for (int h = run.filledTop; h < top; ++h) {
        row[h + 1] = NextBinomialTerm(row[h], run.atoms, h, run.growth);
    }
    run.filledTop = std::max(run.filledTop, top);
}

// Probability of exactly r heavy atoms in the ion (x 2^-passExponent): column r
// of the running convolution of the elements' binomial rows. Called for
// r = 0, 1, 2, ... in turn; stage e (line e) holds elements 0 .. e convolved.
Extended PassSum(IonRuns& runs, const ScratchLines& lines, int r) {
    for (int e = 0; e < runs.elementCount; ++e) FillBinomialRowTo(runs.elements[e], r);
    const ElementRun& first = runs.elements[0];
    Extended value = r <= first.rowTop ? first.binomial[r] : 0.0L;
    int reach = first.rowTop;
    for (int e = 1; e < runs.elementCount; ++e) {
        const ElementRun& run = runs.elements[e];
        const Extended* previous = e == 1 ? first.binomial : lines.Line(e - 1);
        const int jLow = std::max(0, r - reach);
        const int jHigh = std::min(r, run.rowTop);
        Extended sum = 0;
        for (int j = jLow; j <= jHigh; ++j) sum += previous[r - j] * run.binomial[j];
        lines.Line(e)[r] = sum;
        value = sum;
        reach += run.rowTop;
    }
    return value;
}

// A composition below [A+320] has at most 319 / (smallest delta) heavy atoms.
int MostHeavyAtomsBelowOverflow(const IonRuns& runs) {
    int smallestDelta = kLargestDelta;
    for (int e = 0; e < runs.elementCount; ++e) {
        if (runs.elements[e].atoms > 0) smallestDelta = std::min(smallestDelta, runs.elements[e].minDelta);
    }
    return kLastShift / smallestDelta;
}

}  // namespace

void DescribeElements(const ClusterIon& ion, const ScratchLines& lines, IonRuns& runs) {
    runs.elementCount = ion.polyElementCount;
    runs.totalAtoms = 0;
    for (int e = 0; e < runs.elementCount; ++e) {
        ElementRun& run = runs.elements[e];
        run.atoms = std::max(0, ion.orderedCount[e]);
        run.heavyCount = ion.orderedHeavyCount[e];
        run.firstSlot = ion.firstSlot[e];
        const double* fa = &ion.workFA[ion.firstFAEntry[e]];
        const int* delta = &ion.workDelta[run.firstSlot];
        run.light = fa[0];
        run.heavy = 0;
        for (int i = 1; i <= run.heavyCount; ++i) run.heavy += fa[i];
        run.minDelta = *std::min_element(delta, delta + run.heavyCount);
        run.maxDelta = *std::max_element(delta, delta + run.heavyCount);
        for (int i = 0; i < run.heavyCount; ++i) {
            const int slot = run.firstSlot + i;
            runs.share[slot] = run.heavy > 0 ? fa[i + 1] / run.heavy : 0.0L;
            runs.shareDefect[slot] = runs.share[slot] * static_cast<Extended>(ion.workDefect[slot]);
        }
        run.binomial = lines.BinomialRow(e);
        runs.totalAtoms += run.atoms;
    }
}

bool PassSums::PeaksCertainlyBelowDoubleRange() const {
    if (!(belowOverflowBound > 0)) return true;
    return ExponentOf(belowOverflowBound) + passExponent < DBL_MIN_EXP;
}

PassSums RunPasses(const ClusterIon& ion, IonRuns& runs, const ScratchLines& lines, int lastPass,
                   double stopFA) {
    for (int e = 0; e < runs.elementCount; ++e) StartBinomialRow(runs.elements[e], lastPass);
    PassSums sums;
    for (int e = 0; e < runs.elementCount; ++e) sums.passExponent += runs.elements[e].binomialExponent;
    const int mostHeavyBelowOverflow = MostHeavyAtomsBelowOverflow(runs);
    Extended cumulative = PassSum(runs, lines, 0);
    sums.belowOverflowBound = cumulative;
    int pass = 0;
    while (pass < lastPass) {
        ++pass;
        const Extended sum = PassSum(runs, lines, pass);
        cumulative += sum;
        if (pass <= mostHeavyBelowOverflow) sums.belowOverflowBound += sum;
        if (CumulativeFAExceedsStop(ion, pass, std::ldexp(cumulative, sums.passExponent), stopFA)) break;
    }
    sums.cumulative = cumulative;
    sums.passes = pass;
    return sums;
}

}  // namespace tarnevo::core::convolution

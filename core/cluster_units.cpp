#include "core/cluster_units.h"

#include <algorithm>
#include <cmath>

#include "core/cluster_binomial.h"

namespace tarnevo::core::convolution {

namespace {

// A group is one isotope of delta 1 .. 32 for the merge: the whole share, and its
// defects carried in its moment line instead.
constexpr Extended kWholeShare = 1.0L;
constexpr Extended kNoDefect = 0.0L;

// A unit of its own: an element with several heavy isotopes.
Unit ElementUnit(const ClusterIon& ion, const IonRuns& runs, const ScratchLines& lines, const ElementRun& run,
                 int top) {
    return {top,
            run.binomial,
            lines.ZeroLine(),
            run.binomialExponent,
            run.heavyCount,
            &runs.share[run.firstSlot],
            &runs.shareDefect[run.firstSlot],
            &ion.workDelta[run.firstSlot],
            run.minDelta,
            run.maxDelta};
}

// The group of `delta` below its first element's row: its line and moment line
// hold that row and the row's defect moment j x defect.
void StartGroup(UnitSet& units, const ScratchLines& lines, int group, const ElementRun& run, int top,
                int delta, Extended defect) {
    units.groupDelta[group] = delta;
    Extended* line = lines.Line(group);
    Extended* moment = lines.MomentLine(group);
    std::copy_n(run.binomial, top + 1, line);
    for (int j = 0; j <= top; ++j) moment[j] = run.binomial[j] * (j * defect);
    units.units[units.count++] = {top,   line,         moment,     run.binomialExponent,
                                  1,     &kWholeShare, &kNoDefect, &units.groupDelta[group],
                                  delta, delta};
}

// (line, moment) of a group convolved with the element's (b(j), b(j) x j x defect).
void JoinGroup(Unit& unit, const ScratchLines& lines, int group, const ElementRun& run, int top, int passes,
               Extended defect) {
    Extended* line = lines.Line(group);
    Extended* moment = lines.MomentLine(group);
    const int newTop = std::min(passes, unit.top + top);
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

}  // namespace

void BuildUnits(const ClusterIon& ion, const IonRuns& runs, const ScratchLines& lines, int passes,
                UnitSet& units) {
    units.count = 0;
    int groupCount = 0;
    std::array<int, kMaxPolyElements> groupUnit{};
    for (int e = 0; e < runs.elementCount; ++e) {
        const ElementRun& run = runs.elements[e];
        if (run.atoms == 0) continue;
        const int top = std::min(run.atoms, passes);
        if (run.heavyCount > 1) {
            units.units[units.count++] = ElementUnit(ion, runs, lines, run, top);
            continue;
        }
        const Extended defect = ion.workDefect[run.firstSlot];
        const int delta = ion.workDelta[run.firstSlot];
        int group = 0;
        while (group < groupCount && units.groupDelta[group] != delta) ++group;
        if (group == groupCount) {
            groupUnit[group] = units.count;
            ++groupCount;
            StartGroup(units, lines, group, run, top, delta, defect);
            continue;
        }
        JoinGroup(units.units[groupUnit[group]], lines, group, run, top, passes, defect);
    }
    for (int g = 0; g < groupCount; ++g) {
        Unit& unit = units.units[groupUnit[g]];
        const int shift = Normalize(lines.Line(g), unit.top);
        Extended* moment = lines.MomentLine(g);
        for (int j = 0; j <= unit.top; ++j) moment[j] = std::ldexp(moment[j], -shift);
        unit.exponent += shift;
    }
}

}  // namespace tarnevo::core::convolution

#include "core/ion_type_search.h"

#include <algorithm>
#include <cmath>

#include "core/cluster_engine.h"
#include "core/ion_mz.h"
#include "core/progress_span.h"

namespace tarnevo::core {

namespace {

// The widening of the window on M's mass, u: far above the rounding of the
// translation (1e-13 u at 10,000 u), far below any tolerance worth asking.
// What it lets in beyond the window is dropped by the ion's own m/z.
constexpr Extended kMassSlack = 1e-6L;

// The mass the groups of the bracket add (additions less losses), u.
Extended GroupMass(const ElementTable& table, const IonNotation& notation) {
    Extended mass = 0.0L;
    for (const IonGroup& group : notation.groups) {
        mass += static_cast<Extended>(group.sign * group.count) * LightestMass(table, group.formula);
    }
    return mass;
}

// M's mass whose ion of the type has the given m/z: solves
// mz = (k x M + groups - z x electronMass) / |z| for M.
Extended MoleculeMass(Extended mz, Extended groups, const IonNotation& notation) {
    return (LightestMassAtMz(mz, notation.charge) - groups) / static_cast<Extended>(notation.moleculeCount);
}

// The query of the molecules whose mass lies in [lowMass, highMass]
// (widened), at charge 1: the m/z the search computes is then mass less one
// electron. A row whose maximum was left to its default takes the most atoms
// of its element alone that fit under the highest mass.
FormulaQuery MoleculeQuery(const MoleculeRows& rows, Extended lowMass, Extended highMass) {
    FormulaQuery query;
    query.elements = rows.elements;
    query.charge = 1;
    const Extended low = MzOf(IonMassOf(std::max(lowMass - kMassSlack, 0.0L), query.charge), query.charge);
    const Extended high = MzOf(IonMassOf(highMass + kMassSlack, query.charge), query.charge);
    query.target = static_cast<double>((low + high) / 2.0L);
    query.tolerance = static_cast<double>((high - low) / 2.0L);
    for (std::size_t k = 0; k < query.elements.size(); ++k) {
        SearchElement& element = query.elements[k];
        if (k >= rows.defaultMaximum.size() || !rows.defaultMaximum[k]) continue;
        const int fit = DefaultMaximum(static_cast<double>(highMass + kMassSlack), element.mass);
        element.maximum = std::clamp(fit, element.minimum, kMaxSearchCount);
    }
    return query;
}

bool HasAtoms(const AtomCounts& counts) {
    return std::any_of(counts.begin(), counts.end(), [](int count) { return count > 0; });
}

// The walk records a partial formula as soon as it reaches the window, the
// rows after it at 0 whatever their minimum: such an M is not one the rows
// allow.
bool WithinMinima(const FormulaQuery& query, const AtomCounts& counts) {
    for (std::size_t k = 0; k < query.elements.size(); ++k) {
        if (counts[k] < query.elements[k].minimum) return false;
    }
    return true;
}

// The walk finds every formula of a window only while the window is narrower
// than the lightest atom: a partial formula in the window is recorded without
// the heavier ones that also lie in it. The ion window is therefore walked in
// slices whose window on M is half the lightest row's mass wide (a [M+3H]3+
// at a tolerance of 0.5 asks for 3 u of M).
Extended SliceWidth(const MoleculeRows& rows, const IonNotation& notation) {
    double lightest = rows.elements.front().mass;
    for (const SearchElement& element : rows.elements) lightest = std::min(lightest, element.mass);
    return static_cast<Extended>(lightest) / 2.0L * static_cast<Extended>(notation.moleculeCount) /
           ChargeMagnitude(notation.charge);
}

// One slice of the ion window, from..to (to included only in the last).
struct IonSlice {
    Extended from = 0.0L;
    Extended to = 0.0L;
    bool last = false;
    bool Holds(Extended mz) const { return mz >= from && (mz < to || (last && mz <= to)); }
};

ParsedFormula MoleculeOf(const MoleculeRows& rows, const AtomCounts& counts) {
    ParsedFormula molecule;
    for (std::size_t k = 0; k < rows.elementIndex.size() && k < counts.size(); ++k) {
        molecule[rows.elementIndex[k]] += static_cast<std::uint32_t>(std::max(counts[k], 0));
    }
    return molecule;
}

// What the walk of one ion type keeps between its slices.
struct TypeWalk {
    const ElementTable& table;
    const MoleculeRows& rows;
    const IonNotation& notation;
    const IonTypeVisitor& visit;
    MoleculeDetail detail = MoleculeDetail::Formula;
    Extended groups = 0.0L;
    bool stopped = false;
    IonTypeMolecule molecule;  // the one handed to visit, reused
};

// The molecules of one slice; each M is visited by the slice that holds its
// ion's m/z, so that none is visited twice.
WorkStatus WalkSlice(TypeWalk& walk, const IonSlice& slice, WorkProgress* progress,
                     std::size_t plannedCount) {
    const Extended highMass = MoleculeMass(slice.to, walk.groups, walk.notation);
    if (highMass <= 0.0L) return WorkStatus::Finished;  // the groups alone weigh more than the slice
    const FormulaQuery query =
        MoleculeQuery(walk.rows, MoleculeMass(slice.from, walk.groups, walk.notation), highMass);
    return VisitFormulae(
        query,
        [&](const FoundFormula& found) {
            if (!HasAtoms(found.counts) || !WithinMinima(query, found.counts)) return SearchVisit::Continue;
            const Extended ionMass =
                static_cast<Extended>(walk.notation.moleculeCount) * PartialFormulaMass(query, found.counts) +
                walk.groups;
            const Extended mz = MzOf(IonMassOf(ionMass, walk.notation.charge), walk.notation.charge);
            if (!slice.Holds(mz)) return SearchVisit::Continue;
            IonTypeMolecule& molecule = walk.molecule;
            molecule.counts = found.counts;
            molecule.mz = mz;
            if (walk.detail == MoleculeDetail::Formula) molecule.molecule = MoleculeOf(walk.rows, found.counts);
            if (walk.visit(molecule) == SearchVisit::Continue) return SearchVisit::Continue;
            walk.stopped = true;
            return SearchVisit::Stop;
        },
        progress, plannedCount);
}

}  // namespace

std::vector<int> SearchedMaxima(const ElementTable& table, const MoleculeRows& rows,
                                const IonNotation& notation, IonMzWindow window) {
    const Extended highMass = std::max(MoleculeMass(window.high, GroupMass(table, notation), notation), 0.0L);
    std::vector<int> maxima;
    for (const SearchElement& element : MoleculeQuery(rows, 0.0L, highMass).elements) {
        maxima.push_back(element.maximum);
    }
    return maxima;
}

Extended HighestIonMz(const ElementTable& table, const MoleculeRows& rows, const IonNotation& notation) {
    Extended highestMass = 0.0L;
    for (std::size_t k = 0; k < rows.elements.size(); ++k) {
        const bool byDefault = k < rows.defaultMaximum.size() && rows.defaultMaximum[k];
        const int most = byDefault ? kMaxSearchCount : rows.elements[k].maximum;
        highestMass += static_cast<Extended>(most) * static_cast<Extended>(rows.elements[k].mass);
    }
    const Extended ionMass =
        static_cast<Extended>(notation.moleculeCount) * highestMass + GroupMass(table, notation);
    return MzOf(IonMassOf(ionMass, notation.charge), notation.charge);
}

double EstimatedMoleculeCount(const ElementTable& table, const MoleculeRows& rows,
                              const IonNotation& notation, IonMzWindow window) {
    if (rows.elements.empty()) return 0.0;
    const Extended groups = GroupMass(table, notation);
    const Extended lowMass = MoleculeMass(window.low, groups, notation);
    const Extended highMass = MoleculeMass(window.high, groups, notation);
    if (highMass <= 0.0L) return 0.0;
    const std::vector<int> maxima = SearchedMaxima(table, rows, notation, window);
    // Each count c stands for the cell [c - 1/2, c + 1/2) of the continuous
    // box, whose volume the count approaches: measured from each minimum less
    // a half, the box is [0, maximum - minimum + 1) and the plane lies at the
    // middle mass less the minima's mass plus half of each row's.
    const std::size_t d = rows.elements.size();
    Extended plane = (lowMass + highMass) / 2.0L;
    Extended massProduct = 1.0L;
    std::vector<Extended> sides(d);
    for (std::size_t k = 0; k < d; ++k) {
        const auto mass = static_cast<Extended>(rows.elements[k].mass);
        plane -= (static_cast<Extended>(rows.elements[k].minimum) - 0.5L) * mass;
        sides[k] = static_cast<Extended>(std::max(maxima[k] - rows.elements[k].minimum + 1, 0)) * mass;
        massProduct *= mass;
    }
    if (plane < 0.0L) return 0.0;
    // (d-1)-volume of {x >= 0, x below the box's sides, sum of x_k m_k = T}
    // per unit of T: the sum over the corners S cut off of
    // (-1)^|S| (T - sum of S's sides)^(d-1) / ((d-1)! prod m_k).
    Extended factorial = 1.0L;
    for (std::size_t k = 2; k < d; ++k) factorial *= static_cast<Extended>(k);
    Extended area = 0.0L;
    for (std::size_t subset = 0; subset < (std::size_t{1} << d); ++subset) {
        Extended reach = plane;
        int sign = 1;
        for (std::size_t k = 0; k < d; ++k) {
            if ((subset >> k & 1U) == 0) continue;
            reach -= sides[k];
            sign = -sign;
        }
        if (reach <= 0.0L) continue;
        area += static_cast<Extended>(sign) * std::pow(reach, static_cast<Extended>(d - 1));
    }
    const Extended count = std::max(area, 0.0L) / (factorial * massProduct) * (highMass - lowMass);
    return static_cast<double>(count);
}

WorkStatus VisitIonTypeMolecules(const ElementTable& table, const MoleculeRows& rows,
                                 const IonNotation& notation, IonMzWindow window, const IonTypeVisitor& visit,
                                 WorkProgress* progress, std::size_t plannedCount, MoleculeDetail detail) {
    if (rows.elements.empty()) return WorkStatus::Finished;
    TypeWalk walk{table, rows, notation, visit, detail, GroupMass(table, notation), false, {}};
    const Extended width = SliceWidth(rows, notation);
    // Each slice's walk reports from 0 to 1 again: its share of the whole.
    const auto sliceCount =
        static_cast<std::size_t>(std::max(1.0L, std::ceil((window.high - window.low) / width)));
    const ProgressSpan whole(progress, 0.0, 1.0);
    IonSlice slice{window.low, window.low, false};
    for (std::size_t index = 0; !slice.last && !walk.stopped; ++index) {
        slice.from = slice.to;
        slice.to = slice.from + width;
        if (slice.to >= window.high) slice = {slice.from, window.high, true};
        ProgressSpan part = whole.Part(std::min(index, sliceCount - 1), sliceCount);
        if (WalkSlice(walk, slice, part.Watched(), plannedCount) == WorkStatus::Cancelled || part.Cancelled())
            return WorkStatus::Cancelled;
    }
    return WorkStatus::Finished;
}

int IonElectronClass(const ElementTable& table, const ParsedFormula& ion, int charge) {
    long long electrons = 0;
    for (int e = 0; e < kElementCount; ++e) {
        if (ion[e] == 0) continue;
        const int valence = table[e].valenceElectrons;
        if (valence < 0) return kIndeterminateElectrons;
        electrons += static_cast<long long>(ion[e]) * valence;
    }
    return (electrons - charge) % 2 == 0 ? kEvenElectron : kOddElectron;
}

}  // namespace tarnevo::core

#include "cli/formula_adduct_search.h"

#include <algorithm>
#include <cmath>

#include "cli/terminal_progress.h"
#include "core/cluster_engine.h"
#include "core/ion_mz.h"

namespace tarnevo::cli {

namespace {

using core::Extended;

// The widening of the window on M's mass, u: far above the rounding of the
// translation (1e-13 u at 10,000 u), far below any tolerance worth asking.
// What it lets in beyond the window is dropped by the ion's own m/z.
constexpr Extended kMassSlack = 1e-6L;

// The mass the groups of the bracket add (additions less losses), u.
Extended GroupMass(const core::ElementTable& table, const core::IonNotation& notation) {
    Extended mass = 0.0L;
    for (const core::IonGroup& group : notation.groups) {
        mass += static_cast<Extended>(group.sign * group.count) * core::LightestMass(table, group.formula);
    }
    return mass;
}

// M's mass whose ion of the type has the given m/z: solves
// mz = (k x M + groups - z x electronMass) / |z| for M.
Extended MoleculeMass(Extended mz, Extended groups, const core::IonNotation& notation) {
    return (core::LightestMassAtMz(mz, notation.charge) - groups) /
           static_cast<Extended>(notation.moleculeCount);
}

// The query of the molecules whose mass lies in [lowMass, highMass]
// (widened), at charge 1: the m/z the search computes is then mass less one
// electron. A row whose maximum was left to its default takes the most atoms
// of its element alone that fit under the highest mass.
core::FormulaQuery MoleculeQuery(const AdductSearchInput& input, Extended lowMass, Extended highMass) {
    core::FormulaQuery query = input.run->query;
    query.charge = 1;
    const Extended low =
        core::MzOf(core::IonMassOf(std::max(lowMass - kMassSlack, 0.0L), query.charge), query.charge);
    const Extended high = core::MzOf(core::IonMassOf(highMass + kMassSlack, query.charge), query.charge);
    query.target = static_cast<double>((low + high) / 2.0L);
    query.tolerance = static_cast<double>((high - low) / 2.0L);
    for (std::size_t k = 0; k < query.elements.size(); ++k) {
        core::SearchElement& element = query.elements[k];
        if (k >= input.defaultMaximum.size() || !input.defaultMaximum[k]) continue;
        const int fit = core::DefaultMaximum(static_cast<double>(highMass + kMassSlack), element.mass);
        element.maximum = std::clamp(fit, element.minimum, core::kMaxSearchCount);
    }
    return query;
}

bool HasAtoms(const core::AtomCounts& counts) {
    return std::any_of(counts.begin(), counts.end(), [](int count) { return count > 0; });
}

// The walk records a partial formula as soon as it reaches the window, the
// rows after it at 0 whatever their minimum: such an M is not one the rows
// allow.
bool WithinMinima(const core::FormulaQuery& query, const core::AtomCounts& counts) {
    for (std::size_t k = 0; k < query.elements.size(); ++k) {
        if (counts[k] < query.elements[k].minimum) return false;
    }
    return true;
}

// The walk finds every formula of a window only while the window is narrower
// than the lightest atom: a partial formula in the window is recorded without
// the heavier ones that also lie in it. The ion window is therefore walked in
// slices whose window on M is half the lightest row's mass wide (a [M+3H]3+
// at --tol 0.5 asks for 3 u of M).
Extended SliceWidth(const core::FormulaQuery& query, const core::IonNotation& notation) {
    double lightest = query.elements.front().mass;
    for (const core::SearchElement& element : query.elements) lightest = std::min(lightest, element.mass);
    return static_cast<Extended>(lightest) / 2.0L * static_cast<Extended>(notation.moleculeCount) /
           core::ChargeMagnitude(notation.charge);
}

// One slice of the ion window, from..to (to included only in the last).
struct IonSlice {
    Extended from = 0.0L;
    Extended to = 0.0L;
    bool last = false;
    bool Holds(Extended mz) const { return mz >= from && (mz < to || (last && mz <= to)); }
};

// What the walk of one ion type keeps between its slices.
struct TypeSearch {
    const AdductSearchInput& input;
    AdductSearchLimits limits;
    AdductMatches& matches;
    Extended groups = 0.0L;
    bool tooMany = false;
    bool stopped = false;
};

// The molecules of one slice into the matches; each M is kept by the slice
// that holds its ion's m/z, so that none is listed twice.
void SearchSlice(TypeSearch& search, const IonSlice& slice) {
    const core::IonNotation& notation = search.matches.type.notation;
    const Extended highMass = MoleculeMass(slice.to, search.groups, notation);
    if (highMass <= 0.0L) return;  // the groups alone weigh more than the slice
    const core::FormulaQuery query =
        MoleculeQuery(search.input, MoleculeMass(slice.from, search.groups, notation), highMass);
    const core::ElementTable& table = *search.input.table;
    TerminalProgress progress{std::string(calc::kFormulaSearchProgress)};
    core::VisitFormulae(
        query,
        [&](const core::FoundFormula& found) {
            if (!HasAtoms(found.counts) || !WithinMinima(query, found.counts))
                return core::SearchVisit::Continue;
            const std::optional<core::ParsedFormula> ion =
                IonAtoms(search.matches.type, MoleculeAtoms(*search.input.run, found.counts));
            if (!ion) return core::SearchVisit::Continue;
            const Extended mz = core::MzOf(core::IonMassOf(core::LightestMass(table, *ion), notation.charge),
                                           notation.charge);
            if (!slice.Holds(mz)) return core::SearchVisit::Continue;
            if (search.matches.molecules.Size() >= search.limits.cap) {
                search.matches.capped = true;
                search.stopped = true;
                return core::SearchVisit::Stop;
            }
            core::FoundFormula molecule = found;
            molecule.mz = static_cast<double>(mz);
            molecule.electronClass = IonElectronClass(table, *ion, notation.charge);
            if (search.matches.molecules.Add(molecule)) return core::SearchVisit::Continue;
            search.tooMany = true;
            search.stopped = true;
            return core::SearchVisit::Stop;
        },
        &progress, search.limits.cap - std::min(search.limits.cap, search.matches.molecules.Size()));
}

// One ion type's molecules into matches; false when the ceiling was reached.
bool SearchType(const AdductSearchInput& input, AdductSearchLimits limits, AdductMatches& matches) {
    const core::IonNotation& notation = matches.type.notation;
    const core::MzWindow window = core::SearchWindow(input.run->query.target, input.run->query.tolerance);
    TypeSearch search{input, limits, matches, GroupMass(*input.table, notation)};
    const core::FormulaQuery widest =
        MoleculeQuery(input, 0.0L, std::max(MoleculeMass(window.high, search.groups, notation), 0.0L));
    for (const core::SearchElement& element : widest.elements) matches.maxima.push_back(element.maximum);

    const Extended width = SliceWidth(input.run->query, notation);
    IonSlice slice{window.low, window.low, false};
    while (!slice.last && !search.stopped) {
        slice.from = slice.to;
        slice.to = slice.from + width;
        if (slice.to >= window.high) slice = {slice.from, window.high, true};
        SearchSlice(search, slice);
    }
    matches.molecules.SortByMz();
    return !search.tooMany;
}

}  // namespace

AdductSearchResult SearchAdductMolecules(const AdductSearchInput& input, const std::vector<AdductType>& types,
                                         AdductSearchLimits limits) {
    AdductSearchResult result;
    const int rows = static_cast<int>(input.run->query.elements.size());
    std::size_t listed = 0;
    for (const AdductType& type : types) {
        // Each listing refuses what would take the ceiling of all together past it.
        const std::size_t room = limits.ceiling - listed;
        result.types.push_back({type, FormulaListing(rows, std::min(limits.cap, room)), false, {}});
        if (!SearchType(input, {limits.cap, room}, result.types.back())) {
            result.tooMany = true;
            return result;
        }
        listed += result.types.back().molecules.Size();
    }
    return result;
}

core::ParsedFormula MoleculeAtoms(const calc::FormulaSearchRun& run, const core::AtomCounts& counts) {
    core::ParsedFormula molecule;
    for (std::size_t k = 0; k < run.elementIndex.size() && k < counts.size(); ++k) {
        molecule[run.elementIndex[k]] += static_cast<std::uint32_t>(std::max(counts[k], 0));
    }
    return molecule;
}

std::optional<core::ParsedFormula> IonAtoms(const AdductType& type, const core::ParsedFormula& molecule) {
    return core::BuildIonFormula(type.notation, molecule, "M").ion;
}

int IonElectronClass(const core::ElementTable& table, const core::ParsedFormula& ion, int charge) {
    long long electrons = 0;
    for (int e = 0; e < core::kElementCount; ++e) {
        if (ion[e] == 0) continue;
        const int valence = table[e].valenceElectrons;
        if (valence < 0) return core::kIndeterminateElectrons;
        electrons += static_cast<long long>(ion[e]) * valence;
    }
    return (electrons - charge) % 2 == 0 ? core::kEvenElectron : core::kOddElectron;
}

}  // namespace tarnevo::cli

#include "cli/formula_adduct_search.h"

#include <algorithm>
#include <cmath>

#include "cli/terminal_progress.h"
#include "core/cluster_engine.h"

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
    const auto z = static_cast<Extended>(notation.charge);
    return (mz * std::abs(z) + z * static_cast<Extended>(core::electronMass) - groups) /
           static_cast<Extended>(notation.moleculeCount);
}

// The query of the molecules whose mass lies in [lowMass, highMass]
// (widened), at charge 1: the m/z the search computes is then mass less one
// electron. A row whose maximum was left to its default takes the most atoms
// of its element alone that fit under the highest mass.
core::FormulaQuery MoleculeQuery(const AdductSearchInput& input, Extended lowMass, Extended highMass) {
    core::FormulaQuery query = input.run->query;
    const Extended electron = core::electronMass;
    const Extended low = std::max(lowMass - kMassSlack, 0.0L) - electron;
    const Extended high = highMass + kMassSlack - electron;
    query.charge = 1;
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

// One ion type's molecules into matches; false when the ceiling was reached.
bool SearchType(const AdductSearchInput& input, AdductSearchLimits limits, AdductMatches& matches) {
    const core::ElementTable& table = *input.table;
    const core::IonNotation& notation = matches.type.notation;
    const core::MzWindow window = core::SearchWindow(input.run->query.target, input.run->query.tolerance);
    const Extended groups = GroupMass(table, notation);
    const Extended highMass = MoleculeMass(window.high, groups, notation);
    const Extended lowMass = MoleculeMass(window.low, groups, notation);
    const core::FormulaQuery query = MoleculeQuery(input, lowMass, std::max(highMass, 0.0L));
    for (const core::SearchElement& element : query.elements) matches.maxima.push_back(element.maximum);
    if (highMass <= 0.0L) return true;  // the groups alone weigh more than the window

    bool tooMany = false;
    TerminalProgress progress{std::string(calc::kFormulaSearchProgress)};
    core::VisitFormulae(
        query,
        [&](const core::FoundFormula& found) {
            if (!HasAtoms(found.counts)) return core::SearchVisit::Continue;
            const std::optional<core::ParsedFormula> ion =
                IonAtoms(matches.type, MoleculeAtoms(*input.run, found.counts));
            if (!ion) return core::SearchVisit::Continue;
            const Extended mz = core::IonMz(core::LightestMass(table, *ion), notation.charge);
            if (mz < window.low || mz > window.high) return core::SearchVisit::Continue;
            if (matches.molecules.Size() >= limits.cap) {
                matches.capped = true;
                return core::SearchVisit::Stop;
            }
            core::FoundFormula molecule = found;
            molecule.mz = static_cast<double>(mz);
            molecule.electronClass = IonElectronClass(table, *ion, notation.charge);
            if (matches.molecules.Add(molecule)) return core::SearchVisit::Continue;
            tooMany = true;
            return core::SearchVisit::Stop;
        },
        &progress, limits.cap);
    matches.molecules.SortByMz();
    return !tooMany;
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
    core::IonFormulaBuild build = core::BuildIonFormula(type.notation, molecule, "M");
    return std::move(build.ion);
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

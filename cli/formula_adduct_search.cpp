#include "cli/formula_adduct_search.h"

#include <algorithm>
#include <cmath>

#include "cli/terminal_progress.h"
#include "core/ion_type_search.h"

namespace tarnevo::cli {

namespace {

core::MoleculeRows RowsOf(const AdductSearchInput& input) {
    core::MoleculeRows rows;
    rows.elements = input.run->query.elements;
    rows.elementIndex.assign(input.run->elementIndex.begin(), input.run->elementIndex.end());
    rows.defaultMaximum = input.defaultMaximum;
    return rows;
}

// One ion type's molecules into matches; false when the ceiling was reached.
bool SearchType(const AdductSearchInput& input, AdductSearchLimits limits, AdductMatches& matches) {
    const core::IonNotation& notation = matches.type.notation;
    const core::MzWindow window = core::SearchWindow(input.run->query.target, input.run->query.tolerance);
    const core::MoleculeRows rows = RowsOf(input);
    const core::IonMzWindow ionWindow{window.low, window.high};
    matches.maxima = core::SearchedMaxima(*input.table, rows, notation, ionWindow);
    bool tooMany = false;
    TerminalProgress progress{std::string(calc::kFormulaSearchProgress)};
    core::VisitIonTypeMolecules(
        *input.table, rows, notation, ionWindow,
        [&](const core::IonTypeMolecule& found) {
            const std::optional<core::ParsedFormula> ion = IonAtoms(matches.type, found.molecule);
            if (!ion) return core::SearchVisit::Continue;
            if (matches.molecules.Size() >= limits.cap) {
                matches.capped = true;
                return core::SearchVisit::Stop;
            }
            core::FoundFormula molecule;
            molecule.counts = found.counts;
            molecule.mz = static_cast<double>(found.mz);
            molecule.electronClass = core::IonElectronClass(*input.table, *ion, notation.charge);
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
    return core::BuildIonFormula(type.notation, molecule, "M").ion;
}

}  // namespace tarnevo::cli

// The Molecular Formulae from m/z command (Ctrl+M): asks for a measured m/z of
// an [A+0] ion, the half width of the window around it and the charge, then for
// up to eight elements with their atom-count ranges (and, for Jx, its exact
// mass and valence), lists the elemental formulae whose m/z lies in the window
// and stores the first 200 found, sorted by m/z, as the data set's results.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/command_context.h"
#include "core/formula_search.h"

namespace tarnevo::calc {

inline constexpr std::string_view kFormulaZeroCharge = "Error - The ionic charge cannot be zero!";
inline constexpr std::string_view kFormulaNoElement =
    "Error - Your compound must contain at least one element!";
inline constexpr std::string_view kFormulaMinimumAboveMaximum =
    "Error - At least one minimum atom count exceeds its maximum!";
// Every formula of a search, listed beyond the 200 the page otherwise keeps,
// is held to be sorted by m/z: 48 bytes each, 48 MB at most.
inline constexpr std::size_t kMaxListedFormulae = 1'000'000;
inline constexpr std::string_view kFormulaListTooLong =
    "More than 1,000,000 formulae lie in the m/z range, more than the list of every formula holds. "
    "Narrow the m/z range or bound the atom counts.";

// Which of the formulae found the results keep.
enum class ListedFormulae {
    First200,  // the first 200 found, sorted by m/z
    All,       // every one, sorted by m/z
};

// Over the progress dialog of a search that takes more than a moment.
inline constexpr std::string_view kFormulaSearchProgress = "Searching for the molecular formulae...";

// What a completed run searched: the query with every maximum resolved, and
// the element index of each of its rows.
struct FormulaSearchRun {
    core::FormulaQuery query;
    std::vector<int> elementIndex;
};

// The whole command; the search as run when results were stored, nothing when
// the command ended early (Cancel in a dialog or in the search's progress
// dialog, or a refusal already shown).
std::optional<FormulaSearchRun> RunMolecularFormulaeSearch(CommandContext& context);

// The menu command.
void RunMolecularFormulae(CommandContext& context);

// Copies the inputs and the sorted formulae into the document's state: the
// first 200 into its arrays and, when all are listed, the rest beyond them.
void StoreFormulaResults(CommandContext& context, const FormulaSearchRun& run,
                         const std::vector<core::FoundFormula>& formulae,
                         ListedFormulae listed = ListedFormulae::First200);

}  // namespace tarnevo::calc

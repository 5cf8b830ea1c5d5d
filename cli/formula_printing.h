// A listing of formulae found for an m/z on standard output: the JSON object,
// the CSV table and the result page, for the 200 stored formulae and for every
// formula of tarnevo-cli formulas --all alike. The stored state supplies what
// the result page and the table take from it (element symbols, target, charge);
// the listing supplies the formulae, in its order.
#pragma once

#include <ostream>

#include "calc/molecular_formulae_command.h"
#include "cli/formula_listing.h"
#include "output/calculation_state.h"

namespace tarnevo::cli {

// Whether the listing is the stored 200 of a search that found more.
enum class StorageFull { No, Yes };

// {"target", "tolerance", "charge", "elements": [{symbol, min, max}...],
// "formulaCount", "storageFull", "formulae": [{formula, counts, mz, errorPpm,
// electronClass, dbe}...]}, dbe null where an element present has no usual
// valence.
void PrintFormulaJson(const calc::FormulaSearchRun& run, const output::CalculationState& state,
                      const FormulaListing& listing, StorageFull storageFull, std::ostream& out);

// The header and one row per formula, the columns of the stored table's CSV.
void PrintFormulaCsv(const output::CalculationState& state, const FormulaListing& listing, std::ostream& out);

// The result page's head, then one line per formula as the page draws them,
// without the note that the storage is full.
void PrintFormulaPage(const output::CalculationState& state, const FormulaListing& listing,
                      std::ostream& out);

}  // namespace tarnevo::cli

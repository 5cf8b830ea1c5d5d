// The molecules of formulas MZ --adduct ION on standard output: the JSON
// object, the CSV table and the listing, one entry per molecule and ion type,
// the ion types in the order given, each one's molecules by the ion's m/z.
#pragma once

#include <ostream>

#include "calc/molecular_formulae_command.h"
#include "cli/formula_adduct_search.h"
#include "core/element_table.h"

namespace tarnevo::cli {

// What every printing reads: the search as the calculation resolved it, the
// element table with Jx as defined, and the molecules of each ion type.
struct AdductPrintout {
    const calc::FormulaSearchRun& run;
    const core::ElementTable& table;
    const AdductSearchResult& result;
};

// {"target", "tolerance", "adducts": [{adduct, charge, formulaCount,
// storageFull, maxima}...], "elements": [{symbol, min, max}...],
// "formulaCount", "storageFull", "formulae": [{adduct, formula, ionFormula,
// counts, mz, errorPpm, electronClass, dbe}...]}: maxima are each row's
// maximum as the type searched it, max the largest of them; formula is M, mz
// the ion's, electronClass the ion's, dbe M's (null where an element present
// has no usual valence).
void PrintAdductJson(const AdductPrintout& printout, std::ostream& out);

// adduct,formula,ionFormula,mz,errorPpm,electronClass,dbe
void PrintAdductCsv(const AdductPrintout& printout, std::ostream& out);

// A head naming target and range, then one line per molecule: ion type,
// formula, ion formula, m/z and error in ppm; a note under an ion type whose
// molecules were more than the listing holds, or that has none.
void PrintAdductListing(const AdductPrintout& printout, std::ostream& out);

}  // namespace tarnevo::cli

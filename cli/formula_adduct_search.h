// tarnevo-cli formulas MZ --adduct ION: the neutral molecules M, bounded by the
// element rows, whose ion of a given type (k x M + additions - losses, with the
// notation's charge) has its [A+0] m/z within the window around MZ. The ion may
// hold elements the rows do not (the Na of [M+Na]+).
//
// The walk itself is core's (core/ion_type_search.h); this keeps what the
// listing needs: the cap, the ceiling and the maxima as searched.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "calc/molecular_formulae_command.h"
#include "cli/formula_listing.h"
#include "core/element_table.h"
#include "core/ion_notation.h"

namespace tarnevo::cli {

// One ion type of the search, as given on the command line.
struct AdductType {
    std::string text;  // as written back: "[M+Na]+"
    core::IonNotation notation;
};

// The search of one ion type: its molecules M (counts of the rows, the ion's
// m/z, the ion's electron class), in the order the walk finds them, sorted by
// the ion's m/z once complete.
struct AdductMatches {
    AdductType type;
    FormulaListing molecules;
    bool capped = false;  // more molecules qualified than the cap let in
    // Each row's maximum as searched: a default maximum follows this type's
    // highest mass of M.
    std::vector<int> maxima;
};

// What the search of each ion type is given: the rows as the calculation
// resolved them, whether each row's maximum was left to its default (the most
// atoms of that element alone that fit under M's highest mass), and the table
// with Jx as defined.
struct AdductSearchInput {
    const calc::FormulaSearchRun* run = nullptr;
    std::vector<bool> defaultMaximum;  // by row
    const core::ElementTable* table = nullptr;
};

// The molecules of one ion type, at most cap of them (capped set when more
// qualify), or, when more than ceiling qualify, nothing (tooMany set).
struct AdductSearchLimits {
    std::size_t cap = 0;
    std::size_t ceiling = 0;
};

struct AdductSearchResult {
    std::vector<AdductMatches> types;
    bool tooMany = false;
};

// Searches each ion type in turn, in the order given; the ceiling holds for
// all of them together.
AdductSearchResult SearchAdductMolecules(const AdductSearchInput& input, const std::vector<AdductType>& types,
                                         AdductSearchLimits limits);

// The molecule M of a listed entry as a formula of the element table.
core::ParsedFormula MoleculeAtoms(const calc::FormulaSearchRun& run, const core::AtomCounts& counts);

// The ion of the type built from M; empty when M cannot give the losses.
std::optional<core::ParsedFormula> IonAtoms(const AdductType& type, const core::ParsedFormula& molecule);

}  // namespace tarnevo::cli

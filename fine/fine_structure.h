// The exact isotopic fine structure of an ion: one line per isotopic
// composition, at the composition's own m/z and with its own abundance, the
// most probable compositions first until they hold the share of the ion asked
// for. At a resolving power of 240,000 the [A+2] of a sulfur compound shows its
// 34S, 13C2 and 18O lines apart; these are the lines such an instrument sees.
// The compositions come from IsoSpec's layered generator, fed with the element
// table's own isotope masses and FAs, so user-defined elements take part too.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/element_table.h"
#include "core/formula_parser.h"
#include "core/resolving_power.h"

namespace tarnevo::fine {

// The share of the ion the lines hold unless asked otherwise: what is left out
// (1E-4 of the ion) lies far below anything a spectrum shows next to the
// strongest line.
inline constexpr double kDefaultCoverage = 0.9999;

// Beyond this many lines (80 MB of them) the fine structure is refused; the
// caller then describes each nominal peak by its mean and spread instead. At
// the default coverage a 5 kDa peptide needs about 1,400 lines, myoglobin
// (17 kDa) 12,000 and serum albumin (66 kDa, 39 sulfur atoms) 2 million; an
// antibody runs past the ceiling within a quarter of a second.
inline constexpr std::size_t kMaxFineLines = 5'000'000;

// Why there are no lines; Computed when there are.
enum class FineStatus {
    Computed,
    NoAtoms,           // the ion formula holds no atom at all
    TooManyAtoms,      // an element has more atoms than a formula may hold (20000)
    ZeroCharge,        // an ion needs a charge: m/z of a neutral is undefined
    BadCoverage,       // coverage not in (0, 1] (or not a number)
    UndefinedElement,  // a user-defined element of the ion has no isotopes entered
    TooManyLines,      // the lines needed run beyond the line ceiling, or the work for them
                       // beyond what one fine structure may hold (fine/fine_memory.h)
    OutOfMemory,       // the lines needed did not fit into memory
};

struct FineStructureResult {
    FineStatus status = FineStatus::Computed;
    // In ascending m/z; each line a single composition (variance 0). Empty
    // unless Computed.
    std::vector<core::SpectrumLine> lines;
    // The summed abundance of the lines: at least the coverage asked for, or
    // all there is when every composition was needed.
    double coveredAbundance = 0.0;
};

// The fine structure of ion (an elemental formula, counts per element index)
// at charge (signed, not 0): every isotopic composition in decreasing
// abundance until their summed abundance reaches coverage, returned in m/z
// order. Each heavy isotope's mass is the table's exact mass, or for a
// user-defined isotope typed by its delta the lightest mass plus that delta;
// monoisotopic elements add their mass only. m/z = (mass - charge x electron
// mass) / |charge|. maxLines is the ceiling beyond which the work stops and is
// refused; the tests lower it.
FineStructureResult FineStructure(const core::ElementTable& table, const core::ParsedFormula& ion, int charge,
                                  double coverage = kDefaultCoverage, std::size_t maxLines = kMaxFineLines);

// The text the user sees for a refusal; empty for Computed.
std::string_view FineStatusMessage(FineStatus status);

}  // namespace tarnevo::fine

// The engine steps shared by every calculation that shows an isotope pattern:
// limits with their messages, and copying the peaks into the document.
#pragma once

#include "calc/command_context.h"
#include "core/formula_parser.h"

namespace tarnevo::calc {

// Checks the engine's limits for formula (monoisotopic elements are removed from
// it) and returns the [A+0] ion mass, or 0.0 after showing the refusal.
double CheckClusterLimits(CommandContext& context, core::ParsedFormula& formula, int charge);

// Orders the elements and enumerates the cluster of the checked formula, with
// the program's stop FA and polyAtomCount passes.
void ComputeIonCluster(CommandContext& context, core::ParsedFormula& formula);

// Copies the peaks and the echoed inputs of the last cluster into the document:
// peakFA, the largest peak (first on ties), totalFA up to lastPeakIndex, and
// the formula, mass, charge, stop FA, kind and reminder; marks it modified.
void StoreClusterResults(CommandContext& context);

}  // namespace tarnevo::calc

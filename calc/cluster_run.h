// The engine steps shared by every calculation that shows an isotope pattern:
// limits with their messages, and copying the peaks into the document.
#pragma once

#include "calc/command_context.h"
#include "core/formula_parser.h"

namespace tarnevo::calc {

// Checks the engine's limits for formula (monoisotopic elements are removed from
// it) and returns the [A+0] ion mass, or 0.0 after showing the refusal.
double CheckClusterLimits(CommandContext& context, core::ParsedFormula& formula, int charge);

// Orders the elements and computes the cluster of the checked formula, with the
// program's stop FA and polyAtomCount passes. False, after showing why, when
// every peak up to [A+319] lies below the range of a double (thousands of atoms
// of an element whose lightest isotope is rare, such as Sn5000: the cluster sits
// thousands of mass units above [A+0]); zeros must not pass for a result.
bool ComputeIonCluster(CommandContext& context, core::ParsedFormula& formula);

// Copies the inputs that the result page and the report repeat from the view
// and the program's setting into the document: the formula as typed (a
// series' repeating unit), the charge and the stop FA of the run.
void StoreEchoedInputs(CommandContext& context);

// Copies the peaks and the echoed inputs of the last cluster into the document:
// peakFA, the largest peak (first on ties), totalFA up to lastPeakIndex, and
// the formula, mass, charge and stop FA.
void StoreClusterResults(CommandContext& context);

}  // namespace tarnevo::calc

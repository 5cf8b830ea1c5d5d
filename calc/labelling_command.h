// The Isotope Labelling Effects command (Ctrl+L). Its first dialog takes the ion
// and one of two types of calculation:
// - the isotope pattern of an ion whose atoms of up to six elements carry known
//   enrichments (each enriched element is written into one of the slots Jx .. Qz
//   and the ion formula counts its labelled atoms there);
// - the enrichment of one element fitted to a measured spectrum
//   (calc/labelling_fit.h).
#pragma once

#include "calc/command_context.h"
#include "core/formula_parser.h"

namespace tarnevo::calc {

void RunLabellingCommand(CommandContext& context);

// The fit, after the entry steps have accepted the ion formula (parsed, without
// user-defined elements). True when it stored its results.
bool RunEnrichmentFit(CommandContext& context, core::ParsedFormula& formula);

}  // namespace tarnevo::calc

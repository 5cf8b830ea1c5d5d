// Asking the user for the isotopes of the user-defined elements Jx .. Qz of an
// ion, and putting them into the document for the report.
#pragma once

#include "calc/command_context.h"
#include "core/formula_parser.h"

namespace tarnevo::calc {

// Shows the isotope dialog of one user-defined element (every field 0) and
// stores the entry into the element table. False when the user cancelled or the
// entry was refused (its message has been shown).
bool DefineUserElement(CommandContext& context, int elementIndex);

// Asks for the exact mass and valence of Jx used by the formula search. False
// on Cancel; nothing changes then.
bool DefineFormulaElement(CommandContext& context);

// Resets the isotope cursors and the view's user-element list, then asks for
// every user-defined element present in formula, in the order Jx .. Qz, noting
// each in the list. False when one of them was cancelled or refused.
bool AskUserElements(CommandContext& context, const core::ParsedFormula& formula);

// Writes the user-defined elements of the last ion into the document: their
// count (0 when the ion has none), symbols, atom counts, and each element's
// isotopes by increasing mass number.
void StoreUserElementReport(CommandContext& context);

}  // namespace tarnevo::calc

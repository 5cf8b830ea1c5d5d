// The one shape every calculation command has: the calculation gate, the
// calculation's own dialogs, checks and work, and the store step's end. A
// handler writes only its own part, the body; the kind it stamps and the
// document's reminder, modified and ready flags are set here and nowhere else.
#pragma once

#include <functional>

#include "calc/command_context.h"
#include "output/calculation_state.h"

namespace tarnevo::calc {

// A calculation's own part: asks, checks, computes and copies its results into
// the document's state. False when it ended early (Cancel, or a refusal already
// shown): nothing is completed then, and the data set stays ready.
using CalculationBody = std::function<bool()>;

// Runs one calculation command. The gate refuses while the data set holds
// results, and otherwise notes `kind` in the view; the body may refine the kind
// there (the labelling command decides between its two kinds in its first
// dialog). After a body that stored its results, the view's kind is stamped on
// the results and the calculation completes with the view's save reminder.
// True when results were stored.
bool RunCalculationCommand(CommandContext& context, output::CalcKind kind, const CalculationBody& body);

}  // namespace tarnevo::calc

#include "calc/calculation_command.h"

namespace tarnevo::calc {

bool RunCalculationCommand(CommandContext& context, output::CalcKind kind, const CalculationBody& body) {
    if (!doc::PassCalculationGate(context.document, context.view, context.ui, kind)) return false;
    // What only some runs store is cleared, so that no later page repeats it:
    // the stored state otherwise outlives File New, each kind overwriting its own.
    context.document.state.ionType = {};
    context.document.state.resolved = {};
    if (!body()) return false;
    context.document.state.calcKind = context.view.calcKind;
    context.document.CompleteCalculation(context.view.saveReminder);
    return true;
}

}  // namespace tarnevo::calc

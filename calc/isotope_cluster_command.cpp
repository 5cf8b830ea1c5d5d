#include "calc/isotope_cluster_command.h"

#include "calc/calculation_command.h"
#include "calc/cluster_form_input.h"
#include "calc/cluster_run.h"
#include "calc/formula_entry.h"
#include "calc/ion_form_presets.h"
#include "calc/shared_fields.h"
#include "calc/user_elements.h"

namespace tarnevo::calc {

namespace {

// One round of the dialog: show it preset from the view, store the entries back
// before any check (so they preset the next run even when refused), and parse.
FormStep AskFormula(CommandContext& context, core::ParsedFormula& formula) {
    doc::ViewState& view = context.view;
    ClusterFormInput input;
    PresetIonForm(view, input);
    input.stopFA = context.program.stopFASetting;
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return FormStep::End;

    KeepIonForm(input, view);
    context.program.stopFASetting = input.stopFA;
    if (view.charge == 0) {
        port::ShowError(context.ui, kIonChargeZero);
        return FormStep::End;
    }
    return ParseFormulaField(view.formulaText, formula, context.ui);
}

// The calculation's own part: the formula dialog until it parses, the user
// elements, the limits, the engine and the store.
bool ComputeAndStorePattern(CommandContext& context) {
    core::ParsedFormula formula;
    FormStep step = FormStep::Retry;
    while (step == FormStep::Retry) step = AskFormula(context, formula);
    if (step == FormStep::End) return false;

    if (!AskUserElements(context, formula)) return false;
    if (CheckClusterLimits(context, formula, context.view.charge) == 0.0) return false;
    if (!ComputeIonCluster(context, formula)) return false;
    StoreClusterResults(context);
    StoreUserElementReport(context);
    return true;
}

}  // namespace

void RunIsotopeClusterPattern(CommandContext& context) {
    RunCalculationCommand(context, output::CalcKind::IsotopeCluster,
                          [&context] { return ComputeAndStorePattern(context); });
}

}  // namespace tarnevo::calc

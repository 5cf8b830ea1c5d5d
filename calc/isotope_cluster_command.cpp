#include "calc/isotope_cluster_command.h"

#include "calc/calculation_command.h"
#include "calc/cluster_form_input.h"
#include "calc/cluster_run.h"
#include "calc/formula_entry.h"
#include "calc/ion_form_presets.h"
#include "calc/ion_type_entry.h"
#include "calc/resolved_pattern.h"
#include "calc/shared_fields.h"
#include "calc/user_elements.h"

namespace tarnevo::calc {

namespace {

// One round of the dialog: show it preset from the view, store the entries back
// before any check (so they preset the next run even when refused), and parse.
// With an ion type the formula is its molecule, and the charge the ion type's
// (the view keeps it, so the charge field shows it next time).
FormStep AskFormula(CommandContext& context, core::ParsedFormula& formula, output::IonTypeEcho& echo) {
    doc::ViewState& view = context.view;
    ClusterFormInput input;
    PresetIonForm(view, input);
    input.stopFA = context.program.stopFASetting;
    input.ionType = view.ionTypeText;
    input.resolution.Preset(view.resolution);
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return FormStep::End;

    KeepIonForm(input, view);
    context.program.stopFASetting = input.stopFA;
    view.ionTypeText = input.ionType;
    input.resolution.Keep(view.resolution);
    echo = {};
    if (!view.ionTypeText.empty()) {
        return ParseMoleculeIon(view.formulaText, view.ionTypeText, formula, view.charge, echo, context.ui);
    }
    if (view.charge == 0) {
        port::ShowError(context.ui, kIonChargeZero);
        return FormStep::End;
    }
    return ParseFormulaField(view.formulaText, formula, context.ui);
}

core::ResolvingPower PowerOf(const doc::ResolutionPresets& presets) {
    core::ResolvingPower power;
    power.resolution = presets.resolvingPower;
    if (presets.choice == 2) {
        power.model = core::ResolvingPowerModel::Orbitrap;
        power.referenceMz = presets.referenceMz;
    }
    return power;
}

// The peaks an instrument resolves of the ion, when the dialog asked for them:
// from the ion's whole formula (monoisotopic elements included, which the
// engine's limits take out) with the table as this run left it.
void StoreResolvedPeaks(CommandContext& context, const core::ParsedFormula& ion) {
    output::ResolvedPeaksTable& table = context.document.state.resolved;
    table = {};
    const doc::ResolutionPresets& presets = context.view.resolution;
    if (presets.choice == 0) return;
    table.asked = true;
    table.power = PowerOf(presets);
    table.drawProfile = presets.drawProfile;
    const ResolvedIon resolved =
        ResolveIon(context.program.elements, ion, context.view.charge, table.power, core::ProfileWanted::No);
    table.model = std::string(PatternModelName(resolved.model));
    table.peaks = resolved.pattern.peaks;
    table.problem = resolved.problem;
}

// The calculation's own part: the formula dialog until it parses, the user
// elements, the limits, the engine and the store.
bool ComputeAndStorePattern(CommandContext& context) {
    core::ParsedFormula formula;
    output::IonTypeEcho echo;
    FormStep step = FormStep::Retry;
    while (step == FormStep::Retry) step = AskFormula(context, formula, echo);
    if (step == FormStep::End) return false;

    // The store names the ion by its formula and repeats the ion type.
    context.document.state.ionType = echo;
    if (!AskUserElements(context, formula)) return false;
    const core::ParsedFormula ion = formula;
    if (CheckClusterLimits(context, formula, context.view.charge) == 0.0) return false;
    if (!ComputeIonCluster(context, formula)) return false;
    StoreClusterResults(context);
    StoreUserElementReport(context);
    StoreResolvedPeaks(context, ion);
    return true;
}

}  // namespace

void RunIsotopeClusterPattern(CommandContext& context) {
    RunCalculationCommand(context, output::CalcKind::IsotopeCluster,
                          [&context] { return ComputeAndStorePattern(context); });
}

}  // namespace tarnevo::calc

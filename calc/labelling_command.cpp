#include "calc/labelling_command.h"

#include <array>
#include <span>
#include <string>

#include "calc/calculation_command.h"
#include "calc/cluster_run.h"
#include "calc/formula_entry.h"
#include "calc/ion_form_presets.h"
#include "calc/ion_type_entry.h"
#include "calc/labelling_input.h"
#include "calc/labelling_messages.h"
#include "calc/shared_fields.h"
#include "core/enriched_element.h"

namespace tarnevo::calc {

namespace {

using core::kFirstUserElement;

// What the enriched elements of a pattern leave for its results.
struct EnrichedElements {
    std::string symbols;  // two characters each, a one-letter symbol padded with a blank
    std::array<int, core::kUserElementCount> atoms{};
    std::array<int, core::kUserElementCount> elementIndex{};
    std::array<core::IsotopeList, core::kUserElementCount> isotopes{};  // enriched FAs, ascending mass
};

bool HasUserElements(const core::ParsedFormula& formula) {
    for (int element = kFirstUserElement; element < core::kElementCount; ++element) {
        if (formula[element] != 0) return true;
    }
    return false;
}

// One round of the first dialog: preset from the view, entries stored back
// before any check, then the charge, the formula and the refusal of Jx .. Qz.
FormStep AskLabellingForm(CommandContext& context, core::ParsedFormula& formula) {
    doc::ViewState& view = context.view;
    LabellingFormInput input;
    PresetIonForm(view, input);
    input.type = view.labelling.labellingChoice;
    input.ionType = view.ionTypeText;
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return FormStep::End;

    KeepIonForm(input, view);
    view.labelling.labellingChoice = input.type;
    view.ionTypeText = input.ionType;
    view.calcKind = input.type == LabellingFormInput::kEnrichmentFromSpectrum
                        ? output::CalcKind::EnrichmentFromSpectrum
                        : output::CalcKind::LabelledAtoms;
    output::IonTypeEcho& echo = context.document.state.ionType;
    echo = {};
    if (view.ionTypeText.empty() && view.charge == 0) {
        port::ShowError(context.ui, kIonChargeZero);
        return FormStep::End;
    }
    // With an ion type the formula is its molecule M, the charge the ion type's.
    const FormStep step = view.ionTypeText.empty() ? ParseFormulaField(view.formulaText, formula, context.ui)
                                                   : ParseMoleculeIon(view.formulaText, view.ionTypeText,
                                                                      formula, view.charge, echo, context.ui);
    if (step != FormStep::Parsed) return step;
    if (!HasUserElements(formula)) return FormStep::Parsed;
    if (!port::AskRetry(context.ui, labelling::kUserElementsNotSupported)) return FormStep::End;
    view.formulaText.clear();
    return FormStep::Retry;
}

// The identity of enriched element k until it is accepted: its index, or -1
// when the command ends.
int AskEnrichedElementIdentity(CommandContext& context, const core::ParsedFormula& formula, int k,
                               EnrichedElements& enriched) {
    for (;;) {
        EnrichedElementInput input(k + 1);
        if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return -1;
        context.view.elementSymbol = input.symbol;
        enriched.atoms[k] = input.atoms;
        const int element = LookupSymbol(input.symbol, 0, context.ui);
        if (element == kSymbolCancel) return -1;
        if (element == kSymbolRetry) continue;
        enriched.elementIndex[k] = element;
        std::string_view refusal;
        if (!context.program.elements.IsPolyisotopic(element)) {
            refusal = labelling::kMonoisotopic;
        } else if (static_cast<long>(formula[element]) < input.atoms) {
            // The count already left natural by earlier entries of the same element.
            refusal = labelling::kTooManyEnrichedAtoms;
        } else {
            return element;
        }
        if (!port::AskRetry(context.ui, refusal)) return -1;
    }
}

// The enriched FAs of element k's isotopes until they are accepted; false when
// the command ends. The dialog opens with every enriched field 0 each time.
bool AskEnrichedFAs(CommandContext& context, int k, core::IsotopeList& isotopes) {
    for (;;) {
        EnrichmentDetailsInput input(k + 1, isotopes);
        if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return false;
        std::array<double, core::kMaxElementIsotopes> fa{};
        const std::span<const double> heavy(input.enrichedFA.begin() + 1, input.enrichedFA.end());
        if (core::CompleteEnrichedFAs(isotopes, heavy, fa) == core::EnrichmentStatus::Stored) {
            isotopes.fa = fa;
            return true;
        }
        if (!port::AskRetry(context.ui, labelling::kHeavyFATooLarge)) return false;
    }
}

// Enriched element k: its identity, the rewrite of the formula (its atoms move to
// slot Jx + k) and its FAs, written into the slot.
bool AskEnrichedElement(CommandContext& context, core::ParsedFormula& formula, int k,
                        EnrichedElements& enriched) {
    const int element = AskEnrichedElementIdentity(context, formula, k, enriched);
    if (element < 0) return false;
    const std::string_view symbol = core::SymbolOf(element);
    enriched.symbols += symbol;
    if (symbol.size() == 1) enriched.symbols += ' ';

    core::ElementTable& table = context.program.elements;
    const int slot = kFirstUserElement + k;
    const auto atoms = static_cast<unsigned>(enriched.atoms[k]);
    table[slot].lightMass = table[element].lightMass;
    formula[element] -= atoms;
    formula[slot] = atoms;

    core::IsotopeList& isotopes = enriched.isotopes[k];
    isotopes = core::NaturalIsotopesByMass(table, element);
    if (!AskEnrichedFAs(context, k, isotopes)) return false;
    core::StoreEnrichedElement(table, slot, isotopes, isotopes.fa);
    return true;
}

// The enrichment details of the results: per element its symbol, enriched atoms
// and isotopes by ascending mass number with their enriched FAs.
void StoreEnrichmentDetails(CommandContext& context, const EnrichedElements& enriched, int count) {
    output::CalculationState& state = context.document.state;
    state.details.detailCount = count;
    state.details.detailSymbol = enriched.symbols;
    int cursor = 0;
    for (int k = 0; k < count; ++k) {
        const core::IsotopeList& isotopes = enriched.isotopes[k];
        state.details.detailAtomCount[k] = enriched.atoms[k];
        state.details.lastIsotopeIndex[k] = isotopes.count - 1;
        const int lightMassNumber = core::NominalMassNumber(isotopes.mass[0]);
        for (int i = 0; i < isotopes.count && cursor < output::kMaxDetailIsotopes; ++i, ++cursor) {
            state.details.isotopeMassNumber[cursor] = lightMassNumber + isotopes.delta[i];
            state.details.isotopeFA[cursor] = isotopes.fa[i];
        }
    }
}

bool RunLabelledPattern(CommandContext& context, core::ParsedFormula& formula) {
    doc::LabellingPresets& presets = context.view.labelling;
    LabellingCalcInput input;
    input.stopFA = context.program.stopFASetting;
    input.elementCount = presets.detailCount;
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return false;
    context.program.stopFASetting = input.stopFA;
    presets.detailCount = input.elementCount;

    // Slots Jx .. Qz and the pools after the natural data belong to this
    // calculation from here on.
    context.program.elements.ResetUserIsotopeCursors();
    context.view.userElements.Clear();
    EnrichedElements enriched;
    for (int k = 0; k < presets.detailCount; ++k) {
        if (!AskEnrichedElement(context, formula, k, enriched)) return false;
    }
    if (CheckClusterLimits(context, formula, context.view.charge) == 0.0) return false;
    if (!ComputeIonCluster(context, formula)) return false;
    StoreClusterResults(context);
    StoreEnrichmentDetails(context, enriched, presets.detailCount);
    return true;
}

// The calculation's own part: the ion and the type of calculation, then the
// labelled pattern or the fit.
bool CalculateAndStore(CommandContext& context) {
    core::ParsedFormula formula;
    FormStep step = FormStep::Retry;
    while (step == FormStep::Retry) step = AskLabellingForm(context, formula);
    if (step == FormStep::End) return false;
    if (context.view.calcKind == output::CalcKind::EnrichmentFromSpectrum) {
        return RunEnrichmentFit(context, formula);
    }
    return RunLabelledPattern(context, formula);
}

}  // namespace

void RunLabellingCommand(CommandContext& context) {
    RunCalculationCommand(context, output::CalcKind::LabelledAtoms,
                          [&context] { return CalculateAndStore(context); });
}

}  // namespace tarnevo::calc

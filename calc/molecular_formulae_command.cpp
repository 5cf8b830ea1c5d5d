#include "calc/molecular_formulae_command.h"

#include <algorithm>

#include "calc/calculation_command.h"
#include "calc/formula_entry.h"
#include "calc/ion_form_presets.h"
#include "calc/molecular_formulae_input.h"
#include "calc/user_elements.h"

namespace tarnevo::calc {

namespace {

// Only Jx of the user-defined elements takes part in a formula search.
constexpr int kOneUserElement = 1;

enum class Step { Done, Retry, End };

struct IonicParameters {
    double target = MolFormInput::kStartTarget;
    double difference = MolFormInput::kStartDifference;
};

// One showing of the ionic parameter dialog. The target keeps what was typed
// when the dialog comes back after a refusal; the difference starts at 0.05
// every time; charge and reminder come from the view and go back to it.
Step AskIonicParameters(CommandContext& context, IonicParameters& parameters) {
    doc::ViewState& view = context.view;
    MolFormInput input;
    PresetIonForm(view, input);
    input.target = parameters.target;
    // A series' charge may lie beyond this dialog's range: it opens at 1 then.
    if (port::ValidateField({&MolFormInput::kCharge, &input.charge})) input.charge = 1;
    input.listAll = view.listAllFormulae;
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return Step::End;

    parameters = {input.target, input.difference};
    KeepIonForm(input, view);
    view.listAllFormulae = input.listAll;
    if (view.charge != 0) return Step::Done;
    return port::AskRetry(context.ui, kFormulaZeroCharge) ? Step::Retry : Step::End;
}

// A symbol of only blanks counts as a blank row; blanks around a symbol are
// not part of it.
std::string_view TrimmedSymbol(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return std::string_view(text).substr(first, last - first + 1);
}

// The element list from the rows in row order, blank rows skipped: each symbol
// looked up (natural elements and Jx), Jx's mass and valence asked for when it
// appears, the valence taken as the row is added.
Step BuildElementList(CommandContext& context, const FormulaElementsInput& input, FormulaSearchRun& run) {
    core::ElementTable& table = context.program.elements;
    run.query.elements.clear();
    run.elementIndex.clear();
    for (const FormulaElementsInput::Row& row : input.rows) {
        const std::string_view symbol = TrimmedSymbol(row.symbol);
        if (symbol.empty()) continue;
        const int index = LookupSymbol(symbol, kOneUserElement, context.ui);
        if (index == kSymbolRetry) return Step::Retry;
        if (index == kSymbolCancel) return Step::End;
        if (index == core::kFirstUserElement && !DefineFormulaElement(context)) return Step::End;
        core::SearchElement element;
        element.minimum = row.minimum;
        element.maximum = row.maximum;
        element.valence = table[index].valenceElectrons;
        run.query.elements.push_back(element);
        run.elementIndex.push_back(index);
    }
    return Step::Done;
}

// Masses from the element table as they stand after every Jx entry; a maximum
// of 0 becomes the most atoms of the element alone that fit under the ion's
// mass, the target m/z x |charge|.
// The check stops at the first element whose minimum exceeds its maximum.
bool ResolveMaxima(CommandContext& context, FormulaSearchRun& run) {
    const core::ElementTable& table = context.program.elements;
    for (std::size_t k = 0; k < run.query.elements.size(); ++k) {
        core::SearchElement& element = run.query.elements[k];
        element.mass = table[run.elementIndex[k]].lightMass;
        if (element.maximum == 0)
            element.maximum =
                core::DefaultMaximum(run.query.target, run.query.charge, element.mass, run.query.tolerance);
        if (element.maximum < element.minimum) return false;
    }
    return true;
}

// The element dialog, blank every time, until a usable list or the end.
Step AskElements(CommandContext& context, FormulaSearchRun& run) {
    FormulaElementsInput input;
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return Step::End;
    if (const Step step = BuildElementList(context, input, run); step != Step::Done) return step;
    if (run.query.elements.empty()) {
        return port::AskRetry(context.ui, kFormulaNoElement) ? Step::Retry : Step::End;
    }
    if (!ResolveMaxima(context, run)) {
        return port::AskRetry(context.ui, kFormulaMinimumAboveMaximum) ? Step::Retry : Step::End;
    }
    return Step::Done;
}

// The first 200 formulae the search finds, in the order it finds them, or,
// when every one is asked for, all of them up to kMaxListedFormulae; the
// search runs as long work, so false when the user cancelled it or, after
// saying so, when there were more than that (nothing is stored then, and
// the data set stays as it was).
bool SearchFormulae(CommandContext& context, const core::FormulaQuery& query, ListedFormulae listed,
                    std::vector<core::FoundFormula>& formulae) {
    const std::size_t capacity = listed == ListedFormulae::All
                                     ? kMaxListedFormulae + 1
                                     : static_cast<std::size_t>(output::kMaxFormulae);
    const core::WorkStatus status =
        context.ui.RunLongWork(kFormulaSearchProgress, [&](core::WorkProgress& progress) {
            formulae.clear();
            return core::VisitFormulae(
                query,
                [&](const core::FoundFormula& formula) {
                    formulae.push_back(formula);
                    return formulae.size() < capacity ? core::SearchVisit::Continue : core::SearchVisit::Stop;
                },
                &progress, capacity);
        });
    if (status != core::WorkStatus::Finished) return false;
    if (formulae.size() <= kMaxListedFormulae) return true;
    port::ShowError(context.ui, kFormulaListTooLong);
    return false;
}

// The calculation's own part: the ionic parameters, the element list, the
// search and the store; the search as run when results were stored.
std::optional<FormulaSearchRun> SearchAndStore(CommandContext& context) {
    IonicParameters parameters;
    Step step = Step::Retry;
    while (step == Step::Retry) step = AskIonicParameters(context, parameters);
    if (step == Step::End) return std::nullopt;

    FormulaSearchRun run;
    run.query.target = parameters.target;
    run.query.tolerance = parameters.difference;
    run.query.charge = context.view.charge;
    FormulaSearchRun listed = run;
    step = Step::Retry;
    while (step == Step::Retry) {
        listed = run;
        step = AskElements(context, listed);
    }
    if (step == Step::End) return std::nullopt;

    const ListedFormulae which =
        context.view.listAllFormulae ? ListedFormulae::All : ListedFormulae::First200;
    std::vector<core::FoundFormula> formulae;
    if (!SearchFormulae(context, listed.query, which, formulae)) return std::nullopt;
    core::SortByMz(formulae);
    StoreFormulaResults(context, listed, formulae, which);
    return listed;
}

}  // namespace

std::optional<FormulaSearchRun> RunMolecularFormulaeSearch(CommandContext& context) {
    std::optional<FormulaSearchRun> searched;
    RunCalculationCommand(context, output::CalcKind::FormulaFromMz, [&] {
        searched = SearchAndStore(context);
        return searched.has_value();
    });
    return searched;
}

void RunMolecularFormulae(CommandContext& context) { RunMolecularFormulaeSearch(context); }

void StoreFormulaResults(CommandContext& context, const FormulaSearchRun& run,
                         const std::vector<core::FoundFormula>& formulae, ListedFormulae listed) {
    output::CalculationState& state = context.document.state;
    const int elements = std::min(static_cast<int>(run.query.elements.size()), output::kMaxFormulaElements);
    const int count = std::min(static_cast<int>(formulae.size()), output::kMaxFormulae);
    state.ionMassA = run.query.target;
    state.formulae.mzHalfRange = run.query.tolerance;
    state.charge = run.query.charge;
    state.formulae.formulaCount = count;
    state.formulae.elementCount = elements;
    const auto jx = std::find(run.elementIndex.begin(), run.elementIndex.end(), core::kFirstUserElement);
    state.formulae.userElementMass =
        jx == run.elementIndex.end() ? 0.0 : context.program.elements[core::kFirstUserElement].lightMass;
    if (count != 0) {
        for (int k = 0; k < output::kMaxFormulaElements; ++k) {
            const auto slot = static_cast<std::size_t>(k);
            state.formulae.elementSymbols[slot] =
                k < elements ? std::string(core::SymbolOf(run.elementIndex[slot])) : std::string();
        }
    }
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        state.formulae.formulaMz[at] = formulae[at].mz;
        state.formulae.formulaAtoms[at] = {};
        for (int k = 0; k < elements; ++k) {
            state.formulae.formulaAtoms[at][static_cast<std::size_t>(k)] =
                formulae[at].counts[static_cast<std::size_t>(k)];
        }
        state.formulae.formulaElectrons[at] = static_cast<output::ElectronClass>(formulae[at].electronClass);
    }
    state.formulae.listsAll = listed == ListedFormulae::All;
    state.formulae.beyondCapacity.clear();
    if (listed == ListedFormulae::First200) return;
    state.formulae.beyondCapacity.reserve(formulae.size() - static_cast<std::size_t>(count));
    for (std::size_t i = static_cast<std::size_t>(count); i < formulae.size(); ++i) {
        output::FormulaMatches::Listed beyond;
        for (int k = 0; k < elements; ++k) {
            const auto at = static_cast<std::size_t>(k);
            beyond.atoms[at] = formulae[i].counts[at];
        }
        beyond.mz = formulae[i].mz;
        beyond.electrons = static_cast<output::ElectronClass>(formulae[i].electronClass);
        state.formulae.beyondCapacity.push_back(beyond);
    }
}

}  // namespace tarnevo::calc

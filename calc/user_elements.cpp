#include "calc/user_elements.h"

#include <utility>

#include "calc/user_element_input.h"
#include "core/messages.h"

namespace tarnevo::calc {

namespace {

struct IsotopeListEntry {
    int massNumber = 0;
    double fa = 0.0;
};

// Appends element's isotopes at cursor: the lightest first, then its heavy
// isotopes by increasing mass number (a selection sort over the heavy entries).
int AppendIsotopes(const core::ElementTable& table, int element, output::CalculationState& state,
                   int cursor) {
    const core::ElementRecord& record = table[element];
    const int lightMassNumber = core::NominalMassNumber(record.lightMass);
    const int first = cursor;
    state.details.isotopeMassNumber[cursor] = lightMassNumber;
    state.details.isotopeFA[cursor] = record.heavyCount == 0 ? 1.0 : table.LightFA(element);
    ++cursor;
    for (int k = 0; k < record.heavyCount; ++k, ++cursor) {
        state.details.isotopeMassNumber[cursor] = lightMassNumber + table.HeavyDelta(element, k);
        state.details.isotopeFA[cursor] = table.HeavyFA(element, k);
    }
    for (int i = first + 1; i < cursor; ++i) {
        int smallest = i;
        for (int j = i + 1; j < cursor; ++j) {
            if (state.details.isotopeMassNumber[j] < state.details.isotopeMassNumber[smallest]) smallest = j;
        }
        if (smallest != i) {
            std::swap(state.details.isotopeMassNumber[i], state.details.isotopeMassNumber[smallest]);
            std::swap(state.details.isotopeFA[i], state.details.isotopeFA[smallest]);
        }
    }
    return cursor;
}

}  // namespace

bool DefineUserElement(CommandContext& context, int elementIndex) {
    UserElementInput input(elementIndex);
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return false;
    const core::UserElementStatus status =
        core::StoreUserElement(context.program.elements, elementIndex, input.entry);
    if (status != core::UserElementStatus::Stored) {
        port::ShowError(context.ui, core::messages::MessageFor(status));
        return false;
    }
    return true;
}

bool DefineFormulaElement(CommandContext& context) {
    FormulaElementInput input;
    if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return false;
    core::ElementRecord& jx = context.program.elements[core::kFirstUserElement];
    jx.lightMass = input.exactMass;
    jx.valenceElectrons = input.valence;
    return true;
}

bool AskUserElements(CommandContext& context, const core::ParsedFormula& formula) {
    context.program.elements.ResetUserIsotopeCursors();
    doc::UserElementList& list = context.view.userElements;
    list.Clear();
    for (int element = core::kFirstUserElement; element < core::kElementCount; ++element) {
        if (formula[element] == 0) continue;
        if (!DefineUserElement(context, element)) return false;
        list.elementIndex[list.count] = element;
        list.atomCount[list.count] = static_cast<int>(formula[element]);
        list.symbols += core::SymbolOf(element);
        ++list.count;
    }
    return true;
}

void StoreUserElementReport(CommandContext& context) {
    const doc::UserElementList& list = context.view.userElements;
    output::CalculationState& state = context.document.state;
    state.details.detailCount = list.count;
    if (list.count == 0) return;
    state.details.detailSymbol = list.symbols;
    int cursor = 0;
    for (int j = 0; j < list.count; ++j) {
        const int element = list.elementIndex[j];
        state.details.detailAtomCount[j] = list.atomCount[j];
        state.details.lastIsotopeIndex[j] = context.program.elements[element].heavyCount;
        cursor = AppendIsotopes(context.program.elements, element, state, cursor);
    }
}

}  // namespace tarnevo::calc

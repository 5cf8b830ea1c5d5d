#include "calc/isotopic_data_command.h"

#include <utility>

#include "calc/calculation_command.h"
#include "calc/formula_entry.h"
#include "calc/isotope_display_input.h"

namespace tarnevo::calc {

namespace {

// Only the natural elements have tabulated isotopes: Jx .. Qz are refused.
constexpr int kNoUserElements = 0;

// Shows the dialog (always with an empty symbol) until a natural element is
// named; the element index, or kSymbolCancel when the command ends.
int AskElement(CommandContext& context) {
    doc::ViewState& view = context.view;
    for (;;) {
        IsotopeDisplayInput input;
        input.saveReminder = view.saveReminder;
        if (context.ui.RunDialog(input) != port::DialogAnswer::Ok) return kSymbolCancel;
        view.elementSymbol = input.symbol;
        view.saveReminder = input.saveReminder;
        const int element = LookupSymbol(view.elementSymbol, kNoUserElements, context.ui);
        if (element != kSymbolRetry) return element;
    }
}

// The lightest isotope first, then the heavy ones as stored (decreasing FA),
// then the heavy ones put into increasing mass number by a selection sort; the
// lightest stays in front. Chlorine: 35 (0.7576), 37 (0.2424), stored as
// isotopeBase 35 with offsets 0 and 2.
void StoreIsotopes(const core::ElementTable& table, int element, output::CalculationState& state) {
    const core::ElementRecord& record = table[element];
    const int heavyCount = record.heavyCount;
    state.isotopes.isotopeBase = core::NominalMassNumber(record.lightMass);
    state.details.lastIsotopeIndex[0] = heavyCount;
    state.details.isotopeMassNumber[0] = 0;
    state.isotopes.isotopeMass[0] = record.lightMass;
    state.isotopes.isotopeFAList[0] = table.LightFA(element);
    for (int k = 0; k < heavyCount; ++k) {
        state.details.isotopeMassNumber[k + 1] = table.HeavyDelta(element, k);
        state.isotopes.isotopeMass[k + 1] = table.HeavyExactMass(element, k);
        state.isotopes.isotopeFAList[k + 1] = table.HeavyFA(element, k);
    }
    for (int i = 1; i <= heavyCount; ++i) {
        int smallest = i;
        for (int j = i + 1; j <= heavyCount; ++j) {
            if (state.details.isotopeMassNumber[j] < state.details.isotopeMassNumber[smallest]) smallest = j;
        }
        if (smallest == i) continue;
        std::swap(state.details.isotopeMassNumber[i], state.details.isotopeMassNumber[smallest]);
        std::swap(state.isotopes.isotopeMass[i], state.isotopes.isotopeMass[smallest]);
        std::swap(state.isotopes.isotopeFAList[i], state.isotopes.isotopeFAList[smallest]);
    }
}

}  // namespace

void RunDisplayIsotopicData(CommandContext& context) {
    RunCalculationCommand(context, output::CalcKind::IsotopicData, [&context] {
        const int element = AskElement(context);
        if (element == kSymbolCancel) return false;
        output::CalculationState& state = context.document.state;
        StoreIsotopes(context.program.elements, element, state);
        state.elementSymbol = context.view.elementSymbol;
        return true;
    });
}

}  // namespace tarnevo::calc

#include "output/csv_table.h"

#include <array>
#include <optional>

#include "core/formula_parser.h"
#include "core/usual_valence.h"
#include "output/csv_row.h"
#include "output/result_presenter.h"
#include "output/result_values.h"

namespace tarnevo::output {

namespace {

using detail::Bounded;
using detail::CsvRow;

}  // namespace

FormulaCsvRows::FormulaCsvRows(const CalculationState& state)
    : formulae_(state.formulae),
      elementCount_(Bounded(state.formulae.elementCount, kMaxFormulaElements)),
      target_(state.ionMassA) {
    std::array<int, kMaxFormulaElements> elementIndex{};
    for (int k = 0; k < elementCount_; ++k) {
        const auto row = static_cast<std::size_t>(k);
        // The user-defined element Jx is refused here (no extra elements
        // allowed): its valence is not kept with the results.
        elementIndex[row] = core::LookupSymbolText(formulae_.elementSymbols[row], 0);
    }
    valences_ = core::UsualValences(elementIndex.data(), elementCount_);
}

void FormulaCsvRows::Append(std::string& csv, const std::array<int, kMaxFormulaElements>& counts, double mz,
                            ElectronClass electrons) {
    formula_.clear();
    detail::AppendFormulaText(formula_, formulae_, counts);
    const std::optional<double> dbe = core::RingsPlusDoubleBonds(valences_, counts, elementCount_);
    CsvRow(csv)
        .Text(formula_)
        .Number(mz)
        .Number(ErrorPpm(mz, target_))
        .Text(ElectronClassText(electrons))
        .NumberIf(dbe.has_value(), dbe.value_or(0.0))
        .End();
}

std::string ElectronClassText(ElectronClass electrons) {
    switch (electrons) {
        case ElectronClass::Even:
            return "EE";
        case ElectronClass::Odd:
            return "OE";
        case ElectronClass::Indeterminate:
            break;
    }
    return "indeterminate";
}

std::string ComposeCsv(const CalculationState& state) { return PresenterOf(state.calcKind).CsvTable(state); }

}  // namespace tarnevo::output

#include "output/result_values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>

#include "core/ion_mz.h"
#include "core/text_format.h"

namespace tarnevo::output {

double PeakMz(double ionMassA, int position, int charge) { return core::MzOf(ionMassA + position, charge); }

double RelativeIntensity(double fa, double largestFA) {
    if (largestFA == 0.0) return 0.0;
    // fa x 100 / fa is not always 100 in floating point (0.902105651455857
    // gives 99.99999999999999); the largest peak is 100 by definition.
    if (fa == largestFA) return 100.0;
    return fa * 100.0 / largestFA;
}

double ErrorPpm(double mz, double target) {
    if (target == 0.0) return 0.0;
    return (mz - target) / target * 1e6;
}

}  // namespace tarnevo::output

namespace tarnevo::output::detail {

int Bounded(int count, int capacity) { return std::clamp(count, 0, capacity); }

double PeakSpacing(int charge) { return core::MzOf(1.0, charge); }

bool CentroidKnown(double centroidMz) { return centroidMz > 0.0; }

std::string PeakLabel(int position) {
    if (position >= 0) return "[A+" + core::FormatInteger(position) + "]";
    return "[A-" + core::FormatInteger(-static_cast<long long>(position)) + "]";
}

std::string IsotopeLabel(std::string_view symbol, int massNumber) {
    return std::string(symbol) + "(" + core::FormatInteger(massNumber) + ")";
}

std::string DetailSymbol(const CalculationState& state, int element) {
    const std::size_t start = 2 * static_cast<std::size_t>(element);
    if (element < 0 || start >= state.details.detailSymbol.size()) return {};
    std::string symbol = state.details.detailSymbol.substr(start, 2);
    while (!symbol.empty() && symbol.back() == ' ') symbol.pop_back();
    return symbol;
}

int DetailElementCount(const CalculationState& state) {
    return Bounded(state.details.detailCount, kMaxDetailElements);
}

int DetailIsotopeCount(const CalculationState& state, int element, int cursor) {
    if (element < 0 || element >= kMaxDetailElements) return 0;
    const int room = kMaxDetailIsotopes - Bounded(cursor, kMaxDetailIsotopes);
    return Bounded(state.details.lastIsotopeIndex[element] + 1, room);
}

void AppendFormulaText(std::string& text, const FormulaMatches& formulae,
                       const std::array<int, kMaxFormulaElements>& counts) {
    const int elements = Bounded(formulae.elementCount, kMaxFormulaElements);
    for (int j = 0; j < elements; ++j) {
        const auto row = static_cast<std::size_t>(j);
        const int atoms = counts[row];
        if (atoms == 0) continue;
        text += formulae.elementSymbols[row];
        if (atoms == 1) continue;
        // FormatInteger's digits, written in place: listings of millions of
        // formulae (tarnevo-cli formulas --all) spell them all.
        std::array<char, 12> digits{};
        text.append(digits.data(), std::to_chars(digits.data(), digits.data() + digits.size(), atoms).ptr);
    }
}

std::string MatchedFormula(const CalculationState& state, int formula) {
    const FormulaMatches::Listed listed = ListedFormulaAt(state, formula);
    std::string text = listed.electrons == ElectronClass::Indeterminate ? "** "
                       : listed.electrons == ElectronClass::Even        ? "EE "
                                                                        : "OE ";
    AppendFormulaText(text, state.formulae, listed.atoms);
    return text;
}

int ListedFormulaCount(const CalculationState& state) {
    return Bounded(state.formulae.formulaCount, kMaxFormulae) +
           static_cast<int>(state.formulae.beyondCapacity.size());
}

// Those beyond follow a full store only, so formula 200 is the first of them;
// below that the arrays are read whatever the count says, as the writers of
// one formula at a time (the command line's printers) rely on.
FormulaMatches::Listed ListedFormulaAt(const CalculationState& state, int formula) {
    const FormulaMatches& formulae = state.formulae;
    if (formula >= kMaxFormulae)
        return formulae.beyondCapacity[static_cast<std::size_t>(formula - kMaxFormulae)];
    const auto at = static_cast<std::size_t>(formula);
    return {formulae.formulaAtoms[at], formulae.formulaMz[at], formulae.formulaElectrons[at]};
}

std::string RepeatingUnitIon(const CalculationState& state, int repeatingUnits) {
    std::string text = state.series.hasEndCap ? state.series.endCapText : std::string();
    text += "(" + state.formulaText + ")" + core::FormatInteger(repeatingUnits);
    if (state.series.chargingIonCount == 1) return text + state.series.chargingIonText;
    return text + "(" + state.series.chargingIonText + ")" +
           core::FormatInteger(state.series.chargingIonCount);
}

}  // namespace tarnevo::output::detail

// Values that the result page, the report and the command line derive from the stored state:
// peak m/z and relative intensities, peak labels, element symbols and the
// formula texts of kinds 3 and 5. Keeping them in one place makes the screen
// and the file agree to the last digit.
#pragma once

#include <string>
#include <string_view>

#include "output/calculation_state.h"

namespace tarnevo::output {

// Peaks lie one mass unit apart; an ion of charge z shows them 1/|z| apart in
// m/z. [A+3] of a doubly charged ion of [A+0] mass 400.0 sits at 201.5.
double PeakMz(double ionMassA, int position, int charge);

// FA as a percentage of the largest FA of its pattern; the largest itself is
// exactly 100. A pattern whose largest FA is 0 has no scale; its peaks read 0
// rather than a division by zero.
double RelativeIntensity(double fa, double largestFA);

// How far an m/z lies from a target, in parts per million of the target; 0
// for a target of 0, which has no scale.
double ErrorPpm(double mz, double target);

}  // namespace tarnevo::output

namespace tarnevo::output::detail {

// A stored count limited to the storage it counts, so that a damaged or
// half-filled state can never make a reader step outside its arrays.
int Bounded(int count, int capacity);

// The m/z between neighbouring peaks, 1/|z|; a charge of 0 (no ion) gets
// the mass spacing of 1.
double PeakSpacing(int charge);

// Where a high-resolution instrument sees a stored peak (its centroid m/z) is
// known only where the engine stored it; 0 stands for unknown.
bool CentroidKnown(double centroidMz);

// "[A+2]" for position 2, "[A-1]" for position -1 (peaks of ions that lost H).
std::string PeakLabel(int position);

// An isotope as the pages and reports name it: "C(13)" for symbol "C" and
// mass number 13.
std::string IsotopeLabel(std::string_view symbol, int massNumber);

// Symbol of detailed element `element`, without the blank that pads a
// one-letter symbol to two characters ("C " -> "C").
std::string DetailSymbol(const CalculationState& state, int element);

// Number of detailed elements, and the isotopes of `element` that fit storage.
int DetailElementCount(const CalculationState& state);
int DetailIsotopeCount(const CalculationState& state, int element, int cursor);

// Appends the formula of one composition found by an m/z search: the
// considered elements in their listed order, a count of 1 written as the bare
// symbol and a count of 0 left out, "C7H7O2" for counts {7, 7, 2} of C, H, O.
void AppendFormulaText(std::string& text, const FormulaMatches& formulae,
                       const std::array<int, kMaxFormulaElements>& counts);

// The formula of result i of an m/z search, with its electron-class prefix:
// "** " indeterminate, "EE " even-electron, "OE " odd-electron, then the
// considered elements in their listed order, a count of 1 written as the bare
// symbol and a count of 0 left out: "EE C7H7O2".
std::string MatchedFormula(const CalculationState& state, int formula);

// The formulae of an m/z search in m/z order: the stored 200 at most, and,
// when every one was asked for, those beyond.
int ListedFormulaCount(const CalculationState& state);
FormulaMatches::Listed ListedFormulaAt(const CalculationState& state, int formula);

// The ion with m repeating units: end cap, (unit)m, then the charging ion,
// e.g. "(C2H4O)12Na" or "CH3(C2H4O)5(Na)2".
std::string RepeatingUnitIon(const CalculationState& state, int repeatingUnits);

}  // namespace tarnevo::output::detail

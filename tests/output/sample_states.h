// Calculation states with round numbers, one or more per calculation kind,
// chosen so that every figure of the golden reports and result pages can be
// worked out by hand (FAs of 0.5, 0.25, ...; masses whose m/z end in .25 or
// .75). The golden files in golden/ were written from these values.
#pragma once

#include "output/calculation_state.h"

namespace tarnevo::testing {

// C6H5Cl+, four peaks, largest FA 0.75; the last FA 1.2E-5 is far below the
// three decimals of the fixed column.
output::CalculationState ClusterState();
// C2Jx2Qy with charge -2: user-defined Jx and Qy with detail lines; m/z halve.
output::CalculationState ClusterWithUserElementsState();
// CJx2+ with five peaks [A+0]..[A+4] (three rows of two columns), one user
// element and the warning about peaks above [A+319].
output::CalculationState OddPeakCountClusterState();
// Bare 12C-, one peak of FA 1.
output::CalculationState SinglePeakClusterState();
output::CalculationState LabelledAtomsState();
// Kind 1 whose stored total FA is 0: every Rel % reads 0.000.
output::CalculationState ZeroTotalLabelledAtomsState();
// Enrichment fit of C in C6H6; firstPeakOffset calculated peaks precede the
// first experimental one.
output::CalculationState EnrichmentState(int firstPeakOffset);
output::CalculationState FormulaState();
// Two long formulae: one of 35 characters before the m/z (a natural gap of 1),
// one of exactly 42 and one of 48.
output::CalculationState LongFormulaState();
output::CalculationState NoFormulaState();
// Kind 3 with the storage full: formula i is C H(i) at m/z 100 + i.
output::CalculationState FullFormulaState();
// C10H8 whose first experimental peak is.
output::CalculationState LossOfHState();
// C10H7Jx whose first experimental peak is.
output::CalculationState LossOfHFromAMinusOneState();
// CH3OH(C2H4O)n(Na)2 for n = 3 and 4, charge 2.
output::CalculationState RepeatingUnitState();
// (C2H3Jx)12Cl without end cap, charge -1, with the storage warning.
output::CalculationState RepeatingUnitWithoutEndCapState();
// Cl: 35Cl and 37Cl.
output::CalculationState IsotopicDataState();

}  // namespace tarnevo::testing

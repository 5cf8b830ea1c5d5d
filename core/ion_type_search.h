// The neutral molecules M of element rows whose ion of a given type
// (k x M + additions - losses, with the notation's charge) has its [A+0] m/z
// within a window. The ion may hold elements the rows do not (the Na of
// [M+Na]+).
//
// The window on the ion's m/z maps to a window on M's mass,
// (mz x |z| + z x electronMass - additions + losses) / k, which the exact
// formula search walks (slightly widened, at charge 1, where m/z is mass less
// one electron), in slices narrower than the lightest atom of the rows, within
// which the walk finds every formula of the rows. Each molecule found is then
// built into its ion, whose m/z is computed as the ion calculations compute it
// and kept only when it lies in the window itself: the translation's rounding
// can neither add nor drop a molecule at a window end.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "core/element_table.h"
#include "core/extended_precision.h"
#include "core/formula_parser.h"
#include "core/formula_search.h"
#include "core/ion_notation.h"
#include "core/work_progress.h"

namespace tarnevo::core {

// The rows M is built from: the search's elements (masses from the table, the
// minima, the maxima) and which element of the table each row is. A row whose
// maximum is to follow M's highest mass (the most atoms of that element alone
// that fit under it) says so in defaultMaximum.
struct MoleculeRows {
    std::vector<SearchElement> elements;
    std::vector<int> elementIndex;
    std::vector<bool> defaultMaximum;
};

// One molecule found: the counts by row, M as a formula, and its ion's m/z
// in extended precision, from M's mass as the walk summed it and the groups'
// masses. The ion's formula is left to the visitor (BuildIonFormula), which
// most often has no need of it: most molecules of a window are refused by
// their chemistry first. A type that loses atoms M lacks ([M-H2O+H]+ of a
// molecule without O) still reaches the visitor, which learns it there.
struct IonTypeMolecule {
    AtomCounts counts{};
    ParsedFormula molecule;
    Extended mz = 0.0L;
};

using IonTypeVisitor = std::function<SearchVisit(const IonTypeMolecule&)>;

// The window of the ion's m/z, both ends included.
struct IonMzWindow {
    Extended low = 0.0L;
    Extended high = 0.0L;
};

// Each row's maximum as the search of this ion type and window takes it.
std::vector<int> SearchedMaxima(const ElementTable& table, const MoleculeRows& rows,
                                const IonNotation& notation, IonMzWindow window);

// The highest m/z an ion of the type reaches: M at each row's maximum, a row
// left to its default at the most atoms a search takes (kMaxSearchCount).
Extended HighestIonMz(const ElementTable& table, const MoleculeRows& rows, const IonNotation& notation);

// About how many molecules of the rows have an ion of the type in the window,
// before any is walked: the counts a box of integers, the molecules between
// two masses about the volume of the box between the two planes of those
// masses, the slab's width times the area of the plane at the middle mass
// (the simplex's (d-1)-volume with the box's corners cut off by
// inclusion-exclusion). For C H N O P S at m/z 900 within 5 ppm it comes
// within a factor of two of the count; it is used to refuse a window far
// beyond any that can be walked, and to share the progress out.
double EstimatedMoleculeCount(const ElementTable& table, const MoleculeRows& rows,
                              const IonNotation& notation, IonMzWindow window);

// What a visitor is given of each molecule: all of IonTypeMolecule, or its
// counts and m/z only (molecule left empty), for a visitor that only counts
// and should not pay for a formula of every element a molecule.
enum class MoleculeDetail { Formula, CountsOnly };

// Calls visit with each molecule whose ion lies in the window, slice after
// slice in ascending m/z (within a slice in the walk's order), until visit
// answers Stop or progress cancels. plannedCount as for VisitFormulae.
WorkStatus VisitIonTypeMolecules(const ElementTable& table, const MoleculeRows& rows,
                                 const IonNotation& notation, IonMzWindow window, const IonTypeVisitor& visit,
                                 WorkProgress* progress = nullptr, std::size_t plannedCount = kUncapped,
                                 MoleculeDetail detail = MoleculeDetail::Formula);

// The electron class of an ion (the classes of core/formula_search.h): the
// parity of its valence electrons less its charge, indeterminate when an
// element present has no known valence.
int IonElectronClass(const ElementTable& table, const ParsedFormula& ion, int charge);

}  // namespace tarnevo::core

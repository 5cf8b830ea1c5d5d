// The search for elemental formulae whose [A+0] m/z lies in a window around a
// measured m/z: up to eight elements, each with a minimum and a maximum count.
//
// What is found is defined by a depth-first walk over the elements in row order.
// At depth k the count of element k runs upwards from its minimum; the m/z of the
// partial formula (counts of elements 0..k, later elements 0) is computed in
// extended precision; above the window's high end the loop of depth k is left;
// at or above its low end the partial formula is recorded and the loop is left
// too; below it the walk goes one element deeper and then on with the next
// count. The walk ends when the loop of depth 0 is left. Example: target 200.0
// +- 0.05 at charge 1 with C 0-16 and H 0-198 records only C6H127, m/z
// 72 + 127 x 1.007825 - 0.000548579909 = 199.9932: with any other C count no H count
// lands between 199.95 and 200.05.
//
// SearchFormulae returns exactly what that walk records, in the order the walk
// finds them, without walking it literally: subtrees that cannot reach the
// window are skipped by arithmetic, subtrees that no completion can bring into
// it by the residue tables of formula_completion_filter.h (so that a narrow
// window costs about what it holds, not what the box of counts holds), and the
// last elements are tabulated once by mass so that each walk of the first
// elements meets its completions by lookup (formula_completion_table.h). Every formula that may be recorded
// is confirmed with the same extended m/z as the walk, so no rounding at a
// window end changes the answer.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <limits>
#include <vector>

#include "core/extended_precision.h"
#include "core/work_progress.h"

namespace tarnevo::core {

inline constexpr int kMaxSearchElements = 8;
// Largest count the search handles (the completion table keeps counts in 16
// bits); the dialogs allow 1000, and a default maximum, target x |charge| /
// mass, is held to it: an ion of m/z 10000 at charge 30 weighs 300000 u.
inline constexpr int kMaxSearchCount = 65535;
// The limit of a search that records every formula it finds.
inline constexpr std::size_t kUncapped = std::numeric_limits<std::size_t>::max();

// Electron classes of an ion: the parity of its valence electrons.
inline constexpr int kIndeterminateElectrons = -1;  // an element of unknown valence is present
inline constexpr int kEvenElectron = 0;
inline constexpr int kOddElectron = 1;

struct SearchElement {
    double mass = 0.0;  // lightest-isotope mass, u (positive)
    int minimum = 0;    // atoms
    int maximum = 0;    // atoms, already resolved (no 0-means-default here)
    int valence = 0;    // valence electrons; -1 indeterminate
};

struct FormulaQuery {
    double target = 0.0;                  // measured m/z of the [A+0] ion
    double tolerance = 0.0;               // half width of the window, m/z units
    int charge = 1;                       // signed, not 0
    std::vector<SearchElement> elements;  // row order, 1 to kMaxSearchElements
};

// Atom counts by row; rows beyond the query's elements, and rows after the
// element at which a formula was recorded, hold 0.
using AtomCounts = std::array<int, kMaxSearchElements>;

struct FoundFormula {
    AtomCounts counts{};
    double mz = 0.0;  // the extended m/z rounded to double
    int electronClass = kEvenElectron;
};

// The window target - tolerance .. target + tolerance, both ends included.
struct MzWindow {
    Extended low = 0.0L;
    Extended high = 0.0L;
};
MzWindow SearchWindow(double target, double tolerance);

// m/z of an ion of the given mass (sum of lightest-isotope masses):
// (mass - charge x electronMass) / |charge|, as core/ion_mz.h defines it.
Extended IonMz(Extended mass, int charge);

// The mass of a partial formula as the walk computes it: count x mass summed
// element after element in row order, in extended precision.
Extended PartialFormulaMass(const FormulaQuery& query, const AtomCounts& counts);

// The maximum taken for an element whose maximum was left at 0: as many atoms
// of the element alone as fit under the ion's mass, the target m/z x |charge|,
// trunc(target x |charge| / mass) in extended precision (target 11.086075 with
// H at charge 1 gives 10, where a double division gives 11). A doubly charged
// ion weighs twice its m/z: at m/z 1998 and charge 2, C may take 3996 / 12 =
// 333 atoms, not the 166 of the m/z alone. The electrons are left out as at
// charge 1, where this is trunc(target / mass). Beyond charge 1 the ion's
// electrons and the window's upper edge count: a molecule whose ion lies
// within the tolerance must not be cut off by its last atom (C333 at charge
// 2 lies at m/z 1997.99945, 1998 less an electron mass, so at target
// 1997.99945 and tolerance 0.01 the bound is trunc((2 x 1998.00945 + 2 x
// electron) / 12) = 333 where target x 2 / 12 alone gives 332).
int DefaultMaximum(double target, int charge, double mass, double tolerance = 0.0);

// -1 when an element of indeterminate valence is present; otherwise the parity
// of (S - charge), S the valence electrons of all atoms: 0 even-electron, 1
// odd-electron. A negative odd S - charge (Fe2 at +1: S = 0) is odd-electron.
int ElectronClass(const FormulaQuery& query, const AtomCounts& counts);

// Where the tabulated last elements begin: chosen per query to minimise the
// work (kChooseTableStart), or fixed to an element index, which the tests use
// to check every way of splitting the walk against the literal one.
inline constexpr int kChooseTableStart = -1;

// Whether the walk before the table asks the completion filter
// (formula_completion_filter.h) before each descent: where it is expected to
// repay its set-up (the search's own choice), always, or never. The answer is
// the same either way; the tests and the benchmark use the last two.
enum class CompletionFiltering { WhenWorthwhile, Always, Never };

// The formulae the walk records, in the order it records them, stopping after
// limit of them (kUncapped: all).
std::vector<FoundFormula> SearchFormulae(const FormulaQuery& query, std::size_t limit,
                                         int tableStart = kChooseTableStart,
                                         CompletionFiltering filtering = CompletionFiltering::WhenWorthwhile);

// What a visitor of the search answers after each formula.
enum class SearchVisit { Continue, Stop };
using FormulaVisitor = std::function<SearchVisit(const FoundFormula&)>;

// Calls visit with each formula the walk records, in the walk's order, until
// visit answers Stop. progress (may be null) is asked now and then with a
// fraction that never decreases; when it answers false the search stops and
// returns WorkStatus::Cancelled. Nothing is held: a caller may list millions.
// plannedCount: how many formulae the visitor means to take before it answers
// Stop (kUncapped: every one); only the search's plan reads it, to spend less
// on set-up when few are wanted, as by the desktop's 200.
WorkStatus VisitFormulae(const FormulaQuery& query, const FormulaVisitor& visit,
                         WorkProgress* progress = nullptr, std::size_t plannedCount = kUncapped);

// Ascending m/z; formulae of equal m/z keep their order of discovery.
void SortByMz(std::vector<FoundFormula>& formulae);

}  // namespace tarnevo::core

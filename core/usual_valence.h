// The usual valence of the main-group elements, as formula finders use it for
// the ring-plus-double-bond equivalent of a formula: H and the halogens 1, O and
// S 2, N and P 3, C and Si 4, their lighter and heavier congeners alike, and
// the alkali and alkaline-earth metals, zinc and cadmium by their group.
// Elements with several common valences (Tl, Pb and the transition metals),
// the noble gases and the user-defined elements have none.
#pragma once

#include <array>
#include <optional>

#include "core/formula_search.h"

namespace tarnevo::core {

std::optional<int> UsualValence(int elementIndex);

// The usual valence of each row of a search, looked up once for listings of
// millions of formulae over the same rows.
using RowValences = std::array<std::optional<int>, kMaxSearchElements>;
RowValences UsualValences(const int* elementIndex, int elementCount);

// Rings plus double bonds, 1 + sum of n x (valence - 2) / 2: C6H6 gives 4,
// C2H5 gives 0.5 (a radical or an even-electron ion). Nothing when an element
// present has no usual valence.
std::optional<double> RingsPlusDoubleBonds(const int* elementIndex, const AtomCounts& counts,
                                           int elementCount);
std::optional<double> RingsPlusDoubleBonds(const RowValences& valences, const AtomCounts& counts,
                                           int elementCount);

}  // namespace tarnevo::core

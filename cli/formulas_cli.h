// tarnevo-cli formulas: the elemental formulae whose [A+0] m/z lies within a
// tolerance of a measured m/z (Molecular Formulae from m/z). With --all every
// formula the search finds is listed, not only the first 200.
#pragma once

#include <cstddef>
#include <ostream>

#include "cli/arguments.h"

namespace tarnevo::cli {

// The most formulae --all lists. The listing is sorted by m/z, so it holds
// every formula before printing the first, 32 bytes each (320 MB at most);
// a range holding more (at 1000 +- 0.5 with eight elements and their default
// maxima, 158 million) is refused with a message that says how to narrow it.
inline constexpr std::size_t kMaxListedFormulae = 10'000'000;

int RunFormulasCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);
// The same with another ceiling on what --all lists.
int RunFormulasCommandListingAtMost(std::size_t maxListed, const Arguments& arguments, std::ostream& out,
                                    std::ostream& errors);

}  // namespace tarnevo::cli

// tarnevo-cli formulas: the elemental formulae whose [A+0] m/z lies within a
// tolerance of a measured m/z (Molecular Formulae from m/z). With --all every
// formula the search finds is listed, not only the first 200.
#pragma once

#include <ostream>

#include "cli/arguments.h"

namespace tarnevo::cli {

inline constexpr const char* kFormulasUsage =
    "usage: tarnevo-cli formulas MZ [--tol D] [--charge Z] --element SYM[:MIN[:MAX]]... "
    "[--jx MASS[:VALENCE]] [--all] [--json] [--report FILE]";

OptionRules FormulasOptionRules();
int RunFormulasCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

}  // namespace tarnevo::cli

// tarnevo-cli enrich FORMULA --element SYM --atoms N --first-mz MZ --intensities
// I0,I1,...: the enrichment of one element fitted to a measured spectrum
// (Isotope Labelling Effects, enrichment from an experimental pattern).
#pragma once

#include <ostream>

#include "cli/arguments.h"

namespace tarnevo::cli {

int RunEnrichCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

}  // namespace tarnevo::cli

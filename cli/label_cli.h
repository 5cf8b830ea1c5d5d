// tarnevo-cli label FORMULA --enrich SYM:ATOMS[:FA,...]...: the isotope pattern
// of an ion with enriched atoms (Isotope Labelling Effects, known enrichments).
#pragma once

#include <ostream>

#include "cli/arguments.h"

namespace tarnevo::cli {

int RunLabelCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

}  // namespace tarnevo::cli

// tarnevo-cli polymer: the isotope clusters of a series of cluster ions or
// polymer ions n x RU + EC + k x CI (Cluster Ions and Polymers).
#pragma once

#include <ostream>

#include "cli/arguments.h"

namespace tarnevo::cli {

int RunPolymerCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

}  // namespace tarnevo::cli

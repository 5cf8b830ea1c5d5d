// The Isotope Cluster Pattern command (Ctrl+I): asks for an ion formula, its
// charge and the stop FA, asks for the isotopes of any user-defined elements,
// runs the cluster engine and stores the peaks as the data set's results.
#pragma once

#include "calc/command_context.h"

namespace tarnevo::calc {

void RunIsotopeClusterPattern(CommandContext& context);

}  // namespace tarnevo::calc

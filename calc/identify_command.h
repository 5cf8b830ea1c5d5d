// The Identify Ion from Pattern command (Ctrl+T): asks for the measured peaks
// of one ion's isotope cluster and the question's options, and stores the
// formulae and ion types that explain the peaks, ranked, as the data set's
// results.
#pragma once

#include "calc/command_context.h"

namespace tarnevo::calc {

void RunIdentifyIon(CommandContext& context);

}  // namespace tarnevo::calc

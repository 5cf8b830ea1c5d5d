// The Display Isotopic Data command (Ctrl+D): asks for the symbol of a natural
// element and stores its isotopes (mass number, exact mass, FA, by increasing
// mass number) as the data set's results, to be shown, printed and saved like
// the results of a calculation.
#pragma once

#include "calc/command_context.h"

namespace tarnevo::calc {

void RunDisplayIsotopicData(CommandContext& context);

}  // namespace tarnevo::calc

#include "calc/identify_command.h"

namespace tarnevo::calc {

void RunIdentifyIon(CommandContext& /*context*/) {}

}  // namespace tarnevo::calc

// The Identify Ion from Pattern command (Ctrl+T): asks for the measured peaks
// of one ion's isotope cluster and the question's options, and stores the
// formulae and ion types that explain the peaks, ranked, as the data set's
// results.
#pragma once

#include <string_view>

#include "calc/command_context.h"

namespace tarnevo::calc {

// The progress dialog's text while the candidates are searched and scored.
inline constexpr std::string_view kIdentifyProgress = "Identifying the ion...";
inline constexpr const char* kIdentifyOutOfMemory =
    "Memory ran out while the candidates' patterns were computed. Narrow the element rows or the mass "
    "accuracy and try again.";

void RunIdentifyIon(CommandContext& context);

}  // namespace tarnevo::calc

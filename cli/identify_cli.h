// tarnevo-cli identify: the formulae and ion types that explain a measured
// isotope pattern, ranked by mass and pattern.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "core/ion_identification.h"

namespace tarnevo::cli {

// The words before the percentage of the progress line on a terminal.
inline constexpr std::string_view kIdentifyProgress = "Searching...";

int RunIdentifyCommand(const Arguments& arguments, std::ostream& out, std::ostream& errors);

// The exit status of an identification the engine refused: a value the
// options set that it does not take is a usage error, peaks it cannot read as
// one cluster (or a window too wide to score) a refusal.
int IdentifyRefusalStatus(core::IdentifyStatus status);

}  // namespace tarnevo::cli

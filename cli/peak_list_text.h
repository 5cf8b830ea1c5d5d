// The measured peaks of one ion's cluster as a user gives them on the command
// line: `--peaks 195.0877:100,196.0908:10.4` or a peaks file of two columns
// copied from instrument software, read by the rule of calc/peak_columns.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "calc/peak_columns.h"
#include "core/pattern_score.h"

namespace tarnevo::cli {

struct PeakListParse {
    std::vector<core::MeasuredPeak> peaks;
    std::string problem;  // empty when read
};

// The peaks of --peaks MZ:I,MZ:I,... in the order given. Which values make a
// usable cluster (positive, at most 30 peaks, one charge) the identification
// decides; this reads numbers.
PeakListParse ParsePeakOption(std::string_view text);

// Reads the peaks file at path (standard input for "-").
calc::PeakColumnsRead ReadPeakFile(const std::string& path);

}  // namespace tarnevo::cli

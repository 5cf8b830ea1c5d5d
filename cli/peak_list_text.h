// The measured peaks of one ion's cluster as a user gives them on the command
// line: `--peaks 195.0877:100,196.0908:10.4` or a peaks file of two columns
// copied from instrument software.
//
// A peaks file holds one peak a line, m/z then intensity, separated by blanks,
// tabs, commas or semicolons (the text a spectrum viewer copies, a CSV or a
// tab-separated export). '#' starts a comment to the end of the line; blank
// lines are skipped, and so is one header line of words ("m/z  Intensity")
// before the first peak. The decimal point is '.'. Anything else is refused
// with the line named, rather than guessed at: a third column could be a
// resolution or a second intensity, and reading the wrong one would score the
// wrong pattern without a word.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

// The lines of a peaks file, one after another.
class PeakFileParser {
public:
    // Reads one line (without its line end; a '\r' before it is dropped): the
    // problem, which names the line, or empty.
    std::string Take(std::string_view line, std::size_t lineNumber);

    // More peaks than a measured cluster may hold have been read: the rest of
    // the file need not be, since the identification refuses these already.
    bool Full() const { return peaks_.size() > core::kMaxMeasuredPeaks; }

    std::vector<core::MeasuredPeak>& Peaks() { return peaks_; }

private:
    std::vector<core::MeasuredPeak> peaks_;
    bool headerSkipped_ = false;
};

// A whole peaks file's text, lines ended by '\n'.
PeakListParse ParsePeakFileText(std::string_view text);

// Reads the peaks file at path (standard input for "-"). A problem in a line
// is prefixed by the file's name; a file that cannot be read sets
// unreadable, so that the command ends as a batch that cannot be read does.
struct PeakFileRead {
    PeakListParse parse;
    bool unreadable = false;
};
PeakFileRead ReadPeakFile(const std::string& path);

}  // namespace tarnevo::cli

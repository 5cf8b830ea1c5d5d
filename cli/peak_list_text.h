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

    // The peaks read, at most one more than a measured cluster may hold: an
    // instrument's whole spectrum pasted by mistake is counted, not kept.
    std::vector<core::MeasuredPeak>& Peaks() { return peaks_; }
    std::size_t Count() const { return count_; }

private:
    std::vector<core::MeasuredPeak> peaks_;
    std::size_t count_ = 0;
    bool headerSkipped_ = false;
};

// How a peaks file was read.
enum class PeakFileOutcome {
    Read,
    BadLine,       // a line is no peak: problem names it
    TooManyPeaks,  // more peaks than one cluster holds: problem counts them
    Unreadable,    // the file could not be read: problem gives the reason
};

struct PeakFileRead {
    PeakFileOutcome outcome = PeakFileOutcome::Read;
    std::vector<core::MeasuredPeak> peaks;
    std::string problem;  // prefixed by the file's name
};

// A whole peaks file's text, lines ended by '\n'; name is the file as the
// problem names it.
PeakFileRead ParsePeakFileText(std::string_view text, const std::string& name);

// Reads the peaks file at path (standard input for "-").
PeakFileRead ReadPeakFile(const std::string& path);

}  // namespace tarnevo::cli

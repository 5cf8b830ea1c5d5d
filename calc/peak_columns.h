// The measured peaks of one ion's cluster as two columns of text: a peaks
// file given to the command line, or the text pasted into the peaks dialog
// from instrument software. One rule reads both.
//
// One peak a line, m/z then intensity, separated by blanks, tabs, commas or
// semicolons (the text a spectrum viewer copies, a CSV or a tab-separated
// export). '#' starts a comment to the end of the line; blank lines are
// skipped, and so is one header line of words ("m/z  Intensity") before the
// first peak; a byte-order mark and a carriage return before the line end are
// dropped; columns after the first two (a resolution, a charge, a relative
// intensity, as instrument software copies them) are ignored. The decimal
// point is '.': "195,0877;100" is refused, which read at its commas would be
// m/z 195 with an intensity of 877, a plausible peak, silently wrong. Anything
// else is refused with the line named, rather than guessed at.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/pattern_score.h"

namespace tarnevo::calc {

// The lines of a peaks text, one after another.
class PeakColumnParser {
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

// How a peaks text was read.
enum class PeakColumnsOutcome {
    Read,
    BadLine,       // a line is no peak: problem names it
    TooManyPeaks,  // more peaks than one cluster holds: problem counts them
    Unreadable,    // the file could not be read: problem gives the reason
};

struct PeakColumnsRead {
    PeakColumnsOutcome outcome = PeakColumnsOutcome::Read;
    std::vector<core::MeasuredPeak> peaks;
    std::string problem;  // prefixed by the text's name
};

// A finite number written out whole: "195.0877", "1e5"; not "12abc" or "nan".
std::optional<double> PeakNumberText(std::string_view text);

// The problem of a line too long to be a peak (a file without line ends).
std::string LineTooLong(std::size_t lineNumber, std::size_t limit);

// The peaks of a parser that has read the whole text, or why they are too many.
PeakColumnsRead FinishedPeakColumns(PeakColumnParser& parser, const std::string& name);

// A whole text, lines ended by '\n'; name is the text as the problem names
// it ("the peaks file \"s.txt\"", "The pasted text").
PeakColumnsRead ParsePeakColumns(std::string_view text, const std::string& name);

}  // namespace tarnevo::calc

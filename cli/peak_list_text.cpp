#include "cli/peak_list_text.h"

#include <optional>

#include "cli/arguments.h"
#include "cli/input_source.h"
#include "cli/line_reader.h"

namespace tarnevo::cli {

namespace {

// A line of a peaks file is two numbers and perhaps a comment; the limit only
// keeps a file without line ends from taking memory without end.
constexpr std::size_t kMaxPeakLineBytes = 4096;

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

PeakListParse ParsePeakOption(std::string_view text) {
    PeakListParse parse;
    for (const std::string& item : Split(std::string(text), ',')) {
        const std::vector<std::string> parts = Split(std::string(TrimBlanks(item)), ':');
        const std::optional<double> mz = parts.size() == 2 ? calc::PeakNumberText(parts[0]) : std::nullopt;
        const std::optional<double> intensity =
            parts.size() == 2 ? calc::PeakNumberText(parts[1]) : std::nullopt;
        if (!mz || !intensity) {
            parse.problem =
                "--peaks: a peak is written MZ:I, e.g. --peaks 195.0877:100,196.0908:10.4; not '" +
                Echoed(item) + "'";
            parse.peaks.clear();
            return parse;
        }
        parse.peaks.push_back({*mz, *intensity});
    }
    return parse;
}

calc::PeakColumnsRead ReadPeakFile(const std::string& path) {
    const InputSource source(path, "peaks file");
    if (source.OpenError() != 0)
        return {calc::PeakColumnsOutcome::Unreadable, {}, source.ReadFailure(source.OpenError())};
    LineReader reader(source.Descriptor(), kMaxPeakLineBytes);
    calc::PeakColumnParser parser;
    std::string line;
    for (std::size_t lineNumber = 1;; ++lineNumber) {
        const LineReader::Status status = reader.Next(line);
        if (status == LineReader::Status::End) break;
        if (status == LineReader::Status::Failed)
            return {calc::PeakColumnsOutcome::Unreadable, {}, source.ReadFailure(reader.Error())};
        std::string problem = status == LineReader::Status::TooLong
                                  ? calc::LineTooLong(lineNumber, kMaxPeakLineBytes)
                                  : parser.Take(line, lineNumber);
        if (!problem.empty()) return {calc::PeakColumnsOutcome::BadLine, {}, source.Name() + ", " + problem};
    }
    return calc::FinishedPeakColumns(parser, source.Name());
}

}  // namespace tarnevo::cli

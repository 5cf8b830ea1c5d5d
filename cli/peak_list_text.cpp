#include "cli/peak_list_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "cli/arguments.h"
#include "cli/input_source.h"
#include "cli/line_reader.h"

namespace tarnevo::cli {

namespace {

// A line of a peaks file is two numbers and perhaps a comment; the limit only
// keeps a file without line ends from taking memory without end.
constexpr std::size_t kMaxPeakLineBytes = 4096;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A finite number written out whole: "195.0877", "1e5"; not "12abc" or "nan".
std::optional<double> NumberText(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; }

// The columns of a line: the runs of text between separators.
std::vector<std::string_view> Columns(std::string_view line) {
    std::vector<std::string_view> columns;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && IsSeparator(line[at])) ++at;
        const std::size_t start = at;
        while (at < line.size() && !IsSeparator(line[at])) ++at;
        if (at > start) columns.push_back(line.substr(start, at - start));
    }
    return columns;
}

// A header names its columns: no column of it is a number, and it has words.
bool IsHeader(const std::vector<std::string_view>& columns) {
    bool letters = false;
    for (std::string_view column : columns) {
        if (NumberText(column)) return false;
        for (char c : column) letters = letters || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    }
    return letters;
}

std::string LineProblem(std::size_t lineNumber, const std::string& what) {
    return "line " + std::to_string(lineNumber) + ": " + what;
}

std::string ColumnCountProblem(std::string_view line, std::size_t count) {
    std::string problem = "expected two columns, m/z and intensity, not " + std::to_string(count) + " in '" +
                          Echoed(line) + "'";
    // "195,0877;100" is a decimal comma, which reads as three columns.
    if (line.find(';') != std::string_view::npos && line.find(',') != std::string_view::npos)
        problem += " (the decimal point is '.')";
    return problem;
}

// The peaks of a file read to its end, or why they are too many for one
// cluster: the identification would count only those kept.
PeakFileRead FinishedRead(PeakFileParser& parser, const std::string& name) {
    if (parser.Count() > core::kMaxMeasuredPeaks) {
        return {PeakFileOutcome::TooManyPeaks,
                {},
                name + " holds " + std::to_string(parser.Count()) + " peaks; give at most " +
                    std::to_string(core::kMaxMeasuredPeaks) + " peaks of one ion's cluster"};
    }
    return {PeakFileOutcome::Read, std::move(parser.Peaks()), {}};
}

}  // namespace

PeakListParse ParsePeakOption(std::string_view text) {
    PeakListParse parse;
    for (const std::string& item : Split(std::string(text), ',')) {
        const std::vector<std::string> parts = Split(std::string(TrimBlanks(item)), ':');
        const std::optional<double> mz = parts.size() == 2 ? NumberText(parts[0]) : std::nullopt;
        const std::optional<double> intensity = parts.size() == 2 ? NumberText(parts[1]) : std::nullopt;
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

std::string PeakFileParser::Take(std::string_view line, std::size_t lineNumber) {
    if (lineNumber == 1 && line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = TrimBlanks(line.substr(0, line.find('#')));
    const std::vector<std::string_view> columns = Columns(line);
    if (columns.empty()) return {};
    if (peaks_.empty() && !headerSkipped_ && IsHeader(columns)) {
        headerSkipped_ = true;
        return {};
    }
    if (columns.size() != 2) return LineProblem(lineNumber, ColumnCountProblem(line, columns.size()));
    const std::optional<double> mz = NumberText(columns[0]);
    if (!mz) return LineProblem(lineNumber, "the m/z '" + Echoed(columns[0]) + "' is not a number");
    const std::optional<double> intensity = NumberText(columns[1]);
    if (!intensity)
        return LineProblem(lineNumber, "the intensity '" + Echoed(columns[1]) + "' is not a number");
    if (peaks_.size() <= core::kMaxMeasuredPeaks) peaks_.push_back({*mz, *intensity});
    ++count_;
    return {};
}

PeakFileRead ParsePeakFileText(std::string_view text, const std::string& name) {
    PeakFileParser parser;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (std::string problem = parser.Take(text.substr(start, end - start), ++lineNumber);
            !problem.empty())
            return {PeakFileOutcome::BadLine, {}, name + ", " + problem};
        start = end + 1;
    }
    return FinishedRead(parser, name);
}

PeakFileRead ReadPeakFile(const std::string& path) {
    const InputSource source(path, "peaks file");
    if (source.OpenError() != 0)
        return {PeakFileOutcome::Unreadable, {}, source.ReadFailure(source.OpenError())};
    LineReader reader(source.Descriptor(), kMaxPeakLineBytes);
    PeakFileParser parser;
    std::string line;
    for (std::size_t lineNumber = 1;; ++lineNumber) {
        const LineReader::Status status = reader.Next(line);
        if (status == LineReader::Status::End) break;
        if (status == LineReader::Status::Failed)
            return {PeakFileOutcome::Unreadable, {}, source.ReadFailure(reader.Error())};
        std::string problem =
            status == LineReader::Status::TooLong
                ? LineProblem(lineNumber, "longer than " + std::to_string(kMaxPeakLineBytes) +
                                              " bytes, far more than a peak's two numbers")
                : parser.Take(line, lineNumber);
        if (!problem.empty()) return {PeakFileOutcome::BadLine, {}, source.Name() + ", " + problem};
    }
    return FinishedRead(parser, source.Name());
}

}  // namespace tarnevo::cli

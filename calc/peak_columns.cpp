#include "calc/peak_columns.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "core/text_format.h"

namespace tarnevo::calc {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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
        if (PeakNumberText(column)) return false;
        for (char c : column) letters = letters || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    }
    return letters;
}

std::string LineProblem(std::size_t lineNumber, const std::string& what) {
    return "line " + std::to_string(lineNumber) + ": " + what;
}

// "195,0877;100" or "195,0877<tab>100": a comma between two digits on a line
// that separates its columns otherwise is a decimal comma, which read as a
// separator would turn m/z 195.0877 into 195 with an intensity of 877.
bool HasDecimalComma(std::string_view line) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (line.find_first_of(" \t;") == std::string_view::npos) return false;
    for (std::size_t at = 1; at + 1 < line.size(); ++at) {
        if (line[at] == ',' && isDigit(line[at - 1]) && isDigit(line[at + 1])) return true;
    }
    return false;
}

}  // namespace

std::optional<double> PeakNumberText(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

// The peaks of a file read to its end, or why they are too many for one
// cluster: the identification would count only those kept.
PeakColumnsRead FinishedPeakColumns(PeakColumnParser& parser, const std::string& name) {
    if (parser.Count() > core::kMaxMeasuredPeaks) {
        return {PeakColumnsOutcome::TooManyPeaks,
                {},
                name + " holds " + std::to_string(parser.Count()) + " peaks; give at most " +
                    std::to_string(core::kMaxMeasuredPeaks) + " peaks of one ion's cluster"};
    }
    return {PeakColumnsOutcome::Read, std::move(parser.Peaks()), {}};
}

std::string LineTooLong(std::size_t lineNumber, std::size_t limit) {
    return LineProblem(lineNumber,
                       "longer than " + std::to_string(limit) + " bytes, far more than a peak's two numbers");
}

std::string PeakColumnParser::Take(std::string_view line, std::size_t lineNumber) {
    if (lineNumber == 1 && line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = TrimBlanks(line.substr(0, line.find('#')));
    const std::vector<std::string_view> columns = Columns(line);
    if (columns.empty()) return {};
    if (peaks_.empty() && !headerSkipped_ && IsHeader(columns)) {
        headerSkipped_ = true;
        return {};
    }
    if (HasDecimalComma(line)) {
        return LineProblem(lineNumber, "'" + core::EchoedText(line) +
                                           "' writes a decimal comma; the decimal point is '.' (195.0877)");
    }
    // Further columns (a resolution, a charge, a relative intensity) are what
    // instrument software copies beside the two that count.
    if (columns.size() < 2) {
        return LineProblem(
            lineNumber, "expected two columns, m/z and intensity, not 1 in '" + core::EchoedText(line) + "'");
    }
    const std::optional<double> mz = PeakNumberText(columns[0]);
    if (!mz) return LineProblem(lineNumber, "the m/z '" + core::EchoedText(columns[0]) + "' is not a number");
    const std::optional<double> intensity = PeakNumberText(columns[1]);
    if (!intensity)
        return LineProblem(lineNumber,
                           "the intensity '" + core::EchoedText(columns[1]) + "' is not a number");
    if (peaks_.size() <= core::kMaxMeasuredPeaks) peaks_.push_back({*mz, *intensity});
    ++count_;
    return {};
}

PeakColumnsRead ParsePeakColumns(std::string_view text, const std::string& name) {
    PeakColumnParser parser;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (std::string problem = parser.Take(text.substr(start, end - start), ++lineNumber);
            !problem.empty())
            return {PeakColumnsOutcome::BadLine, {}, name + ", " + problem};
        start = end + 1;
    }
    return FinishedPeakColumns(parser, name);
}

}  // namespace tarnevo::calc

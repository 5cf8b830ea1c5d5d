#include "calc/identify_grid_paste.h"

#include <algorithm>
#include <vector>

#include "calc/peak_columns.h"
#include "core/text_format.h"

namespace tarnevo::calc {

namespace {

using Row = std::vector<std::string>;

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The cells of a line cut at each of the separators; runs of blanks and
// commas count as one separator when they are the separators.
Row CellsOf(std::string_view line, std::string_view separators, bool mergeRuns) {
    Row cells;
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t stop = line.find_first_of(separators, start);
        if (stop == std::string_view::npos) stop = line.size();
        const std::string_view cell = Trimmed(line.substr(start, stop - start));
        if (!mergeRuns || !cell.empty()) cells.emplace_back(cell);
        start = stop + 1;
    }
    return cells;
}

// "195,0877 100": a comma between two digits on a line that blanks separate
// is a decimal comma, kept in its cell rather than read as m/z 195 with an
// intensity of 877.
bool HasDecimalComma(std::string_view line) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (Trimmed(line).find(' ') == std::string_view::npos) return false;
    for (std::size_t at = 1; at + 1 < line.size(); ++at) {
        if (line[at] == ',' && isDigit(line[at - 1]) && isDigit(line[at + 1])) return true;
    }
    return false;
}

std::vector<Row> TableOf(std::string_view text) {
    std::string_view separators;  // blanks and commas, unless a tab or semicolon is in use
    bool mergeRuns = true;
    if (text.find('\t') != std::string_view::npos) {
        separators = "\t";
        mergeRuns = false;
    } else if (text.find(';') != std::string_view::npos) {
        separators = ";";
        mergeRuns = false;
    }
    std::vector<Row> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t stop = text.find('\n', start);
        if (stop == std::string_view::npos) stop = text.size();
        const std::string_view line = text.substr(start, stop - start);
        start = stop + 1;
        if (Trimmed(line).empty()) continue;
        const std::string_view lineSeparators =
            !separators.empty() ? separators : (HasDecimalComma(line) ? " " : " ,");
        rows.push_back(CellsOf(line, lineSeparators, mergeRuns));
    }
    const auto isNumber = [](const std::string& cell) { return PeakNumberText(cell).has_value(); };
    if (!rows.empty() && std::none_of(rows.front().begin(), rows.front().end(), isNumber)) {
        rows.erase(rows.begin());  // a heading
    }
    return rows;
}

std::string& CellAt(IdentifyPeaksInput& grid, std::size_t row, std::size_t column) {
    return column == 0 ? grid.mz[row] : grid.intensity[row];
}

}  // namespace

GridPaste PasteTableIntoGrid(IdentifyPeaksInput& grid, GridCell from, std::string_view text) {
    const std::vector<Row> table = TableOf(text);
    if (table.empty() || (table.size() == 1 && table.front().size() <= 1)) return {};
    constexpr auto kRows = static_cast<std::size_t>(IdentifyPeaksInput::kRows);
    const std::size_t room = from.row < kRows ? kRows - from.row : 0;
    if (table.size() > room) {
        return {GridPasteOutcome::TooLong,
                "The pasted table has " + core::FormatInteger(static_cast<long long>(table.size())) +
                    " rows, but from row " + core::FormatInteger(static_cast<long long>(from.row) + 1) +
                    " the grid has room for " + core::FormatInteger(static_cast<long long>(room)) + "."};
    }
    const std::size_t firstColumn = from.column == GridColumn::Mz ? 0 : 1;
    const bool bothColumns = firstColumn == 0 && std::any_of(table.begin(), table.end(),
                                                             [](const Row& row) { return row.size() >= 2; });
    for (std::size_t k = 0; k < table.size(); ++k) {
        for (std::size_t j = 0; j < table[k].size() && firstColumn + j < 2; ++j) {
            CellAt(grid, from.row + k, firstColumn + j) = table[k][j];
        }
    }
    if (bothColumns) {
        for (std::size_t row = from.row + table.size(); row < kRows; ++row) {
            grid.mz[row].clear();
            grid.intensity[row].clear();
        }
    }
    return {GridPasteOutcome::Pasted, {}};
}

}  // namespace tarnevo::calc

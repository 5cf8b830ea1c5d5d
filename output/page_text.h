// The pieces result pages are built from: two-column tables, the table of
// cluster peaks with its heading, and the note on user-defined
// elements. Columns line up by character counts in a monospaced font.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "output/calculation_state.h"

namespace tarnevo::output::detail {

using PageText = std::vector<std::string>;

inline constexpr std::string_view kClusterHeading =
    " Ion       m/z          FA       Rel %      Ion       m/z          FA       Rel %";

// A list of N cells in ceil(N / 2) rows: row r holds cell r on the left and
// cell R + r on the right; an odd N leaves the right half of the last row
// empty. [A+0]..[A+4] gives rows {0, 3}, {1, 4}, {2}.
template <typename LeftCell, typename RightCell>
void AppendTwoColumns(PageText& lines, int count, LeftCell left, RightCell right) {
    const int rows = (count + 1) / 2;
    for (int r = 0; r < rows; ++r) {
        std::string line = left(r);
        if (rows + r < count) line += right(rows + r);
        lines.push_back(std::move(line));
    }
}

// A cluster peak cell, 39 characters for a left cell: label and m/z over 17
// columns, two blanks, the FA in scientific form, Rel % in 8 columns. A right
// cell starts with four more blanks before its label.
struct ClusterCell {
    double fa;
    double mz;
    std::string relative;
};

std::string LeftClusterCell(int n, const ClusterCell& cell);
std::string RightClusterCell(int n, const ClusterCell& cell);

// Peaks [A+0] .. [A+count-1] of one pattern under their heading; cellOf(n)
// gives the values of peak n.
template <typename CellOf>
void AppendClusterTable(PageText& lines, int count, CellOf cellOf) {
    lines.emplace_back(kClusterHeading);
    AppendTwoColumns(
        lines, count, [&](int n) { return LeftClusterCell(n, cellOf(n)); },
        [&](int n) { return RightClusterCell(n, cellOf(n)); });
}

// "A saved data file will contain ..." under the head of an ion with
// user-defined elements, whose isotope FAs only the report lists.
void AppendUserElementNote(PageText& lines, const CalculationState& state);

}  // namespace tarnevo::output::detail

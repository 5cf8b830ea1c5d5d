// A table pasted into one cell of the peak grid of Identify Ion from Pattern
// (Ctrl+V), spread over the grid from that cell as a spreadsheet spreads it:
// the table's lines are the grid's rows from the cell's row down, its columns
// the grid's columns from the cell's column rightwards. This is how m/z and
// intensity columns copied from a spreadsheet, or lines of a text peak list,
// reach the grid without a cell typed. The cells keep their text: whether it
// is a number is the grid's question when the dialog is accepted, which names
// the row of a bad one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "calc/identify_input.h"

namespace tarnevo::calc {

enum class GridColumn { Mz, Intensity };

struct GridCell {
    std::size_t row = 0;  // 0: the grid's first row
    GridColumn column = GridColumn::Mz;
};

enum class GridPasteOutcome {
    NotATable,  // one value on one line: the cell takes it as typed text
    Pasted,
    TooLong,  // more rows than the grid has from the cell down: problem says so
};

struct GridPaste {
    GridPasteOutcome outcome = GridPasteOutcome::NotATable;
    std::string problem;  // empty unless refused
};

// Spreads text over the grid from the cell. Lines are rows; blank lines are
// skipped, and so is a first line without a number (a heading, "m/z
// Intensity"). A line's cells are separated by tabs (a spreadsheet's copy);
// without a tab, by semicolons; without either, by commas and blanks, as a
// text peak list writes them ("195.0877, 100"), so that a decimal comma never
// splits a number where another separator is in use ("195,0877;100" stays one
// cell, refused as no number on OK). Cells beyond the intensity column (a
// resolution, a charge) are dropped. A table that fills both columns fills
// the peaks from the cell's row on: the rows below it are emptied, so that
// no peak of an earlier entry stays among them; a single column changes only
// its own cells. A refused table leaves the grid as it was.
GridPaste PasteTableIntoGrid(IdentifyPeaksInput& grid, GridCell from, std::string_view text);

}  // namespace tarnevo::calc

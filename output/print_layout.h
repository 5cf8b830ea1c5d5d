// Pagination of the printed result page. Printing draws the same lines as the
// screen, in 0.01-inch units ("units" below), with a 16-unit font and a 16-unit
// line step; every page starts five line steps (0.8 inch) below its top.
//
// Worked example, a 600 dpi printer whose printable area is 6600 pixel rows
// (11 inches): a line is trunc(0.16 x 600) = 96 pixels, 6600 / 96 = 68 lines fit,
// and ten are kept free for the top margin and the bottom, so 58 lines go on a
// page. The page is 6600 / 6 = 1100 units high; the first line of page two is
// drawn at 80 + 1100 = 1180 units below the top of page one.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace tarnevo::output {

inline constexpr int kPrintFontHeight = 16;     // units; also the printed line step
inline constexpr int kPrintTopMarginLines = 5;  // line steps above the first line of a page
inline constexpr int kPrintReservedLines = 10;

struct PrintPagination {
    int linesPerPage = 1;
    // Printable height in units, truncated; page p (0-based) starts this many
    // units times p below the top of the first page.
    int pageHeightUnits = 0;
};

// printableRows: the printable height in device pixels; pixelsPerInch: the
// device's vertical resolution. A page too short for even one line still gets
// one, so that the line arithmetic never divides by zero.
constexpr PrintPagination PaginationFor(int printableRows, int pixelsPerInch) {
    PrintPagination pagination;
    const int linePixels = std::max(1, kPrintFontHeight * pixelsPerInch / 100);
    pagination.linesPerPage = std::max(1, printableRows / linePixels - kPrintReservedLines);
    pagination.pageHeightUnits = pixelsPerInch > 0 ? printableRows * 100 / pixelsPerInch : 0;
    return pagination;
}

// Pages needed for lineCount line advances; an empty page when there are none.
constexpr int PageCount(int lineCount, int linesPerPage) {
    if (lineCount <= 0 || linesPerPage <= 0) return 1;
    return (lineCount + linesPerPage - 1) / linesPerPage;
}

// Distance in units from the top of the first page to the first line.
constexpr int FirstPrintedLineY() { return kPrintTopMarginLines * kPrintFontHeight; }

// Where the next line goes after lineCounter advances (lineCounter already
// counts the advance just made). Lines follow one another by the line step; the
// advance that fills a page moves to the top margin of the next page.
constexpr int NextPrintedLineY(int y, int lineCounter, const PrintPagination& pagination) {
    if (lineCounter % pagination.linesPerPage != 0) return y + kPrintFontHeight;
    return FirstPrintedLineY() + pagination.pageHeightUnits * (lineCounter / pagination.linesPerPage);
}

// The lines of a page as they fit a sheet columns characters wide: a longer
// line goes on in further lines, broken after the last blank that fits (or,
// with no blank in the second half of the width, after the last character
// that fits), each
// further line indented four places beyond the line's own indentation so it
// reads as the continuation. The blanks at a break are dropped; nothing else
// of the text is lost. Empty lines and lines that fit stay as they are.
// Example at 20 columns: "Formulae within the mass accuracy: 7" becomes
// "Formulae within the" and "    mass accuracy: 7".
inline constexpr int kMinWrapColumns = 20;  // narrower sheets still get 20
inline constexpr std::size_t kContinuationIndent = 4;
std::vector<std::string> WrapToColumns(const std::vector<std::string>& lines, int columns);

}  // namespace tarnevo::output

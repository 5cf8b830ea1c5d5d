// Pins the pagination of printed results: lines per page from the printer's
// resolution and printable height, the page count from the number of line
// advances, and where the first line of each page lands. The expectations are
// worked by hand from the page geometry (a printed line is 0.16 inch, ten lines
// are kept free, every page starts 0.8 inch below its top), not taken from the
// program.
#include "output/print_layout.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tarnevo::output {
namespace {

struct PrinterCase {
    int printableRows;
    int dpi;
    int linesPerPage;
    int pageHeightUnits;
};

class PaginationTest : public ::testing::TestWithParam<PrinterCase> {};

// 600 dpi, 11 inches: a line is 96 pixels, 6600 / 96 = 68, minus 10 = 58.
// 300 dpi, 10.5 inches: 48-pixel lines, 3150 / 48 = 65 (65.6), minus 10 = 55.
// 1200 dpi, 10.9 inches: 192-pixel lines, 13080 / 192 = 68 (68.1), minus 10 = 58.
// 72 dpi, 10 inches: trunc(11.52) = 11-pixel lines, 720 / 11 = 65, minus 10 = 55.
INSTANTIATE_TEST_SUITE_P(Printers, PaginationTest,
                         ::testing::Values(PrinterCase{6600, 600, 58, 1100}, PrinterCase{3150, 300, 55, 1050},
                                           PrinterCase{13080, 1200, 58, 1090},
                                           PrinterCase{720, 72, 55, 1000}));

TEST_P(PaginationTest, LinesPerPageAndPageHeight) {
    const PrinterCase& printer = GetParam();
    const PrintPagination pagination = PaginationFor(printer.printableRows, printer.dpi);
    EXPECT_EQ(pagination.linesPerPage, printer.linesPerPage);
    EXPECT_EQ(pagination.pageHeightUnits, printer.pageHeightUnits);
}

TEST(PageCount, ExactlyOnePageFullThenOneMoreLineStartsASecond) {
    EXPECT_EQ(PageCount(58, 58), 1);
    EXPECT_EQ(PageCount(59, 58), 2);
    EXPECT_EQ(PageCount(1, 58), 1);
    EXPECT_EQ(PageCount(116, 58), 2);
    EXPECT_EQ(PageCount(117, 58), 3);
}

TEST(PageCount, NoLinesStillPrintsOneEmptyPage) { EXPECT_EQ(PageCount(0, 58), 1); }

TEST(PaginationGuard, PageTooShortForTheReservedLinesStillTakesOneLine) {
    // 100 rows at 600 dpi hold one 96-pixel line; ten reserved lines would leave
    // a negative count and the line arithmetic would divide by it.
    EXPECT_EQ(PaginationFor(100, 600).linesPerPage, 1);
    EXPECT_EQ(PaginationFor(0, 0).linesPerPage, 1);
}

// Walks the lines as a printing pass does and returns the y of each line, in
// units below the top of the first page.
std::vector<int> PrintedLinePositions(int lineCount, const PrintPagination& pagination) {
    std::vector<int> positions;
    int y = FirstPrintedLineY();
    for (int counter = 1; counter <= lineCount; ++counter) {
        positions.push_back(y);
        y = NextPrintedLineY(y, counter, pagination);
    }
    return positions;
}

TEST(PrintedLines, FirstLineOfPageTwoIsEightTenthsOfAnInchBelowItsTop) {
    const PrintPagination pagination = PaginationFor(6600, 600);  // 58 lines, 1100 units a page
    const std::vector<int> y = PrintedLinePositions(59, pagination);
    EXPECT_EQ(y[0], 80);             // page one: 0.8 inch down
    EXPECT_EQ(y[57], 80 + 57 * 16);  // last line of page one
    EXPECT_EQ(y[58], 1100 + 80);     // page two starts 1100 units down, line 0.8 inch below
    EXPECT_LT(y[57] + 16, 1100);     // page one's lines all end on page one
}

TEST(PrintedLines, EveryPageBeginsAtItsOwnTopMargin) {
    const PrintPagination pagination = PaginationFor(3150, 300);  // 55 lines, 1050 units
    const std::vector<int> y = PrintedLinePositions(3 * 55 + 1, pagination);
    for (int page = 0; page <= 3; ++page) {
        EXPECT_EQ(y[static_cast<std::size_t>(page * 55)], 1050 * page + 80) << "page " << page + 1;
    }
}

// The words of a text in order, whatever blanks separate them.
std::vector<std::string> Words(const std::vector<std::string>& lines) {
    std::vector<std::string> words;
    for (const std::string& line : lines) {
        std::istringstream in(line);
        for (std::string word; in >> word;) words.push_back(word);
    }
    return words;
}

// A line of the identification's page that ran off the paper's right edge.
TEST(WrapToColumns, RegressionLongCountLineIsKeptWholeOnTheSheet) {
    const std::string counts =
        "Formulae within the mass accuracy: 40, removed by the filters: 25, by their pattern: 3, ranked: 12";
    const std::vector<std::string> wrapped = WrapToColumns({counts}, 60);
    // 98 characters; "filters:" runs from column 54 to 61, past the 60 that fit, so
    // the break is the blank at column 53, after "by the"; the rest goes on
    // four places in.
    ASSERT_EQ(wrapped.size(), 2U);
    EXPECT_EQ(wrapped[0], "Formulae within the mass accuracy: 40, removed by the");
    EXPECT_EQ(wrapped[1], "    filters: 25, by their pattern: 3, ranked: 12");
    EXPECT_EQ(Words(wrapped), Words({counts}));
}

TEST(WrapToColumns, LinesThatFitAndEmptyLinesStayAsTheyAre) {
    const std::vector<std::string> page = {"", "Ion Charge: 1", std::string(60, 'x'), "   indented"};
    EXPECT_EQ(WrapToColumns(page, 60), page);
}

struct WrapCase {
    std::string line;
    int columns;
};

class WrapKeepsEverything : public ::testing::TestWithParam<WrapCase> {};

// A 141-character formula line (the longest a formula field takes), a word
// longer than the sheet, an indented table row, blanks at the break, and a
// sheet narrower than the least width.
INSTANTIATE_TEST_SUITE_P(
    Lines, WrapKeepsEverything,
    ::testing::Values(WrapCase{"Ion Formula: " + std::string(128, 'C'), 80},
                      WrapCase{"Ion Formula: C6H6" + std::string(70, 'H') + " tail", 40},
                      WrapCase{"      [A+0]     146.98  5.37772E-001 100.000    [A+3]   149.97  1.0E-002",
                               30},
                      WrapCase{"a     b     c     d     e     f     g     h     i     j", 20},
                      WrapCase{"short words only, many of them, run on well past the edge of it", 5}));

TEST_P(WrapKeepsEverything, NoLineWiderThanTheSheetAndNoWordLost) {
    const WrapCase& wrap = GetParam();
    const std::size_t width = std::max(wrap.columns, kMinWrapColumns);
    const std::vector<std::string> wrapped = WrapToColumns({wrap.line}, wrap.columns);
    ASSERT_GE(wrapped.size(), 2U);
    std::string joined;
    for (const std::string& line : wrapped) {
        EXPECT_LE(line.size(), width) << line;
        EXPECT_FALSE(line.empty());
        joined += line;
    }
    // Only blanks are added or dropped: the characters that are not blanks
    // come out in the same order.
    const auto nonBlank = [](std::string text) {
        std::erase(text, ' ');
        return text;
    };
    EXPECT_EQ(nonBlank(joined), nonBlank(wrap.line));
    for (std::size_t k = 1; k < wrapped.size(); ++k) EXPECT_EQ(wrapped[k].rfind("    ", 0), 0U) << wrapped[k];
}

}  // namespace
}  // namespace tarnevo::output

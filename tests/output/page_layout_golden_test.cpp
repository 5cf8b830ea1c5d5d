// Pins the result page of every calculation kind line by line: titles with
// their exact leading blanks, the heads, the two-column tables (ceil(N/2) rows,
// entry R + r beside entry r), the column alignment, the warnings and the
// capacity lines. The expectations in golden/layout_*.txt were typed by hand
// from the layout rules with the values of sample_states.cpp; their title and
// heading lengths and row widths were counted separately from the program.
#include <gtest/gtest.h>

#include <functional>

#include "output/page_layout.h"
#include "tests/output/golden_file.h"
#include "tests/output/sample_states.h"

namespace tarnevo::testing {
namespace {

using output::CalculationState;
using output::LayoutResultLines;

struct GoldenLayout {
    std::string file;
    std::function<CalculationState()> state;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const GoldenLayout& testCase, std::ostream* out) { *out << testCase.file; }

class PageLayoutGoldenTest : public ::testing::TestWithParam<GoldenLayout> {};

TEST_P(PageLayoutGoldenTest, MatchesHandWrittenLines) {
    EXPECT_EQ(LayoutResultLines(GetParam().state()), ReadGoldenLines(GetParam().file));
}

INSTANTIATE_TEST_SUITE_P(AllKinds, PageLayoutGoldenTest,
                         ::testing::Values(
                             // Five peaks in three rows, Rel % 100.000 after one blank, the
                             // user-element note and the warning about peaks above [A+319].
                             GoldenLayout{"layout_kind0.txt", OddPeakCountClusterState},
                             GoldenLayout{"layout_kind0_single_peak.txt", SinglePeakClusterState},
                             GoldenLayout{"layout_kind1_zero_total.txt", ZeroTotalLabelledAtomsState},
                             GoldenLayout{"layout_kind2.txt", [] { return EnrichmentState(2); }},
                             // Formula lines already 35, 42 and 48 characters long before the m/z.
                             GoldenLayout{"layout_kind3.txt", LongFormulaState},
                             GoldenLayout{"layout_kind3_none.txt", NoFormulaState},
                             GoldenLayout{"layout_kind4.txt", LossOfHFromAMinusOneState},
                             GoldenLayout{"layout_kind5.txt", RepeatingUnitState},
                             GoldenLayout{"layout_kind5_no_end_cap.txt", RepeatingUnitWithoutEndCapState},
                             GoldenLayout{"layout_kind6.txt", IsotopicDataState}),
                         [](const ::testing::TestParamInfo<GoldenLayout>& test) {
                             return test.param.file.substr(0, test.param.file.find('.'));
                         });

// Formula i of the full store is C H(i) at m/z 100 + i; after the list, an
// empty line and the two capacity lines.
TEST(PageLayoutTest, FullFormulaStoreEndsWithCapacityLines) {
    const std::vector<std::string> lines = LayoutResultLines(FullFormulaState());
    // Title, three lines of head, an empty line and the heading come first.
    ASSERT_EQ(lines.size(), 4u + 2u + 200u + 3u);
    EXPECT_EQ(lines[5], "Ion Formula                           m/z");
    EXPECT_EQ(lines[6], "EE C" + std::string(32, ' ') + "100.0000");
    // "EE CH2" (6 characters) and "102.0000" (8) leave 30 blanks to width 44.
    EXPECT_EQ(lines[6 + 2], "EE CH2" + std::string(30, ' ') + "102.0000");
    EXPECT_EQ(lines[6 + 199], "EE CH199" + std::string(28, ' ') + "299.0000");
    EXPECT_EQ(lines[206], "");
    EXPECT_EQ(lines[207], "The number of possible formulae exceeded the storage capacity (200).");
    EXPECT_EQ(lines[208], "Try lowering the m/z range.");
}

// Lines of any length come out whole: nothing is cut at a buffer size.
TEST(PageLayoutTest, VeryLongFormulaTextComesOutWhole) {
    CalculationState state = SinglePeakClusterState();
    state.formulaText = std::string(300, 'C');
    EXPECT_EQ(LayoutResultLines(state).at(1), "Ion Formula: " + state.formulaText);
}

// Cells of a two-column table for N = 1 .. 9 peaks: rows = ceil(N / 2), the
// left column holds peaks 0 .. R-1 in order, the right column R .. N-1.
TEST(PageLayoutTest, TwoColumnTableSplitsAtCeilingOfHalf) {
    for (int count = 1; count <= 9; ++count) {
        CalculationState state = SinglePeakClusterState();
        state.cluster.lastPeakIndex = count - 1;
        const std::vector<std::string> lines = LayoutResultLines(state);
        const int rows = (count + 1) / 2;
        ASSERT_EQ(lines.size(), 5u + static_cast<std::size_t>(rows) + 1u) << count;
        for (int r = 0; r < rows; ++r) {
            const std::string& line = lines[5 + static_cast<std::size_t>(r)];
            EXPECT_TRUE(line.starts_with("[A+" + std::to_string(r) + "]")) << line;
            const bool hasRight = rows + r < count;
            EXPECT_EQ(line.find("    [A+" + std::to_string(rows + r) + "]") == 39, hasRight) << line;
            EXPECT_EQ(line.size(), hasRight ? 82u : 39u) << line;
        }
    }
}

}  // namespace
}  // namespace tarnevo::testing

// Pins the formula syntax: what is a formula, what its counts are, and that no
// digit run, however long, sneaks an atom count above the limit past the parser.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/formula_parser.h"

namespace tarnevo::core {
namespace {

constexpr int kC = 10, kH = 27, kO = 49, kCl = 14, kCo = 15, kXe = 79, kB = 5, kBa = 6, kJx = 84, kJy = 85;

struct ValidCase {
    const char* text;
    std::vector<std::pair<int, std::uint32_t>> counts;  // every other count is 0
};

class ValidFormula : public ::testing::TestWithParam<ValidCase> {};

TEST_P(ValidFormula, GivesTheCounts) {
    ParsedFormula formula;
    ASSERT_EQ(ParseFormulaText(GetParam().text, formula), FormulaSyntax::Valid);
    ParsedFormula expected;
    for (const auto& [index, count] : GetParam().counts) expected[index] = count;
    EXPECT_EQ(formula.counts, expected.counts);
}

INSTANTIATE_TEST_SUITE_P(Formulae, ValidFormula,
                         ::testing::Values(ValidCase{"C6H12O6", {{kC, 6}, {kH, 12}, {kO, 6}}},
                                           ValidCase{"H2O1H", {{kH, 3}, {kO, 1}}},
                                           ValidCase{"CH3CH2OH", {{kC, 2}, {kH, 6}, {kO, 1}}},
                                           ValidCase{"Cl", {{kCl, 1}}}, ValidCase{"C", {{kC, 1}}},
                                           ValidCase{"Co", {{kCo, 1}}}, ValidCase{"CO", {{kC, 1}, {kO, 1}}},
                                           ValidCase{"Xe", {{kXe, 1}}}, ValidCase{"BBa", {{kB, 1}, {kBa, 1}}},
                                           ValidCase{"Jx", {{kJx, 1}}},
                                           ValidCase{"JyJx2", {{kJx, 2}, {kJy, 1}}}, ValidCase{"C0", {}},
                                           ValidCase{"C007", {{kC, 7}}}, ValidCase{"C20000", {{kC, 20000}}},
                                           ValidCase{"C00000000000000000020000", {{kC, 20000}}},
                                           ValidCase{"C15000H2C5000", {{kC, 20000}, {kH, 2}}}));

class InvalidFormula : public ::testing::TestWithParam<const char*> {};

TEST_P(InvalidFormula, IsAnEntryError) {
    ParsedFormula formula;
    EXPECT_EQ(ParseFormulaText(GetParam(), formula), FormulaSyntax::Error);
}

INSTANTIATE_TEST_SUITE_P(Formulae, InvalidFormula,
                         ::testing::Values("", "c6", "C6 H6", "(CH3)2", "C6H5+", "CL", "X", "J", "A", "D",
                                           "E", "G", "L", "M", "Q", "R", "T", "Z", "Xa", "Cx", "6C", "C6H6 ",
                                           " C", "C-1", "[13C]", "C6H6.H2O", "Jw"));

class TooManyAtoms : public ::testing::TestWithParam<const char*> {};

TEST_P(TooManyAtoms, ExceedsTheLimit) {
    ParsedFormula formula;
    EXPECT_EQ(ParseFormulaText(GetParam(), formula), FormulaSyntax::TooManyAtoms);
}

// Long and wrapping digit runs: 4294967296 wraps a 32-bit count to 0 and
// 4294967297 to 1; neither may be accepted.
INSTANTIATE_TEST_SUITE_P(Formulae, TooManyAtoms,
                         ::testing::Values("C20001", "C15000H2C5001", "C4294967296", "C4294967297",
                                           "C99999999999", "C123456789012345678901234567890",
                                           "H10000H10000H1"));

TEST(FormulaParser, AnErrorAfterAValidPrefixStillFails) {
    ParsedFormula formula;
    EXPECT_EQ(ParseFormulaText("C6H6?", formula), FormulaSyntax::Error);
}

// Random texts over the formula alphabet: whatever is accepted has no count
// above the limit, and parsing never reads outside the text.
TEST(FormulaParser, RandomTextsNeverYieldCountsAboveTheLimit) {
    std::mt19937 random(20261207);
    const std::string alphabet = "CHNOSClBrJxyzQa0123456789 ()+-";
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 24, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        ParsedFormula formula;
        if (ParseFormulaText(text, formula) != FormulaSyntax::Valid) continue;
        for (std::uint32_t count : formula.counts) ASSERT_LE(count, kMaxAtomsPerElement) << text;
    }
}

struct SymbolCase {
    const char* text;
    int extraAllowed;
    int expected;
};

class SymbolLookup : public ::testing::TestWithParam<SymbolCase> {};

TEST_P(SymbolLookup, GivesTheIndexOrNone) {
    EXPECT_EQ(LookupSymbolText(GetParam().text, GetParam().extraAllowed), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Symbols, SymbolLookup,
                         ::testing::Values(SymbolCase{"Jx", 1, kJx}, SymbolCase{"Jx", 0, kNoSymbol},
                                           SymbolCase{"Jy", 1, kNoSymbol}, SymbolCase{"Cl", 0, kCl},
                                           SymbolCase{"C", 0, kC}, SymbolCase{"Zr", 0, 83},
                                           SymbolCase{"Ag", 0, 0}, SymbolCase{"Fe ", 0, kNoSymbol},
                                           SymbolCase{"Fe ", 1, kNoSymbol}, SymbolCase{"fe", 0, kNoSymbol},
                                           SymbolCase{"fe", 6, kNoSymbol}, SymbolCase{"", 0, kNoSymbol},
                                           SymbolCase{"C6", 0, kNoSymbol}, SymbolCase{"Qz", 6, 89},
                                           SymbolCase{"X", 0, kNoSymbol}, SymbolCase{"cl", 0, kNoSymbol}));

}  // namespace
}  // namespace tarnevo::core

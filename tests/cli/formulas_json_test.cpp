// Pins that tarnevo-cli formulas --all --json, now written through a block
// buffer from the compact listing, is byte for byte the JSON the command wrote
// before: that printer (ostream insertions, JsonNumber, JsonString, the page's
// formula text and the rings-plus-double-bonds rule per formula) is kept here
// as the reference and fed by the other search path (SearchFormulae with
// SortByMz instead of VisitFormulae with the listing's own sort). The cases
// cover a negative charge, indeterminate classes and null dbe (Mn, Fe), ties
// in m/z (the same element in two rows), no formula at all, and thousands of
// formulae. The buffer's number spelling is also compared with JsonNumber on
// awkward doubles, and its text with what was written across block ends.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/formula_text_buffer.h"
#include "core/element_table.h"
#include "core/formula_parser.h"
#include "core/formula_search.h"
#include "core/natural_isotopes.h"
#include "core/program_context.h"
#include "core/usual_valence.h"
#include "output/calculation_state.h"
#include "output/result_values.h"
#include "tests/support/cli_run.h"

namespace tarnevo::testing {
namespace {

struct ElementRow {
    const char* symbol;
    int minimum;
    int maximum;
};

struct JsonCase {
    const char* name;
    const char* target;
    const char* tolerance;
    int charge;
    std::vector<ElementRow> elements;
};

void PrintTo(const JsonCase& json, std::ostream* out) { *out << json.name; }

// The search the command runs for a case, built from the element table.
struct Search {
    core::FormulaQuery query;
    std::vector<int> elementIndex;
};

Search SearchOf(const JsonCase& json) {
    const auto program = std::make_unique<core::ProgramContext>();
    Search search;
    search.query = {std::stod(json.target), std::stod(json.tolerance), json.charge, {}};
    for (const ElementRow& row : json.elements) {
        const int index = core::LookupSymbolText(row.symbol, 0);
        const auto at = static_cast<std::size_t>(index);
        search.elementIndex.push_back(index);
        search.query.elements.push_back({program->elements[index].lightMass, row.minimum, row.maximum,
                                         core::kNaturalElements[at].valenceElectrons});
    }
    return search;
}

// The printer formulas --all --json used before the block buffer.
std::string FormerJson(const Search& search) {
    std::vector<core::FoundFormula> formulae = core::SearchFormulae(search.query, core::kUncapped);
    core::SortByMz(formulae);
    const auto state = std::make_unique<output::CalculationState>();
    const int elements = static_cast<int>(search.query.elements.size());
    state->formulae.elementCount = elements;
    for (std::size_t k = 0; k < search.elementIndex.size(); ++k)
        state->formulae.elementSymbols[k] = std::string(core::SymbolOf(search.elementIndex[k]));
    std::ostringstream out;
    out << "{\"target\": " << cli::JsonNumber(search.query.target)
        << ", \"tolerance\": " << cli::JsonNumber(search.query.tolerance)
        << ", \"charge\": " << search.query.charge << ", \"elements\": [";
    for (std::size_t k = 0; k < search.query.elements.size(); ++k) {
        out << (k == 0 ? "" : ", ")
            << "{\"symbol\": " << cli::JsonString(std::string(core::SymbolOf(search.elementIndex[k])))
            << ", \"min\": " << search.query.elements[k].minimum
            << ", \"max\": " << search.query.elements[k].maximum << "}";
    }
    out << "], \"formulaCount\": " << formulae.size() << ", \"storageFull\": false, \"formulae\": [";
    for (std::size_t i = 0; i < formulae.size(); ++i) {
        const core::FoundFormula& formula = formulae[i];
        state->formulae.formulaAtoms[0] = formula.counts;
        state->formulae.formulaElectrons[0] = static_cast<output::ElectronClass>(formula.electronClass);
        out << (i == 0 ? "" : ", ")
            << "{\"formula\": " << cli::JsonString(output::detail::MatchedFormula(*state, 0).substr(3))
            << ", \"counts\": [";
        for (int k = 0; k < elements; ++k)
            out << (k == 0 ? "" : ", ") << formula.counts[static_cast<std::size_t>(k)];
        const std::optional<double> dbe =
            core::RingsPlusDoubleBonds(search.elementIndex.data(), formula.counts, elements);
        out << "], \"mz\": " << cli::JsonNumber(formula.mz) << ", \"errorPpm\": "
            << cli::JsonNumber((formula.mz - search.query.target) / search.query.target * 1.0e6)
            << ", \"electronClass\": " << formula.electronClass
            << ", \"dbe\": " << (dbe ? cli::JsonNumber(*dbe) : "null") << "}";
    }
    out << "]}\n";
    return out.str();
}

std::vector<std::string> CommandOf(const JsonCase& json) {
    std::vector<std::string> words = {"formulas",     json.target, "--tol",
                                      json.tolerance, "--charge",  std::to_string(json.charge)};
    for (const ElementRow& row : json.elements) {
        words.emplace_back("--element");
        words.push_back(std::string(row.symbol) + ":" + std::to_string(row.minimum) + ":" +
                        std::to_string(row.maximum));
    }
    words.emplace_back("--all");
    words.emplace_back("--json");
    return words;
}

class FormulasJson : public ::testing::TestWithParam<JsonCase> {};

TEST_P(FormulasJson, AllIsByteForByteTheFormerPrintersOutput) {
    const JsonCase& json = GetParam();
    const CliRun run = RunTool(CommandOf(json));
    ASSERT_EQ(run.status, cli::kExitOk) << run.errors;
    const std::string expected = FormerJson(SearchOf(json));
    ASSERT_EQ(run.out.size(), expected.size());
    EXPECT_TRUE(run.out == expected);  // not EXPECT_EQ: megabytes of diff help no one
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormulasJson,
    ::testing::Values(
        JsonCase{"OneFormula", "200", "0.05", 1, {{"C", 0, 16}, {"H", 0, 198}}},
        JsonCase{"Thousands", "500", "0.5", 1, {{"C", 0, 41}, {"H", 0, 100}, {"N", 0, 10}, {"O", 0, 20}}},
        JsonCase{
            "NegativeCharge", "300", "0.05", -2, {{"C", 0, 50}, {"H", 0, 100}, {"O", 0, 10}, {"S", 0, 2}}},
        JsonCase{"IndeterminateAndNullDbe",
                 "400",
                 "0.1",
                 1,
                 {{"Fe", 0, 3}, {"C", 0, 30}, {"H", 0, 60}, {"Mn", 0, 2}}},
        JsonCase{"TiesInMz", "150", "0.2", 3, {{"C", 0, 10}, {"C", 0, 10}, {"H", 0, 30}}},
        JsonCase{"NoFormula", "2.5", "0.001", 1, {{"C", 0, 1}}},
        JsonCase{"EightElements",
                 "1000",
                 "0.001",
                 1,
                 {{"C", 0, 100},
                  {"H", 0, 200},
                  {"N", 0, 20},
                  {"O", 0, 30},
                  {"S", 0, 5},
                  {"P", 0, 5},
                  {"Cl", 0, 5},
                  {"Na", 0, 3}}}),
    [](const ::testing::TestParamInfo<JsonCase>& tested) { return std::string(tested.param.name); });

std::string Buffered(double value) {
    std::ostringstream out;
    {
        cli::FormulaTextBuffer text(out);
        text.JsonNumber(value);
    }
    return out.str();
}

TEST(FormulaTextBuffer, SpellsNumbersAsJsonNumber) {
    const double awkward[] = {0.0,
                              -0.0,
                              1.0,
                              0.1,
                              1e-7,
                              1e-5,
                              1e15,
                              1e16,
                              1e21,
                              1e22,
                              123456789012345680000.0,
                              5e-324,
                              DBL_MIN,
                              -DBL_MAX,
                              -2.2250738585072014e-308,
                              999.990001420091,
                              -9.998579909051841,
                              -66.5,
                              std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity()};
    for (const double value : awkward) EXPECT_EQ(Buffered(value), cli::JsonNumber(value)) << value;
    // Doubles of every exponent: random bit patterns, seed fixed.
    std::mt19937_64 bits(20261207);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t pattern = bits();
        double value = 0.0;
        std::memcpy(&value, &pattern, sizeof value);
        ASSERT_EQ(Buffered(value), cli::JsonNumber(value)) << pattern;
    }
}

TEST(FormulaTextBuffer, KeepsTheOrderOfTextAcrossBlockEnds) {
    // Pieces that end just short of a block, a piece longer than a block
    // (written past the buffer) and the integers' extremes.
    const std::string nearlyBlock(cli::FormulaTextBuffer::kBlockSize - 3, 'a');
    const std::string longer(cli::FormulaTextBuffer::kBlockSize * 2 + 5, 'b');
    std::ostringstream out;
    {
        cli::FormulaTextBuffer text(out);
        text.Text(nearlyBlock).Integer(std::numeric_limits<long long>::min()).Text(longer).Text("c");
        text.Integer(std::numeric_limits<long long>::max()).JsonNumber(0.5);
    }
    EXPECT_TRUE(out.str() == nearlyBlock + "-9223372036854775808" + longer + "c9223372036854775807" + "0.5");
}

}  // namespace
}  // namespace tarnevo::testing

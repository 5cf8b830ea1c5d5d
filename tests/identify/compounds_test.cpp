// Pins the list of known compounds that the identification is judged on
// (compounds.tsv): every line is a usable case, so a typing slip in the list
// cannot pass for a fault of the identification later. Each formula must
// parse, be written in Hill order and describe a closed-shell neutral (rings
// plus double bonds whole and not negative by the usual valences, worked out
// here from the valence table below, not by the formula search's code); the
// names are unique; the list holds at least 300 compounds over m/z 80 to 1200.
// The monoisotopic masses of 22 well-known compounds are checked against
// values summed outside the program from the atomic masses of the 2016 evaluation
// (1H 1.00782503207, 14N 14.0030740048, 16O 15.99491461956, 31P 30.97376163,
// 32S 31.97207100, 19F 18.99840322, 35Cl 34.96885268, 79Br 78.9183371,
// 127I 126.904473, 28Si 27.9769265325): they agree with the published
// monoisotopic masses of these compounds. The program's table rounds each
// isotope mass to five decimals (16O 15.99491, 14N 14.00307), so every atom
// but carbon may be off by up to 5e-6 u: ATP's 37 such atoms put it 8.5e-5 u
// low. The tolerance is that bound, and never under 5e-5 u.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/cluster_engine.h"
#include "core/element_table.h"
#include "core/formula_parser.h"
#include "core/ion_notation.h"

namespace tarnevo::core {
namespace {

struct Compound {
    std::size_t line = 0;  // 1-based line in the file, the header being line 1
    std::vector<std::string> fields;
};

std::vector<std::string> SplitTabs(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = text.find('\t', start);
        fields.push_back(text.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

// The file's data lines, read once for all tests.
const std::vector<Compound>& Compounds() {
    static const std::vector<Compound> compounds = [] {
        std::vector<Compound> read;
        std::ifstream file(std::string(TARNEVO_TEST_DATA_DIR) + "/compounds.tsv");
        std::string text;
        std::size_t line = 0;
        while (std::getline(file, text)) {
            ++line;
            if (!text.empty() && text.back() == '\r') {
                text.pop_back();
            }
            if (line > 1) {
                read.push_back({line, SplitTabs(text)});
            }
        }
        return read;
    }();
    return compounds;
}

std::string HeaderLine() {
    std::ifstream file(std::string(TARNEVO_TEST_DATA_DIR) + "/compounds.tsv");
    std::string header;
    std::getline(file, header);
    return header;
}

constexpr std::array<std::string_view, 6> kClasses = {"metabolite",      "drug",  "pollutant",
                                                      "natural product", "lipid", "peptide"};

// The usual valences by which a formula's rings plus double bonds are counted;
// magnesium by its group. An element outside this table (the iron of heme) has
// no single usual valence, and its line must say so in the note.
std::optional<int> UsualValenceOf(std::string_view symbol) {
    static const std::map<std::string_view, int> valences = {
        {"C", 4},  {"Si", 4}, {"N", 3}, {"P", 3},  {"O", 2},  {"S", 2},
        {"Mg", 2}, {"H", 1},  {"F", 1}, {"Cl", 1}, {"Br", 1}, {"I", 1},
    };
    const auto found = valences.find(symbol);
    if (found == valences.end()) {
        return std::nullopt;
    }
    return found->second;
}

ParsedFormula FormulaOf(const Compound& compound) {
    ParsedFormula formula;
    EXPECT_EQ(ParseFormulaText(compound.fields[1], formula), FormulaSyntax::Valid)
        << "line " << compound.line << ": " << compound.fields[1];
    return formula;
}

bool NoteExplains(const Compound& compound, std::string_view reason) {
    return compound.fields[3].find(reason) != std::string::npos;
}

TEST(IdentifyCompounds, HeaderNamesTheFourColumns) { EXPECT_EQ(HeaderLine(), "name\tformula\tclass\tnote"); }

TEST(IdentifyCompounds, EveryLineHasFourFieldsAndOneOfTheSixClasses) {
    ASSERT_FALSE(Compounds().empty());
    for (const Compound& compound : Compounds()) {
        ASSERT_EQ(compound.fields.size(), 4U) << "line " << compound.line;
        EXPECT_FALSE(compound.fields[0].empty()) << "line " << compound.line;
        EXPECT_NE(std::find(kClasses.begin(), kClasses.end(), compound.fields[2]), kClasses.end())
            << "line " << compound.line << ": class \"" << compound.fields[2] << "\"";
    }
}

TEST(IdentifyCompounds, EveryFormulaParsesAndIsWrittenInHillOrder) {
    for (const Compound& compound : Compounds()) {
        ASSERT_EQ(compound.fields.size(), 4U) << "line " << compound.line;
        EXPECT_EQ(compound.fields[1], HillFormulaText(FormulaOf(compound))) << "line " << compound.line;
    }
}

// 2 x (rings + double bonds) = 2 + sum n x (valence - 2): C6H6 gives 8 (4 rings
// and double bonds), a radical such as C2H5 an odd number, a formula with more
// hydrogen than valences allow a negative one.
TEST(IdentifyCompounds, EveryFormulaIsAClosedShellNeutral) {
    for (const Compound& compound : Compounds()) {
        ASSERT_EQ(compound.fields.size(), 4U) << "line " << compound.line;
        const ParsedFormula formula = FormulaOf(compound);
        long twiceRdbe = 2;
        bool everyValenceKnown = true;
        for (int index = 0; index < kElementCount; ++index) {
            if (formula[index] == 0) {
                continue;
            }
            const std::optional<int> valence = UsualValenceOf(SymbolOf(index));
            if (!valence) {
                everyValenceKnown = false;
                continue;
            }
            twiceRdbe += static_cast<long>(formula[index]) * (*valence - 2);
        }
        if (!everyValenceKnown) {
            EXPECT_TRUE(NoteExplains(compound, "no usual valence"))
                << "line " << compound.line << ": " << compound.fields[1];
            continue;
        }
        if (NoteExplains(compound, "radical")) {
            continue;
        }
        EXPECT_GE(twiceRdbe, 0) << "line " << compound.line << ": " << compound.fields[1];
        EXPECT_EQ(twiceRdbe % 2, 0) << "line " << compound.line << ": " << compound.fields[1];
    }
}

TEST(IdentifyCompounds, NamesAreUnique) {
    std::set<std::string> seen;
    for (const Compound& compound : Compounds()) {
        ASSERT_FALSE(compound.fields.empty());
        EXPECT_TRUE(seen.insert(compound.fields[0]).second)
            << "line " << compound.line << ": \"" << compound.fields[0] << "\" again";
    }
}

TEST(IdentifyCompounds, AtLeastThreeHundredCompoundsSpanningMassEightyToTwelveHundred) {
    EXPECT_GE(Compounds().size(), 300U);
    const ElementTable table;
    long double lightest = 1e9L;
    long double heaviest = 0.0L;
    for (const Compound& compound : Compounds()) {
        ASSERT_EQ(compound.fields.size(), 4U) << "line " << compound.line;
        const long double mass = LightestMass(table, FormulaOf(compound));
        lightest = std::min(lightest, mass);
        heaviest = std::max(heaviest, mass);
    }
    EXPECT_LE(lightest, 80.0L);
    EXPECT_GE(heaviest, 1200.0L);
}

// The identification must meet sulfur, phosphorus, each halogen and silicon:
// their isotope patterns (34S, the 37Cl and 81Br doublets, monoisotopic F, P
// and I with their mass defects, 29Si/30Si) are what the score has to tell apart.
TEST(IdentifyCompounds, EachHeteroElementFamilyIsWellRepresented) {
    std::map<std::string, int> compoundsWith;
    for (const Compound& compound : Compounds()) {
        ASSERT_EQ(compound.fields.size(), 4U) << "line " << compound.line;
        const ParsedFormula formula = FormulaOf(compound);
        for (int index = 0; index < kElementCount; ++index) {
            if (formula[index] > 0) {
                ++compoundsWith[std::string(SymbolOf(index))];
            }
        }
    }
    for (const std::string symbol : {"N", "O", "S", "P", "F", "Cl", "Br", "I", "Si"}) {
        EXPECT_GE(compoundsWith[symbol], 5) << symbol;
    }
}

struct KnownMass {
    std::string_view name;
    double monoisotopicMass;  // u, summed from the atomic masses in the file comment
};

TEST(IdentifyCompounds, FamousCompoundsHaveTheirKnownMonoisotopicMass) {
    constexpr std::array<KnownMass, 22> known = {{
        {"caffeine", 194.080376},
        {"D-glucose", 180.063388},
        {"adenosine triphosphate", 506.995745},
        {"cholesterol", 386.354866},
        {"reserpine", 608.273381},
        {"taurine", 125.014664},
        {"glucose 6-phosphate", 260.029719},
        {"perfluorooctanesulfonic acid", 499.937495},
        {"perfluorooctanoic acid", 413.973703},
        {"decamethylcyclopentasiloxane", 370.093957},
        {"levothyroxine", 776.686700},
        {"BDE-47", 481.715213},
        {"PCB 153", 357.844416},
        {"PC 16:0/18:1", 759.577805},
        {"NAD+", 663.109122},
        {"glutathione", 307.083806},
        {"diclofenac", 295.016684},
        {"cyclosporin A", 1201.841368},
        {"bradykinin", 1059.561398},
        {"atrazine", 215.093773},
        {"glyphosate", 169.014009},
        {"paclitaxel", 853.330955},
    }};
    const ElementTable table;
    const int carbon = LookupSymbolText("C", 0);
    for (const KnownMass& expected : known) {
        const auto found =
            std::find_if(Compounds().begin(), Compounds().end(), [&](const Compound& compound) {
                return !compound.fields.empty() && compound.fields[0] == expected.name;
            });
        ASSERT_NE(found, Compounds().end()) << expected.name;
        ASSERT_EQ(found->fields.size(), 4U) << expected.name;
        const ParsedFormula formula = FormulaOf(*found);
        long roundedAtoms = 0;
        for (int index = 0; index < kElementCount; ++index) {
            roundedAtoms += index == carbon ? 0 : static_cast<long>(formula[index]);
        }
        const double tolerance = std::max(5e-5, 5e-6 * static_cast<double>(roundedAtoms));
        EXPECT_NEAR(static_cast<double>(LightestMass(table, formula)), expected.monoisotopicMass, tolerance)
            << expected.name;
    }
}

// The element set of a formula in Hill order, e.g. "C H N O S".
std::string ElementSetOf(const ParsedFormula& formula) {
    ParsedFormula marker;
    for (int index = 0; index < kElementCount; ++index) {
        marker[index] = formula[index] > 0 ? 1 : 0;
    }
    std::string set;
    for (const char symbolCharacter : HillFormulaText(marker)) {
        if (symbolCharacter >= 'A' && symbolCharacter <= 'Z' && !set.empty()) {
            set += ' ';
        }
        set += symbolCharacter;
    }
    return set;
}

// Not a check: the make-up of the list, printed for whoever extends it.
TEST(IdentifyCompounds, SummaryByClassAndElementSet) {
    std::map<std::string, int> perClass;
    std::map<std::string, int> perElementSet;
    for (const Compound& compound : Compounds()) {
        ASSERT_EQ(compound.fields.size(), 4U) << "line " << compound.line;
        ++perClass[compound.fields[2]];
        ++perElementSet[ElementSetOf(FormulaOf(compound))];
    }
    std::cout << Compounds().size() << " compounds\nper class:\n";
    for (const auto& [compoundClass, count] : perClass) {
        std::cout << "  " << compoundClass << ": " << count << '\n';
    }
    std::cout << "per element set:\n";
    for (const auto& [elementSet, count] : perElementSet) {
        std::cout << "  " << elementSet << ": " << count << '\n';
    }
}

}  // namespace
}  // namespace tarnevo::core

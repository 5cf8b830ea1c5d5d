// Pins the ion notation [kM+A-B]z±: the ion formula and m/z of every common
// ion type on well-known molecules, against values worked out by hand; the
// notation written back; and a clear refusal, naming what is wrong, for each
// way of writing an ion type badly or asking for an ion the molecule cannot
// give, quoting what was typed whole (a long number, a character of several
// bytes) and naming a typographic sign typed for '-' or '+'. Expected m/z
// were summed by hand from the element table's lightest-isotope masses (C 12,
// H 1.007825, N 14.00307, O 15.99491, Na 22.98977, K 38.96371, Cl 34.96885,
// S 31.97207, P 30.97376) less z electrons of
// 0.000548579909 u, divided by |z|. With full-precision masses they agree with
// the published values to the fourth decimal (caffeine [M+H]+ 195.0877,
// reserpine [M+H]+ 609.2807, ATP [M-H]- 505.9885).
#include "core/ion_notation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "core/cluster_engine.h"

namespace tarnevo::core {
namespace {

ParsedFormula Formula(std::string_view text) {
    ParsedFormula formula;
    EXPECT_EQ(ParseFormulaText(text, formula), FormulaSyntax::Valid) << text;
    return formula;
}

struct KnownIon {
    const char* molecule;
    const char* formula;
    const char* notation;
    const char* ionFormula;  // Hill order
    double mz;
};

class CommonIonOfKnownMolecule : public ::testing::TestWithParam<KnownIon> {};

TEST_P(CommonIonOfKnownMolecule, HasTheFormulaAndMzWorkedByHand) {
    const KnownIon& known = GetParam();
    const IonNotationParse parse = ParseIonNotation(known.notation);
    ASSERT_TRUE(parse.notation.has_value()) << parse.problem;
    const IonFormulaBuild build = BuildIonFormula(*parse.notation, Formula(known.formula), known.formula);
    ASSERT_TRUE(build.ion.has_value()) << build.problem;
    EXPECT_EQ(HillFormulaText(*build.ion), known.ionFormula);

    const ElementTable table;
    const int z = parse.notation->charge;
    const long double mz =
        (LightestMass(table, *build.ion) - z * static_cast<long double>(electronMass)) / std::abs(z);
    EXPECT_NEAR(static_cast<double>(mz), known.mz, 1e-6) << known.molecule << " " << known.notation;
}

INSTANTIATE_TEST_SUITE_P(
    TwentyMolecules, CommonIonOfKnownMolecule,
    ::testing::Values(KnownIon{"caffeine", "C8H10N4O2", "[M+H]+", "C8H11N4O2", 195.087626},
                      KnownIon{"caffeine", "C8H10N4O2", "[M+Na]+", "C8H10N4NaO2", 217.069571},
                      KnownIon{"glucose", "C6H12O6", "[M+Na]+", "C6H12NaO6", 203.052581},
                      KnownIon{"glucose", "C6H12O6", "[M-H]-", "C6H11O6", 179.056084},
                      KnownIon{"glucose", "C6H12O6", "[M+HCOO]-", "C7H13O8", 225.061554},
                      KnownIon{"glucose", "C6H12O6", "[M+NH4]+", "C6H16NO6", 198.097181},
                      KnownIon{"sucrose", "C12H22O11", "[M+K]+", "C12H22KO11", 381.079321},
                      KnownIon{"cholesterol", "C27H46O", "[M-H2O+H]+", "C27H45", 369.351576},
                      KnownIon{"alanine", "C3H7NO2", "[M+H]+", "C3H8NO2", 90.054941},
                      KnownIon{"glycine", "C2H5NO2", "[M-H]-", "C2H4NO2", 74.024739},
                      KnownIon{"phenylalanine", "C9H11NO2", "[M+H]+", "C9H12NO2", 166.086241},
                      KnownIon{"tryptophan", "C11H12N2O2", "[M+H]+", "C11H13N2O2", 205.097136},
                      KnownIon{"citric acid", "C6H8O7", "[M-H]-", "C6H7O7", 191.019694},
                      KnownIon{"ATP", "C10H16N5O13P3", "[M-H]-", "C10H15N5O13P3", 505.988384},
                      KnownIon{"ATP", "C10H16N5O13P3", "[M-2H]2-", "C10H14N5O13P3", 252.490554},
                      KnownIon{"taurine", "C2H7NO3S", "[M-H]-", "C2H6NO3S", 124.007369},
                      KnownIon{"glucose 6-phosphate", "C6H13O9P", "[M-H]-", "C6H12O9P", 259.022399},
                      KnownIon{"adenosine", "C10H13N5O4", "[M+H]+", "C10H14N5O4", 268.103991},
                      KnownIon{"uracil", "C4H4N2O2", "[M-H]-", "C4H3N2O2", 111.019984},
                      KnownIon{"palmitic acid", "C16H32O2", "[M-H]-", "C16H31O2", 255.232944},
                      KnownIon{"palmitic acid", "C16H32O2", "[2M-H]-", "C32H63O4", 511.473164},
                      KnownIon{"cortisol", "C21H30O5", "[M+CH3COO]-", "C23H33O7", 421.223144},
                      KnownIon{"reserpine", "C33H40N2O9", "[M+H]+", "C33H41N2O9", 609.280606},
                      KnownIon{"reserpine", "C33H40N2O9", "[M+2H]2+", "C33H42N2O9", 305.143941},
                      KnownIon{"testosterone", "C19H28O2", "[M+H]+", "C19H29O2", 289.216196},
                      KnownIon{"ibuprofen", "C13H18O2", "[M-H]-", "C13H17O2", 205.123394},
                      KnownIon{"chloramphenicol", "C11H12Cl2N2O5", "[M+Cl]-", "C11H12Cl3N2O5", 356.981689},
                      KnownIon{"caffeine", "C8H10N4O2", "[2M+Na]+", "C16H20N8NaO4", 411.149921},
                      KnownIon{"cortisol", "C21H30O5", "[M+H+Na]2+", "C21H31NaO5", 193.102899},
                      KnownIon{"cholesterol", "C27H46O", "[M]+", "C27H46O", 386.354311},
                      KnownIon{"uracil", "C4H4N2O2", "[M]-", "C4H4N2O2", 112.027809},
                      KnownIon{"uracil", "C4H4N2O2", "[M-H2O-H]-", "C4HN2O", 93.009424},
                      KnownIon{"sulfamethoxazole", "C10H11N3O3S", "[M+K]+", "C10H11KN3O3S", 292.015246}));

// Every ion type of the table reads back as itself and has the polarity it is
// listed under; a hydride abstraction [M-H]+ is as valid as any.
TEST(IonNotation, EveryCommonTypeReadsBackAsItselfWithItsPolarity) {
    for (const CommonIonType& type : CommonPositiveIonTypes()) {
        const IonNotationParse parse = ParseIonNotation(type.notation);
        ASSERT_TRUE(parse.notation.has_value()) << type.notation << ": " << parse.problem;
        EXPECT_EQ(IonNotationText(*parse.notation), type.notation);
        EXPECT_GT(parse.notation->charge, 0) << type.notation;
    }
    for (const CommonIonType& type : CommonNegativeIonTypes()) {
        const IonNotationParse parse = ParseIonNotation(type.notation);
        ASSERT_TRUE(parse.notation.has_value()) << type.notation << ": " << parse.problem;
        EXPECT_EQ(IonNotationText(*parse.notation), type.notation);
        EXPECT_LT(parse.notation->charge, 0) << type.notation;
    }
    const IonNotationParse hydride = ParseIonNotation(" [M-H]+ ");
    ASSERT_TRUE(hydride.notation.has_value());
    EXPECT_EQ(hydride.notation->charge, 1);
    EXPECT_EQ(hydride.notation->groups.at(0).sign, -1);
    EXPECT_EQ(IonNotationText(*ParseIonNotation("[M+2Na-H]1+").notation), "[M+2Na-H]+");
    EXPECT_EQ(ParseIonNotation("[3M+3H]3+").notation->charge, 3);
}

struct BadNotation {
    const char* text;
    const char* problem;
};

class RefusedNotation : public ::testing::TestWithParam<BadNotation> {};

TEST_P(RefusedNotation, NamesWhatIsWrong) {
    const IonNotationParse parse = ParseIonNotation(GetParam().text);
    EXPECT_FALSE(parse.notation.has_value());
    EXPECT_EQ(parse.problem, GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    EachWayOfGettingItWrong, RefusedNotation,
    ::testing::Values(
        BadNotation{"", "Ion type '' is empty; write an ion type such as [M+H]+ or [M-H]-."},
        BadNotation{"M+H", "Ion type 'M+H' is not in brackets; write it as [M+H]+ or [M-H]-."},
        BadNotation{"[M+H+", "Ion type '[M+H+' has no closing ']'."},
        BadNotation{"[M+H]", "Ion type '[M+H]' has no charge after ']'; write it as +, -, 2+ or 2-."},
        BadNotation{"[M+H]+2",
                    "Ion type '[M+H]+2' has the charge '+2' after ']'; write it as +, -, 2+ or 2-."},
        BadNotation{"[M+H]++",
                    "Ion type '[M+H]++' has the charge '++' after ']'; write it as +, -, 2+ or 2-."},
        BadNotation{"[M+H]0+", "Ion type '[M+H]0+' has the charge '0+'; its size must be from 1 to 30."},
        BadNotation{
            "[M+H]99999999999+",
            "Ion type '[M+H]99999999999+' has the charge '99999999999+'; its size must be from 1 to 30."},
        BadNotation{"[+H]+",
                    "Ion type '[+H]+' must name the molecule M first in the bracket, as in [M+H]+ or "
                    "[2M+Na]+."},
        BadNotation{"[0M+H]+", "Ion type '[0M+H]+' multiplies M by 0; the multiplier must be from 1 to 20."},
        BadNotation{"[Mg+H]+",
                    "Ion type '[Mg+H]+' has 'g' after M; M stands for the molecule and is followed by "
                    "+group or -group."},
        BadNotation{"[M+]+", "Ion type '[M+]+' has '+' without a formula after it."},
        BadNotation{"[M+2]+", "Ion type '[M+2]+' has '+' without a formula after it."},
        BadNotation{"[M+0H]+", "Ion type '[M+0H]+' counts a group 0 times; a count must be from 1 to 100."},
        BadNotation{"[M+Xx]+",
                    "Ion type '[M+Xx]+' adds or loses 'Xx', which is not a formula of known elements."},
        BadNotation{"[M+h]+",
                    "Ion type '[M+h]+' adds or loses 'h', which is not a formula of known elements."}));

// Regression: a number past its limit was quoted as far as it had been read
// (1000000 as 100), and a character after M as its first byte only (the
// typographic minus U+2212 is E2 88 92 in UTF-8: a lone E2 showed as '\uFFFD').
INSTANTIATE_TEST_SUITE_P(
    QuotedAsTyped, RefusedNotation,
    ::testing::Values(
        BadNotation{"[1000000M+H]+",
                    "Ion type '[1000000M+H]+' multiplies M by 1000000; the multiplier must be from 1 to 20."},
        BadNotation{"[21M+H]+",
                    "Ion type '[21M+H]+' multiplies M by 21; the multiplier must be from 1 to 20."},
        BadNotation{"[M+99999999999H]+",
                    "Ion type '[M+99999999999H]+' counts a group 99999999999 times; a count must be from 1 "
                    "to 100."},
        BadNotation{"[M\u2212H]-",
                    "Ion type '[M\u2212H]-' has '\u2212' after M; M stands for the molecule and is followed "
                    "by +group or -group. Its '\u2212' is U+2212 MINUS SIGN, not the ASCII '-' the notation "
                    "uses."},
        BadNotation{
            "[M-H]\u2212",
            "Ion type '[M-H]\u2212' has the charge '\u2212' after ']'; write it as +, -, 2+ or 2-. Its "
            "'\u2212' is U+2212 MINUS SIGN, not the ASCII '-' the notation uses."},
        BadNotation{"[M+H\u2013H2O]+",
                    "Ion type '[M+H\u2013H2O]+' adds or loses 'H\u2013H2O', which is not a formula of known "
                    "elements. Its '\u2013' is U+2013 EN DASH, not the ASCII '-' the notation uses."},
        BadNotation{"[M\u00e9]+",
                    "Ion type '[M\u00e9]+' has '\u00e9' after M; M stands for the molecule and is followed "
                    "by +group or -group."},
        // A byte that begins no well-formed character is quoted alone.
        BadNotation{"[M\xE2H]+",
                    "Ion type '[M\xE2H]+' has '\xE2' after M; M stands for the molecule and is followed by "
                    "+group or -group."}));

TEST(IonFormula, ALossBeyondWhatTheMoleculeHoldsIsRefusedNamingTheElement) {
    const IonNotation water = *ParseIonNotation("[M-H2O+H]+").notation;
    const IonFormulaBuild methane = BuildIonFormula(water, Formula("CH4"), "CH4");
    EXPECT_FALSE(methane.ion.has_value());
    EXPECT_EQ(
        methane.problem,
        "The ion [M-H2O+H]+ cannot be formed from 'CH4': its losses take 1 O and the molecule holds 0.");

    // The additions count toward what a loss may take: [M-3H+H]+ of H finds 2 H.
    const IonFormulaBuild fromH = BuildIonFormula(*ParseIonNotation("[M-3H+H]+").notation, Formula("H"), "H");
    EXPECT_EQ(fromH.problem,
              "The ion [M-3H+H]+ cannot be formed from 'H': its losses take 3 H and the molecule and the "
              "additions hold 2.");
    const IonFormulaBuild nothingLeft =
        BuildIonFormula(*ParseIonNotation("[M-H2O]+").notation, Formula("H2O"), "H2O");
    EXPECT_EQ(nothingLeft.problem, "The ion [M-H2O]+ of 'H2O' has no atoms left.");
    const IonFormulaBuild tooMany =
        BuildIonFormula(*ParseIonNotation("[20M+H]+").notation, Formula("C2000"), "C2000");
    EXPECT_EQ(tooMany.problem, "Maximum number of atoms for an element (20000) has been exceeded.");
}

TEST(HillFormula, PutsCarbonAndHydrogenFirstAndOtherwiseKeepsAlphabeticalOrder) {
    EXPECT_EQ(HillFormulaText(Formula("NaClH2O")), "ClH2NaO");  // no carbon: alphabetical, H among them
    EXPECT_EQ(HillFormulaText(Formula("OC2H6")), "C2H6O");
    EXPECT_EQ(HillFormulaText(Formula("BrC")), "CBr");
}

}  // namespace
}  // namespace tarnevo::core

// Pins the chemistry filters of the identification: rings plus double bonds
// of the neutral, the element ratios of the Seven Golden Rules at both levels
// and the LEWIS and SENIOR rules, each on formulae whose values are worked out
// by hand in the comments (usual valences C 4, H 1, N 3, O 2, P 3, S 2, halogens
// 1; 2 x RDBE = 2 + sum n x (valence - 2); a ratio limit crossed is a count
// over carbon past the published bound), and the reasons the user reads. Each
// limit is tried on both sides of its bound, since an off-by-one in a
// comparison or a limit typed wrongly is the likely fault. The RDBE is also
// cross-checked over every small CHNOS formula against the formula search's
// own RingsPlusDoubleBonds, which shares no code with the filter, and so is the
// identity that LEWIS/SENIOR (i) and (iii) restate the RDBE's integrality and
// sign.
#include "core/formula_rules.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "core/formula_search.h"
#include "core/ion_notation.h"
#include "core/usual_valence.h"

namespace tarnevo::core {
namespace {

ParsedFormula Formula(std::string_view text) {
    ParsedFormula formula;
    EXPECT_EQ(ParseFormulaText(text, formula), FormulaSyntax::Valid) << text;
    return formula;
}

// --- Rings plus double bonds -------------------------------------------------

struct RdbeCase {
    const char* formula;
    RuleOutcome outcome;
    RuleFinding finding;
    double rdbe;  // the value the verdict carries
    const char* text;
};

class RingsPlusDoubleBondsOf : public ::testing::TestWithParam<RdbeCase> {};

TEST_P(RingsPlusDoubleBondsOf, FormulaWorkedByHand) {
    const RdbeCase& known = GetParam();
    const RuleVerdict verdict = CheckRingsPlusDoubleBonds(Formula(known.formula));
    EXPECT_EQ(verdict.rule, FormulaRule::RingsPlusDoubleBonds);
    EXPECT_EQ(verdict.outcome, known.outcome) << known.formula;
    EXPECT_EQ(verdict.finding, known.finding) << known.formula;
    if (known.outcome != RuleOutcome::NotApplied) {
        EXPECT_EQ(verdict.value, known.rdbe) << known.formula;
    }
    EXPECT_EQ(VerdictText(verdict), known.text);
}

INSTANTIATE_TEST_SUITE_P(
    KnownFormulae, RingsPlusDoubleBondsOf,
    ::testing::Values(
        // glucose: 2 + 6 x 2 - 12 = 2, one ring
        RdbeCase{"C6H12O6", RuleOutcome::Passed, RuleFinding::WithinLimits, 1, "RDBE passed"},
        // benzene: 2 + 12 - 6 = 8, a ring and three double bonds
        RdbeCase{"C6H6", RuleOutcome::Passed, RuleFinding::WithinLimits, 4, "RDBE passed"},
        // caffeine: 2 + 16 - 10 + 4 = 12, two rings and four double bonds
        RdbeCase{"C8H10N4O2", RuleOutcome::Passed, RuleFinding::WithinLimits, 6, "RDBE passed"},
        // ATP with P at 3: 2 + 20 - 16 + 5 + 3 = 14, three rings and adenine's four C=N/C=C
        RdbeCase{"C10H16N5O13P3", RuleOutcome::Passed, RuleFinding::WithinLimits, 7, "RDBE passed"},
        // taurine with S at 2: 2 + 4 - 7 + 1 = 0, exactly the bound
        RdbeCase{"C2H7NO3S", RuleOutcome::Passed, RuleFinding::WithinLimits, 0, "RDBE passed"},
        // water: 2 - 2 = 0
        RdbeCase{"H2O", RuleOutcome::Passed, RuleFinding::WithinLimits, 0, "RDBE passed"},
        // CH5: 2 + 2 - 5 = -1, one hydrogen too many for any bonding
        RdbeCase{"CH5", RuleOutcome::Failed, RuleFinding::NegativeRdbe, -0.5, "RDBE -0.5 below 0"},
        // C2H7: 2 + 4 - 7 = -1, odd-electron and too many hydrogens; the sign is named first
        RdbeCase{"C2H7", RuleOutcome::Failed, RuleFinding::NegativeRdbe, -0.5, "RDBE -0.5 below 0"},
        // CH6: 2 + 2 - 6 = -2, even-electron but still below 0
        RdbeCase{"CH6", RuleOutcome::Failed, RuleFinding::NegativeRdbe, -1, "RDBE -1 below 0"},
        // the methyl radical: 2 + 2 - 3 = 1
        RdbeCase{"CH3", RuleOutcome::Failed, RuleFinding::HalfIntegralRdbe, 0.5,
                 "RDBE 0.5 not integral (an odd-electron neutral)"},
        // the ethyl radical: 2 + 4 - 5 = 1
        RdbeCase{"C2H5", RuleOutcome::Failed, RuleFinding::HalfIntegralRdbe, 0.5,
                 "RDBE 0.5 not integral (an odd-electron neutral)"},
        // nitric oxide, a real radical: 2 + 1 + 0 = 3
        RdbeCase{"NO", RuleOutcome::Failed, RuleFinding::HalfIntegralRdbe, 1.5,
                 "RDBE 1.5 not integral (an odd-electron neutral)"},
        // ferrocene: iron has no usual valence, so the rule says nothing
        RdbeCase{"C10H10Fe", RuleOutcome::NotApplied, RuleFinding::NoUsualValence, 0,
                 "RDBE not applied: Fe has no usual valence"},
        // a user-defined element likewise
        RdbeCase{"C6H5Jx", RuleOutcome::NotApplied, RuleFinding::NoUsualValence, 0,
                 "RDBE not applied: Jx has no usual valence"}));

TEST(RingsPlusDoubleBonds, NotAppliedCountsAsPassingAndNamesTheElement) {
    const RuleVerdict verdict = CheckRingsPlusDoubleBonds(Formula("C10H10Fe"));
    EXPECT_TRUE(verdict.Passes());
    EXPECT_EQ(SymbolOf(verdict.element), "Fe");
}

// Every CcHhNnOoSs with c <= 6, h <= 14, n <= 3, o <= 3, s <= 1 against the
// formula search's own RDBE (a separate sum in doubles over search rows): the
// value agrees, and the verdict fails exactly when that value is negative or
// not whole.
TEST(RingsPlusDoubleBonds, AgreesWithTheFormulaSearchOverSmallFormulae) {
    const std::array<std::string_view, 5> symbols = {"C", "H", "N", "O", "S"};
    std::array<int, kMaxSearchElements> rows{};
    for (std::size_t k = 0; k < symbols.size(); ++k) rows[k] = LookupSymbolText(symbols[k], 0);
    const RowValences valences = UsualValences(rows.data(), static_cast<int>(symbols.size()));
    int compared = 0;
    AtomCounts counts{};
    for (counts[0] = 0; counts[0] <= 6; ++counts[0]) {
        for (counts[1] = 0; counts[1] <= 14; ++counts[1]) {
            for (counts[2] = 0; counts[2] <= 3; ++counts[2]) {
                for (counts[3] = 0; counts[3] <= 3; ++counts[3]) {
                    for (counts[4] = 0; counts[4] <= 1; ++counts[4]) {
                        ParsedFormula formula;
                        for (std::size_t k = 0; k < symbols.size(); ++k) {
                            formula[rows[k]] = static_cast<std::uint32_t>(counts[k]);
                        }
                        const std::optional<double> expected =
                            RingsPlusDoubleBonds(valences, counts, static_cast<int>(symbols.size()));
                        ASSERT_TRUE(expected.has_value());
                        const RuleVerdict verdict = CheckRingsPlusDoubleBonds(formula);
                        EXPECT_EQ(verdict.value, *expected);
                        const bool sound = *expected >= 0.0 && *expected == static_cast<int>(*expected);
                        EXPECT_EQ(verdict.Passes(), sound) << "RDBE " << *expected;
                        ++compared;
                    }
                }
            }
        }
    }
    EXPECT_EQ(compared, 7 * 15 * 4 * 4 * 2);
}

// --- Element ratios ----------------------------------------------------------

struct RatioCase {
    const char* formula;
    RatioLevel level;
    bool passes;
    const char* text;  // the reason of a failure; "element ratios passed" for a pass
};

class ElementRatiosOf : public ::testing::TestWithParam<RatioCase> {};

TEST_P(ElementRatiosOf, FormulaAgainstTheLimitsByHand) {
    const RatioCase& known = GetParam();
    const RuleVerdict verdict = CheckElementRatios(Formula(known.formula), known.level);
    EXPECT_EQ(verdict.rule, FormulaRule::ElementRatios);
    EXPECT_EQ(verdict.outcome, known.passes ? RuleOutcome::Passed : RuleOutcome::Failed) << known.formula;
    EXPECT_EQ(VerdictText(verdict), known.text) << known.formula;
}

constexpr RatioLevel kDefault = RatioLevel::KnownCompounds9999;
constexpr RatioLevel kStrict = RatioLevel::KnownCompounds997;

// Common metabolites: all pass the default level, and the three the strict
// level would lose do fail it, on the first ratio in the order H N O P S F Cl
// Br Si that crosses its bound.
INSTANTIATE_TEST_SUITE_P(Metabolites, ElementRatiosOf,
                         ::testing::Values(
                             // glucose: H/C 12/6 = 2, O/C 6/6 = 1, within both levels
                             RatioCase{"C6H12O6", kDefault, true, "element ratios passed"},
                             RatioCase{"C6H12O6", kStrict, true, "element ratios passed"},
                             // glucose 6-phosphate: H/C 13/6 = 2.17, O/C 9/6 = 1.5, P/C 1/6 = 0.17
                             RatioCase{"C6H13O9P", kDefault, true, "element ratios passed"},
                             RatioCase{"C6H13O9P", kStrict, false, "O/C 1.5 above 1.2"},
                             // ATP: H/C 1.6, N/C 0.5, O/C 13/10 = 1.3, P/C 0.3
                             RatioCase{"C10H16N5O13P3", kDefault, true, "element ratios passed"},
                             RatioCase{"C10H16N5O13P3", kStrict, false, "O/C 1.3 above 1.2"},
                             // taurine: H/C 7/2 = 3.5, N/C 0.5, O/C 1.5, S/C 0.5
                             RatioCase{"C2H7NO3S", kDefault, true, "element ratios passed"},
                             RatioCase{"C2H7NO3S", kStrict, false, "H/C 3.5 above 3.1"},
                             // methane: H/C 4
                             RatioCase{"CH4", kDefault, true, "element ratios passed"},
                             RatioCase{"CH4", kStrict, false, "H/C 4.0 above 3.1"},
                             // iodobenzene and sodium: elements without a ratio are not limited
                             RatioCase{"C6H5I", kStrict, true, "element ratios passed"},
                             RatioCase{"C2H3NaO2", kStrict, true, "element ratios passed"},
                             // hexachlorobenzene: H/C 0 under both minima, as the published ranges have it
                             RatioCase{"C6Cl6", kDefault, false, "H/C 0.0 below 0.1"}));

// Each limit on both sides of its bound, over C10H10 (H/C 1, inside both H
// ranges) so that only the element tried can fail: ten times the count
// against the limit in tenths times ten carbons.
INSTANTIATE_TEST_SUITE_P(
    DefaultLimitsBothSides, ElementRatiosOf,
    ::testing::Values(RatioCase{"C10H60", kDefault, true, "element ratios passed"},  // H/C 6
                      RatioCase{"C10H61", kDefault, false, "H/C 6.1 above 6"},       //
                      RatioCase{"CH7", kDefault, false, "H/C 7.0 above 6"},          //
                      RatioCase{"C20H121", kDefault, false,
                                "H/C 6.05 above 6"},  // 6.0 would read as the limit
                      RatioCase{"C10H1", kDefault, true, "element ratios passed"},   // H/C 0.1
                      RatioCase{"C20H1", kDefault, false, "H/C 0.05 below 0.1"},     //
                      RatioCase{"C1000H2", kDefault, false, "H/C 0.002 below 0.1"},  // not "0.0"
                      RatioCase{"C10H10N40", kDefault, true, "element ratios passed"},
                      RatioCase{"C10H10N41", kDefault, false, "N/C 4.1 above 4"},
                      RatioCase{"C10H10O30", kDefault, true, "element ratios passed"},
                      RatioCase{"C10H10O31", kDefault, false, "O/C 3.1 above 3"},
                      RatioCase{"C10H10P20", kDefault, true, "element ratios passed"},
                      RatioCase{"C10H10P21", kDefault, false, "P/C 2.1 above 2"},
                      RatioCase{"C10H10S30", kDefault, true, "element ratios passed"},
                      RatioCase{"C10H10S31", kDefault, false, "S/C 3.1 above 3"},
                      RatioCase{"C10H10F60", kDefault, true, "element ratios passed"},
                      RatioCase{"C10H10F61", kDefault, false, "F/C 6.1 above 6"},
                      RatioCase{"C10H10Cl20", kDefault, true, "element ratios passed"},
                      RatioCase{"C10H10Cl21", kDefault, false, "Cl/C 2.1 above 2"},
                      RatioCase{"C10H10Br20", kDefault, true, "element ratios passed"},
                      RatioCase{"C10H10Br21", kDefault, false, "Br/C 2.1 above 2"},
                      RatioCase{"C10H10Si10", kDefault, true, "element ratios passed"},
                      RatioCase{"C10H10Si11", kDefault, false, "Si/C 1.1 above 1"}));

INSTANTIATE_TEST_SUITE_P(
    StrictLimitsBothSides, ElementRatiosOf,
    ::testing::Values(RatioCase{"C10H31", kStrict, true, "element ratios passed"},  // H/C 3.1
                      RatioCase{"C10H32", kStrict, false, "H/C 3.2 above 3.1"},
                      RatioCase{"C10H2", kStrict, true, "element ratios passed"},  // H/C 0.2
                      RatioCase{"C10H1", kStrict, false, "H/C 0.1 below 0.2"},
                      RatioCase{"C10H10N13", kStrict, true, "element ratios passed"},
                      RatioCase{"C10H10N14", kStrict, false, "N/C 1.4 above 1.3"},
                      RatioCase{"C10H10O12", kStrict, true, "element ratios passed"},
                      RatioCase{"C10H10O13", kStrict, false, "O/C 1.3 above 1.2"},
                      // ATP's P/C of 3/10 meets 0.3 exactly
                      RatioCase{"C10H10P3", kStrict, true, "element ratios passed"},
                      RatioCase{"C10H10P4", kStrict, false, "P/C 0.4 above 0.3"},
                      RatioCase{"C10H10S8", kStrict, true, "element ratios passed"},
                      RatioCase{"C10H10S9", kStrict, false, "S/C 0.9 above 0.8"},
                      RatioCase{"C10H10F15", kStrict, true, "element ratios passed"},
                      RatioCase{"C10H10F16", kStrict, false, "F/C 1.6 above 1.5"},
                      RatioCase{"C10H10Cl8", kStrict, true, "element ratios passed"},
                      RatioCase{"C10H10Cl9", kStrict, false, "Cl/C 0.9 above 0.8"},
                      RatioCase{"C10H10Br8", kStrict, true, "element ratios passed"},
                      RatioCase{"C10H10Br9", kStrict, false, "Br/C 0.9 above 0.8"},
                      RatioCase{"C10H10Si5", kStrict, true, "element ratios passed"},
                      RatioCase{"C10H10Si6", kStrict, false, "Si/C 0.6 above 0.5"}));

TEST(ElementRatios, FailureCarriesTheElementTheRatioAndTheLimit) {
    // taurine at the strict level: H/C 7/2 = 3.5 past 3.1
    const RuleVerdict verdict = CheckElementRatios(Formula("C2H7NO3S"), kStrict);
    EXPECT_EQ(verdict.finding, RuleFinding::RatioAboveMaximum);
    EXPECT_EQ(SymbolOf(verdict.element), "H");
    EXPECT_EQ(verdict.value, 3.5);
    EXPECT_EQ(verdict.limit, 3.1);

    const RuleVerdict below = CheckElementRatios(Formula("C20H1"), kDefault);
    EXPECT_EQ(below.finding, RuleFinding::RatioBelowMinimum);
    EXPECT_EQ(below.limit, 0.1);
}

// Water, phosphoric acid, ammonia: the ratios are to carbon and describe
// organic compounds, so a formula without carbon is not judged by them.
TEST(ElementRatios, NotAppliedWithoutCarbon) {
    for (const char* formula : {"H2O", "H3O4P", "H3N", "ClNa"}) {
        for (const RatioLevel level : {kDefault, kStrict}) {
            const RuleVerdict verdict = CheckElementRatios(Formula(formula), level);
            EXPECT_EQ(verdict.outcome, RuleOutcome::NotApplied) << formula;
            EXPECT_TRUE(verdict.Passes()) << formula;
            EXPECT_EQ(VerdictText(verdict), "element ratios not applied: no carbon");
        }
    }
}

// --- LEWIS and SENIOR --------------------------------------------------------

struct SeniorCase {
    const char* formula;
    RuleFinding finding;
    const char* text;
};

class LewisSeniorOf : public ::testing::TestWithParam<SeniorCase> {};

TEST_P(LewisSeniorOf, FormulaWorkedByHand) {
    const SeniorCase& known = GetParam();
    const RuleVerdict verdict = CheckLewisSenior(Formula(known.formula));
    EXPECT_EQ(verdict.rule, FormulaRule::LewisSenior);
    EXPECT_EQ(verdict.finding, known.finding) << known.formula;
    const bool fails =
        known.finding != RuleFinding::WithinLimits && known.finding != RuleFinding::NoUsualValence;
    EXPECT_EQ(verdict.Passes(), !fails) << known.formula;
    EXPECT_EQ(VerdictText(verdict), known.text);
}

INSTANTIATE_TEST_SUITE_P(KnownFormulae, LewisSeniorOf,
                         ::testing::Values(
                             // glucose: sum 24 + 12 + 12 = 48, even, >= 2 x 4, >= 2 x (24 - 1) = 46
                             SeniorCase{"C6H12O6", RuleFinding::WithinLimits, "LEWIS/SENIOR passed"},
                             // taurine: sum 8 + 7 + 3 + 6 + 2 = 26 = 2 x (14 - 1), (iii) with equality
                             SeniorCase{"C2H7NO3S", RuleFinding::WithinLimits, "LEWIS/SENIOR passed"},
                             // ATP: sum 40 + 16 + 15 + 26 + 9 = 106 >= 2 x (47 - 1) = 92
                             SeniorCase{"C10H16N5O13P3", RuleFinding::WithinLimits, "LEWIS/SENIOR passed"},
                             // hydrogen: sum 2 = 2 x 1 = 2 x (2 - 1), both bounds met with equality
                             SeniorCase{"H2", RuleFinding::WithinLimits, "LEWIS/SENIOR passed"},
                             // the methyl radical: 4 + 3 = 7, odd
                             SeniorCase{"CH3", RuleFinding::OddValenceSum, "LEWIS/SENIOR: valence sum 7 odd"},
                             // nitric oxide: 3 + 2 = 5, odd
                             SeniorCase{"NO", RuleFinding::OddValenceSum, "LEWIS/SENIOR: valence sum 5 odd"},
                             // the carbene CH2: 4 + 2 = 6, even, but carbon's four bonds need 8
                             SeniorCase{"CH2", RuleFinding::BelowTwiceMaxValence,
                                        "LEWIS/SENIOR: valence sum 6 below 8, twice the largest valence"},
                             // a lone carbon atom: 4 below 8
                             SeniorCase{"C", RuleFinding::BelowTwiceMaxValence,
                                        "LEWIS/SENIOR: valence sum 4 below 8, twice the largest valence"},
                             // CH6: 4 + 6 = 10, even, >= 8, but seven atoms need 2 x 6 = 12
                             SeniorCase{"CH6", RuleFinding::BelowTwiceAtomsLessOne,
                                        "LEWIS/SENIOR: valence sum 10 below 12, twice the atoms less one"},
                             // SF6 with sulfur at its usual 2: 2 + 6 = 8 below 2 x (7 - 1) = 12
                             SeniorCase{"F6S", RuleFinding::BelowTwiceAtomsLessOne,
                                        "LEWIS/SENIOR: valence sum 8 below 12, twice the atoms less one"},
                             // cisplatin's platinum has no usual valence
                             SeniorCase{"Cl2H6N2Pt", RuleFinding::NoUsualValence,
                                        "LEWIS/SENIOR not applied: Pt has no usual valence"}));

// With the same valences, the valence sum less 2 x (atoms - 1) is 2 x RDBE, so
// SENIOR (i) fails exactly when the RDBE is half-integral, and (iii) fails
// only where the RDBE is negative: over every small CHNOS formula, the rule
// beyond the RDBE is (ii) alone.
TEST(LewisSenior, RestatesTheRdbeButForTheLargestValence) {
    const int carbon = LookupSymbolText("C", 0);
    const int hydrogen = LookupSymbolText("H", 0);
    const int nitrogen = LookupSymbolText("N", 0);
    const int oxygen = LookupSymbolText("O", 0);
    const int sulfur = LookupSymbolText("S", 0);
    ParsedFormula formula;
    formula[sulfur] = 1;
    for (formula[carbon] = 0; formula[carbon] <= 4; ++formula[carbon]) {
        for (formula[hydrogen] = 0; formula[hydrogen] <= 10; ++formula[hydrogen]) {
            for (formula[nitrogen] = 0; formula[nitrogen] <= 2; ++formula[nitrogen]) {
                for (formula[oxygen] = 0; formula[oxygen] <= 2; ++formula[oxygen]) {
                    const RuleVerdict rdbe = CheckRingsPlusDoubleBonds(formula);
                    const RuleVerdict senior = CheckLewisSenior(formula);
                    const std::string text = HillFormulaText(formula);
                    const bool halfIntegral = rdbe.value != std::floor(rdbe.value);
                    EXPECT_EQ(senior.finding == RuleFinding::OddValenceSum, halfIntegral) << text;
                    if (senior.finding == RuleFinding::BelowTwiceAtomsLessOne) {
                        EXPECT_LT(rdbe.value, 0.0) << text;
                    }
                    if (rdbe.Passes() && !senior.Passes()) {
                        EXPECT_EQ(senior.finding, RuleFinding::BelowTwiceMaxValence) << text;
                    }
                }
            }
        }
    }
}

// --- All rules together ------------------------------------------------------

TEST(FormulaRules, GlucosePassesEveryRuleAtBothLevels) {
    for (const RatioLevel level : {kDefault, kStrict}) {
        FormulaRuleOptions options;
        options.ratioLevel = level;
        const FormulaRulesVerdict verdict = CheckFormulaRules(Formula("C6H12O6"), options);
        EXPECT_TRUE(verdict.Passes());
        EXPECT_EQ(verdict.FirstFailure(), nullptr);
        for (const RuleVerdict& each : verdict.verdicts) EXPECT_EQ(each.outcome, RuleOutcome::Passed);
    }
}

TEST(FormulaRules, TheStrictLevelIsAnOptionNotTheDefault) {
    const ParsedFormula taurine = Formula("C2H7NO3S");
    EXPECT_TRUE(CheckFormulaRules(taurine, FormulaRuleOptions{}).Passes());
    FormulaRuleOptions strict;
    strict.ratioLevel = kStrict;
    const FormulaRulesVerdict verdict = CheckFormulaRules(taurine, strict);
    ASSERT_NE(verdict.FirstFailure(), nullptr);
    EXPECT_EQ(VerdictText(*verdict.FirstFailure()), "H/C 3.5 above 3.1");
}

// CH5 fails the RDBE (-0.5) and LEWIS/SENIOR (sum 9, odd); H/C 5 is within
// the default ratios. Each rule switched off stops counting, and the first
// failure moves to the next rule that still fails.
TEST(FormulaRules, EachRuleSwitchesOffAlone) {
    const ParsedFormula ch5 = Formula("CH5");
    const FormulaRulesVerdict all = CheckFormulaRules(ch5, FormulaRuleOptions{});
    ASSERT_NE(all.FirstFailure(), nullptr);
    EXPECT_EQ(all.FirstFailure()->rule, FormulaRule::RingsPlusDoubleBonds);
    EXPECT_EQ(all.Of(FormulaRule::ElementRatios).outcome, RuleOutcome::Passed);
    EXPECT_EQ(all.Of(FormulaRule::LewisSenior).outcome, RuleOutcome::Failed);

    FormulaRuleOptions noRdbe;
    noRdbe.ringsPlusDoubleBonds = false;
    const FormulaRulesVerdict withoutRdbe = CheckFormulaRules(ch5, noRdbe);
    EXPECT_EQ(withoutRdbe.Of(FormulaRule::RingsPlusDoubleBonds).outcome, RuleOutcome::SwitchedOff);
    EXPECT_EQ(VerdictText(withoutRdbe.Of(FormulaRule::RingsPlusDoubleBonds)), "RDBE switched off");
    ASSERT_NE(withoutRdbe.FirstFailure(), nullptr);
    EXPECT_EQ(VerdictText(*withoutRdbe.FirstFailure()), "LEWIS/SENIOR: valence sum 9 odd");

    FormulaRuleOptions neither = noRdbe;
    neither.lewisSenior = false;
    EXPECT_TRUE(CheckFormulaRules(ch5, neither).Passes());

    // CH7: H/C 7 fails the ratios, which alone switched off leave the valence rules failing.
    FormulaRuleOptions noRatios;
    noRatios.elementRatios = false;
    const FormulaRulesVerdict ch7 = CheckFormulaRules(Formula("CH7"), noRatios);
    EXPECT_EQ(ch7.Of(FormulaRule::ElementRatios).outcome, RuleOutcome::SwitchedOff);
    EXPECT_FALSE(ch7.Passes());
    EXPECT_FALSE(
        CheckFormulaRules(Formula("CH7"), FormulaRuleOptions{}).Of(FormulaRule::ElementRatios).Passes());
}

// Hexachlorobenzene (2 x RDBE = 2 + 12 - 6 = 8) is sound by valence but has
// H/C 0: the ratios refuse it by default and it passes with them off.
TEST(FormulaRules, APerhalogenatedCompoundNeedsTheRatiosOff) {
    const ParsedFormula hexachlorobenzene = Formula("C6Cl6");
    const FormulaRulesVerdict byDefault = CheckFormulaRules(hexachlorobenzene, FormulaRuleOptions{});
    ASSERT_NE(byDefault.FirstFailure(), nullptr);
    EXPECT_EQ(byDefault.FirstFailure()->rule, FormulaRule::ElementRatios);
    FormulaRuleOptions noRatios;
    noRatios.elementRatios = false;
    EXPECT_TRUE(CheckFormulaRules(hexachlorobenzene, noRatios).Passes());
}

// The counts the ratios allow beside a carbon count, against the ratio check
// itself: every count of each element with a ratio, beside 1 to 40 carbon
// atoms, at both levels, passes exactly when it lies in the range.
TEST(RatioCountRange, HoldsExactlyTheCountsTheRatioCheckPasses) {
    const int carbon = LookupSymbolText("C", 0);
    const int hydrogen = LookupSymbolText("H", 0);
    for (const char* symbol : {"H", "N", "O", "P", "S", "F", "Cl", "Br", "Si"}) {
        const int element = LookupSymbolText(symbol, 0);
        for (const RatioLevel level : {RatioLevel::KnownCompounds9999, RatioLevel::KnownCompounds997}) {
            for (int c = 1; c <= 40; ++c) {
                const std::optional<CountRange> range = RatioCountRange(element, level, c);
                ASSERT_TRUE(range.has_value()) << symbol;
                for (int n = 0; n <= 8 * c; ++n) {
                    ParsedFormula formula;
                    formula[carbon] = static_cast<std::uint32_t>(c);
                    // Hydrogen within its own limits unless it is the element tried.
                    if (element != hydrogen) formula[hydrogen] = static_cast<std::uint32_t>(c);
                    formula[element] = static_cast<std::uint32_t>(n);
                    const bool passes = CheckElementRatios(formula, level).Passes();
                    EXPECT_EQ(passes, n >= range->minimum && n <= range->maximum)
                        << symbol << n << " beside C" << c;
                }
            }
        }
    }
    EXPECT_FALSE(RatioCountRange(LookupSymbolText("Na", 0), RatioLevel::KnownCompounds9999, 5).has_value());
    EXPECT_FALSE(RatioCountRange(hydrogen, RatioLevel::KnownCompounds9999, 0).has_value());
}

// The short-circuiting check answers as the full verdict does, over every
// formula of a small box of C H N O P S Cl and each choice of rules.
TEST(PassesFormulaRules, AnswersAsTheFullVerdict) {
    const char* symbols[] = {"C", "H", "N", "O", "P", "S", "Cl"};
    const int limits[] = {4, 12, 3, 4, 2, 2, 2};
    std::array<int, 7> counts{};
    for (;;) {
        ParsedFormula formula;
        for (std::size_t k = 0; k < counts.size(); ++k) {
            formula[LookupSymbolText(symbols[k], 0)] = static_cast<std::uint32_t>(counts[k]);
        }
        for (int mask = 0; mask < 16; ++mask) {
            FormulaRuleOptions options;
            options.ringsPlusDoubleBonds = (mask & 1) != 0;
            options.elementRatios = (mask & 2) != 0;
            options.lewisSenior = (mask & 4) != 0;
            options.ratioLevel =
                (mask & 8) != 0 ? RatioLevel::KnownCompounds997 : RatioLevel::KnownCompounds9999;
            ASSERT_EQ(PassesFormulaRules(formula, options), CheckFormulaRules(formula, options).Passes())
                << HillFormulaText(formula) << " rules " << mask;
        }
        std::size_t k = 0;
        while (k < counts.size() && ++counts[k] > limits[k]) counts[k++] = 0;
        if (k == counts.size()) return;
    }
}

}  // namespace
}  // namespace tarnevo::core

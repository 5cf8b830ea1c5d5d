// The chemistry filters that drop elemental formulae no stable neutral molecule
// has, before a candidate's isotope pattern is scored: of the formulae within a
// few ppm of a measured mass many are arithmetic, not chemistry, and three
// plain rules remove a good share of them.
//
//  - Rings plus double bonds (RDBE) of the neutral, 1 + sum n x (valence - 2) / 2
//    with the usual valences (core/usual_valence.h), at least 0 and integral: a
//    negative count has too few bonds to hold the atoms together (CH5, -0.5), a
//    half-integral one leaves an unpaired electron (CH3, 0.5, the methyl
//    radical), rare in a stable neutral molecule.
//  - The element ratios to carbon of the Seven Golden Rules (Kind & Fiehn 2007),
//    at two levels: the ranges that hold for 99.99 % of the known compounds the
//    rules were taken from (the default: H/C 0.1-6, N/C <= 4, O/C <= 3, P/C <= 2,
//    S/C <= 3, F/C <= 6, Cl/C <= 2, Br/C <= 2, Si/C <= 1), and the ranges of
//    99.7 % of them (H/C 0.2-3.1, N/C <= 1.3, O/C <= 1.2, P/C <= 0.3, S/C <= 0.8,
//    F/C <= 1.5, Cl/C <= 0.8, Br/C <= 0.8, Si/C <= 0.5), which already refuse
//    glucose 6-phosphate (O/C 1.5), ATP (O/C 1.3) and taurine (H/C 3.5) and so
//    are only ever a stricter option. A limit holds with equality (ATP's P/C of
//    exactly 0.3 passes the strict level). Other elements (Na, K, I, ...) have
//    no ratio. A formula without carbon is not judged by ratios at all (the
//    rule is "not applied"): the ratios describe organic compounds, and water,
//    phosphoric acid or a salt cluster are real ions the other rules still see.
//    A formula with carbon and no hydrogen has H/C 0 and fails the minimum at
//    both levels, as the published ranges say: the perhalogenated compounds
//    (CCl4, hexachlorobenzene C6Cl6) and the fullerenes are among the 0.01 %
//    outside them, and are found with the ratios switched off.
//  - The LEWIS and SENIOR rules, rule 2 of the Seven Golden Rules: with the
//    usual valences, (i) the sum of valences is even (the same as an even
//    number of atoms of odd valence), (ii) the sum is at least twice the largest
//    valence, (iii) the sum is at least twice the number of atoms less one. With
//    the same valences (i) and (iii) say again that the RDBE is integral and not
//    negative (the sum less 2 x (atoms - 1) is 2 x RDBE), so what this filter
//    adds is (ii), which refuses the carbene CH2 (sum 6, largest valence 4) and
//    lone atoms; it is kept separate because the caller switches each off alone.
//
// An element without a usual valence (Fe, Pt, the noble gases, a user-defined
// element) makes the valence rules say nothing: the RDBE and LEWIS/SENIOR
// checks are "not applied" to a formula that holds one, which therefore
// passes them. Only a failure removes a candidate. The usual valences are the
// lowest (S 2, P 3), under which the oxo acids and their esters (sulfonic
// acids, phosphates) pass, because an S=O or P=O beyond the lowest valence
// only adds bonds the count leaves out; a central atom bonded to monovalent
// atoms alone beyond its lowest valence (SF6, PCl5) fails both valence rules.
//
// Each check returns what decided it (the value and the limit it crossed), and
// the short reason a user reads is written from that on demand, so the
// identification can run the checks over many thousands of candidates without
// composing a sentence for each.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/formula_parser.h"

namespace tarnevo::core {

enum class FormulaRule {
    RingsPlusDoubleBonds,
    ElementRatios,
    LewisSenior,
};
inline constexpr int kFormulaRuleCount = 3;

// The rule as the user reads it in a reason: "RDBE", "element ratios",
// "LEWIS/SENIOR".
std::string_view FormulaRuleName(FormulaRule rule);

enum class RuleOutcome {
    Passed,
    Failed,
    NotApplied,   // the rule cannot judge this formula (no carbon, no usual valence); counts as passing
    SwitchedOff,  // the caller turned the rule off; counts as passing
};

// What decided a check; value and limit of RuleVerdict say more where noted.
enum class RuleFinding {
    WithinLimits,            // the RDBE check's value: the RDBE
    NegativeRdbe,            // value: the RDBE, limit 0
    HalfIntegralRdbe,        // value: the RDBE (an odd-electron neutral)
    RatioBelowMinimum,       // element: the one over carbon; value: its ratio; limit: the minimum
    RatioAboveMaximum,       // element: the one over carbon; value: its ratio; limit: the maximum
    NoCarbon,                // ratios not applied
    NoUsualValence,          // element: the first one present without a usual valence; not applied
    OddValenceSum,           // value: the sum of valences
    BelowTwiceMaxValence,    // value: the sum of valences; limit: 2 x the largest valence
    BelowTwiceAtomsLessOne,  // value: the sum of valences; limit: 2 x (atoms - 1)
    SwitchedOff,
};

struct RuleVerdict {
    FormulaRule rule = FormulaRule::RingsPlusDoubleBonds;
    RuleOutcome outcome = RuleOutcome::Passed;
    RuleFinding finding = RuleFinding::WithinLimits;
    int element = -1;  // element index where the finding names one, else -1
    double value = 0.0;
    double limit = 0.0;

    bool Passes() const { return outcome != RuleOutcome::Failed; }
};

// The reason a user reads, naming the rule and the value: "H/C 7.0 above 6",
// "RDBE -0.5 below 0", "LEWIS/SENIOR: valence sum 6 below 8, twice the largest
// valence", "element ratios not applied: no carbon"; "RDBE passed" for a pass.
std::string VerdictText(const RuleVerdict& verdict);

// The two levels of the element ratios (see the file comment).
enum class RatioLevel {
    KnownCompounds9999,  // 99.99 % of known compounds, the default
    KnownCompounds997,   // 99.7 %, stricter
};

// Each check of a neutral formula (element indexes as in core/element_table.h).
RuleVerdict CheckRingsPlusDoubleBonds(const ParsedFormula& neutral);
RuleVerdict CheckElementRatios(const ParsedFormula& neutral, RatioLevel level);
RuleVerdict CheckLewisSenior(const ParsedFormula& neutral);

// Which rules a caller applies; all are on by default, at the default ratio level.
struct FormulaRuleOptions {
    bool ringsPlusDoubleBonds = true;
    bool elementRatios = true;
    bool lewisSenior = true;
    RatioLevel ratioLevel = RatioLevel::KnownCompounds9999;
};

// The verdict of every rule, indexed by FormulaRule; a rule switched off has
// the outcome SwitchedOff.
struct FormulaRulesVerdict {
    std::array<RuleVerdict, kFormulaRuleCount> verdicts{};

    const RuleVerdict& Of(FormulaRule rule) const { return verdicts[static_cast<std::size_t>(rule)]; }
    bool Passes() const;
    // The first rule failed, in the order of FormulaRule; nullptr when all pass.
    const RuleVerdict* FirstFailure() const;
};

FormulaRulesVerdict CheckFormulaRules(const ParsedFormula& neutral, const FormulaRuleOptions& options);

// The counts of an element that the element ratios allow beside this many
// carbon atoms (at least 1), both ends included: H beside 12 C at the default
// level runs from 2 (H/C 0.1, rounded up) to 72 (H/C 6). Nothing for an element
// without a ratio or without carbon: the ratios then say nothing.
struct CountRange {
    int minimum = 0;
    int maximum = 0;
};
std::optional<CountRange> RatioCountRange(int element, RatioLevel level, int carbon);

// Whether every rule applied passes: CheckFormulaRules(...).Passes(), asked
// of many thousands of formulae, the cheap and most telling rule (the ratios)
// first and no further than the first failure.
bool PassesFormulaRules(const ParsedFormula& neutral, const FormulaRuleOptions& options);

}  // namespace tarnevo::core

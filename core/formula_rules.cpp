#include "core/formula_rules.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/element_table.h"
#include "core/text_format.h"
#include "core/usual_valence.h"

namespace tarnevo::core {

namespace {

// The element index of a symbol, read from the packed symbol table the way the
// element numbering defines it (the count of non-uppercase characters before
// the element's own character), so that the ratio table below names elements
// by symbol and cannot drift from the numbering.
constexpr int IndexOfSymbol(std::string_view symbol) {
    int index = 0;
    char group = ' ';
    for (const char c : symbolTable) {
        if (c >= 'A' && c <= 'Z') {
            group = c;
            continue;
        }
        const bool oneLetter = c == ' ' && symbol.size() == 1 && symbol[0] == group;
        const bool twoLetter = c != ' ' && symbol.size() == 2 && symbol[0] == group && symbol[1] == c;
        if (oneLetter || twoLetter) return index;
        ++index;
    }
    return -1;
}

constexpr int kCarbon = IndexOfSymbol("C");
static_assert(kCarbon == 10 && IndexOfSymbol("H") == 27 && IndexOfSymbol("Zr") == 83);

// One element's limits over carbon, in tenths so that the comparison is exact
// in integers: N/C <= 1.3 is 10 x N <= 13 x C, and ATP's P/C of 3/10 meets the
// strict 0.3 exactly rather than by the grace of rounding.
struct RatioLimit {
    int element;
    int minimumTenths9999;
    int maximumTenths9999;
    int minimumTenths997;
    int maximumTenths997;
};

constexpr std::array<RatioLimit, 9> kRatioLimits = {{
    {IndexOfSymbol("H"), 1, 60, 2, 31},
    {IndexOfSymbol("N"), 0, 40, 0, 13},
    {IndexOfSymbol("O"), 0, 30, 0, 12},
    {IndexOfSymbol("P"), 0, 20, 0, 3},
    {IndexOfSymbol("S"), 0, 30, 0, 8},
    {IndexOfSymbol("F"), 0, 60, 0, 15},
    {IndexOfSymbol("Cl"), 0, 20, 0, 8},
    {IndexOfSymbol("Br"), 0, 20, 0, 8},
    {IndexOfSymbol("Si"), 0, 10, 0, 5},
}};

RuleVerdict Verdict(FormulaRule rule, RuleOutcome outcome, RuleFinding finding) {
    RuleVerdict verdict;
    verdict.rule = rule;
    verdict.outcome = outcome;
    verdict.finding = finding;
    return verdict;
}

// The usual valence of every element index, looked up once: the checks run
// over every candidate of an identification.
const std::array<std::optional<int>, kElementCount>& ValenceOfEachElement() {
    static const auto valences = [] {
        std::array<std::optional<int>, kElementCount> table{};
        for (int element = 0; element < kElementCount; ++element) {
            table[static_cast<std::size_t>(element)] = UsualValence(element);
        }
        return table;
    }();
    return valences;
}

// The first element present without a usual valence, if any.
std::optional<int> ElementWithoutValence(const ParsedFormula& formula) {
    const auto& valences = ValenceOfEachElement();
    for (int element = 0; element < kElementCount; ++element) {
        if (formula[element] != 0 && !valences[static_cast<std::size_t>(element)]) return element;
    }
    return std::nullopt;
}

struct ValenceSums {
    std::int64_t valenceSum = 0;
    std::int64_t atoms = 0;
    int largestValence = 0;
};

// Only called once every element present has a usual valence.
ValenceSums SumValences(const ParsedFormula& formula) {
    ValenceSums sums;
    for (int element = 0; element < kElementCount; ++element) {
        const std::int64_t count = formula[element];
        if (count == 0) continue;
        const int valence = ValenceOfEachElement()[static_cast<std::size_t>(element)].value_or(0);
        sums.valenceSum += count * valence;
        sums.atoms += count;
        if (valence > sums.largestValence) sums.largestValence = valence;
    }
    return sums;
}

RuleVerdict NotAppliedForLackOfValence(FormulaRule rule, int element) {
    RuleVerdict verdict = Verdict(rule, RuleOutcome::NotApplied, RuleFinding::NoUsualValence);
    verdict.element = element;
    return verdict;
}

RuleVerdict Failure(FormulaRule rule, RuleFinding finding, double value, double limit) {
    RuleVerdict verdict = Verdict(rule, RuleOutcome::Failed, finding);
    verdict.value = value;
    verdict.limit = limit;
    return verdict;
}

// The ratio with as many decimals as it takes to tell it from the limit it
// crossed, and a ratio above 0 from 0 (one decimal at least): "H/C 7.0 above
// 6", "H/C 6.05 above 6", "H/C 0.002 below 0.1". Counts of at most 20000 atoms
// put a crossing ratio at least 1/200000 from its limit and a ratio above 0 at
// 0.00005 or more, so six decimals always tell them apart.
std::string RatioText(double ratio, double limit) {
    const auto ambiguous = [ratio, limit](int decimals) {
        const std::string text = FormatFixed(ratio, decimals);
        return text == FormatFixed(limit, decimals) || (ratio > 0.0 && text == FormatFixed(0.0, decimals));
    };
    int decimals = 1;
    while (decimals < 6 && ambiguous(decimals)) ++decimals;
    return FormatFixed(ratio, decimals);
}

std::string RatioFailureText(const RuleVerdict& verdict, std::string_view direction) {
    return std::string(SymbolOf(verdict.element)) + "/C " + RatioText(verdict.value, verdict.limit) + " " +
           std::string(direction) + " " + FormatShortest(verdict.limit);
}

std::string RuleLabel(const RuleVerdict& verdict) { return std::string(FormulaRuleName(verdict.rule)); }

}  // namespace

std::string_view FormulaRuleName(FormulaRule rule) {
    switch (rule) {
        case FormulaRule::RingsPlusDoubleBonds:
            return "RDBE";
        case FormulaRule::ElementRatios:
            return "element ratios";
        case FormulaRule::LewisSenior:
            return "LEWIS/SENIOR";
    }
    return {};
}

RuleVerdict CheckRingsPlusDoubleBonds(const ParsedFormula& neutral) {
    constexpr FormulaRule rule = FormulaRule::RingsPlusDoubleBonds;
    if (const auto element = ElementWithoutValence(neutral))
        return NotAppliedForLackOfValence(rule, *element);
    // 2 x RDBE = 2 + sum n x (valence - 2) = valence sum - 2 x (atoms - 1), in
    // integers so that the parity is exact.
    const ValenceSums sums = SumValences(neutral);
    const std::int64_t twiceRdbe = sums.valenceSum - 2 * (sums.atoms - 1);
    const double rdbe = static_cast<double>(twiceRdbe) / 2.0;
    if (twiceRdbe < 0) return Failure(rule, RuleFinding::NegativeRdbe, rdbe, 0.0);
    if (twiceRdbe % 2 != 0) return Failure(rule, RuleFinding::HalfIntegralRdbe, rdbe, 0.0);
    RuleVerdict verdict = Verdict(rule, RuleOutcome::Passed, RuleFinding::WithinLimits);
    verdict.value = rdbe;
    return verdict;
}

RuleVerdict CheckElementRatios(const ParsedFormula& neutral, RatioLevel level) {
    constexpr FormulaRule rule = FormulaRule::ElementRatios;
    const std::int64_t carbon = neutral[kCarbon];
    if (carbon == 0) return Verdict(rule, RuleOutcome::NotApplied, RuleFinding::NoCarbon);
    const bool strict = level == RatioLevel::KnownCompounds997;
    for (const RatioLimit& limit : kRatioLimits) {
        const std::int64_t tenTimesCount = 10 * static_cast<std::int64_t>(neutral[limit.element]);
        const int minimumTenths = strict ? limit.minimumTenths997 : limit.minimumTenths9999;
        const int maximumTenths = strict ? limit.maximumTenths997 : limit.maximumTenths9999;
        const double ratio = static_cast<double>(neutral[limit.element]) / static_cast<double>(carbon);
        RuleFinding finding = RuleFinding::WithinLimits;
        int crossedTenths = 0;
        if (tenTimesCount < minimumTenths * carbon) {
            finding = RuleFinding::RatioBelowMinimum;
            crossedTenths = minimumTenths;
        } else if (tenTimesCount > maximumTenths * carbon) {
            finding = RuleFinding::RatioAboveMaximum;
            crossedTenths = maximumTenths;
        }
        if (finding != RuleFinding::WithinLimits) {
            RuleVerdict verdict = Failure(rule, finding, ratio, crossedTenths / 10.0);
            verdict.element = limit.element;
            return verdict;
        }
    }
    return Verdict(rule, RuleOutcome::Passed, RuleFinding::WithinLimits);
}

RuleVerdict CheckLewisSenior(const ParsedFormula& neutral) {
    constexpr FormulaRule rule = FormulaRule::LewisSenior;
    if (const auto element = ElementWithoutValence(neutral))
        return NotAppliedForLackOfValence(rule, *element);
    const ValenceSums sums = SumValences(neutral);
    const auto sum = static_cast<double>(sums.valenceSum);
    // (i) A bond joins two valences, so a molecular graph has an even valence
    // sum; the sum is even exactly when the atoms of odd valence are even in
    // number, so one test serves both wordings of the rule.
    if (sums.valenceSum % 2 != 0) return Failure(rule, RuleFinding::OddValenceSum, sum, 0.0);
    // (ii) The atom of the largest valence needs as many bonds to the others.
    const std::int64_t twiceLargest = 2 * static_cast<std::int64_t>(sums.largestValence);
    if (sums.valenceSum < twiceLargest) {
        return Failure(rule, RuleFinding::BelowTwiceMaxValence, sum, static_cast<double>(twiceLargest));
    }
    // (iii) A connected graph of n atoms has at least n - 1 bonds.
    const std::int64_t twiceAtomsLessOne = 2 * (sums.atoms - 1);
    if (sums.valenceSum < twiceAtomsLessOne) {
        return Failure(rule, RuleFinding::BelowTwiceAtomsLessOne, sum,
                       static_cast<double>(twiceAtomsLessOne));
    }
    return Verdict(rule, RuleOutcome::Passed, RuleFinding::WithinLimits);
}

std::string VerdictText(const RuleVerdict& verdict) {
    switch (verdict.finding) {
        case RuleFinding::WithinLimits:
            return RuleLabel(verdict) + " passed";
        case RuleFinding::NegativeRdbe:
            return "RDBE " + FormatShortest(verdict.value) + " below 0";
        case RuleFinding::HalfIntegralRdbe:
            return "RDBE " + FormatShortest(verdict.value) + " not integral (an odd-electron neutral)";
        case RuleFinding::RatioBelowMinimum:
            return RatioFailureText(verdict, "below");
        case RuleFinding::RatioAboveMaximum:
            return RatioFailureText(verdict, "above");
        case RuleFinding::NoCarbon:
            return RuleLabel(verdict) + " not applied: no carbon";
        case RuleFinding::NoUsualValence:
            return RuleLabel(verdict) + " not applied: " + std::string(SymbolOf(verdict.element)) +
                   " has no usual valence";
        case RuleFinding::OddValenceSum:
            return RuleLabel(verdict) + ": valence sum " + FormatShortest(verdict.value) + " odd";
        case RuleFinding::BelowTwiceMaxValence:
            return RuleLabel(verdict) + ": valence sum " + FormatShortest(verdict.value) + " below " +
                   FormatShortest(verdict.limit) + ", twice the largest valence";
        case RuleFinding::BelowTwiceAtomsLessOne:
            return RuleLabel(verdict) + ": valence sum " + FormatShortest(verdict.value) + " below " +
                   FormatShortest(verdict.limit) + ", twice the atoms less one";
        case RuleFinding::SwitchedOff:
            return RuleLabel(verdict) + " switched off";
    }
    return {};
}

bool FormulaRulesVerdict::Passes() const { return FirstFailure() == nullptr; }

const RuleVerdict* FormulaRulesVerdict::FirstFailure() const {
    for (const RuleVerdict& verdict : verdicts) {
        if (!verdict.Passes()) return &verdict;
    }
    return nullptr;
}

FormulaRulesVerdict CheckFormulaRules(const ParsedFormula& neutral, const FormulaRuleOptions& options) {
    const auto switchedOff = [](FormulaRule rule) {
        return Verdict(rule, RuleOutcome::SwitchedOff, RuleFinding::SwitchedOff);
    };
    FormulaRulesVerdict result;
    auto& verdicts = result.verdicts;
    verdicts[static_cast<std::size_t>(FormulaRule::RingsPlusDoubleBonds)] =
        options.ringsPlusDoubleBonds ? CheckRingsPlusDoubleBonds(neutral)
                                     : switchedOff(FormulaRule::RingsPlusDoubleBonds);
    verdicts[static_cast<std::size_t>(FormulaRule::ElementRatios)] =
        options.elementRatios ? CheckElementRatios(neutral, options.ratioLevel)
                              : switchedOff(FormulaRule::ElementRatios);
    verdicts[static_cast<std::size_t>(FormulaRule::LewisSenior)] =
        options.lewisSenior ? CheckLewisSenior(neutral) : switchedOff(FormulaRule::LewisSenior);
    return result;
}

std::optional<CountRange> RatioCountRange(int element, RatioLevel level, int carbon) {
    const auto limit = std::find_if(kRatioLimits.begin(), kRatioLimits.end(),
                                    [element](const RatioLimit& entry) { return entry.element == element; });
    if (limit == kRatioLimits.end() || carbon <= 0) return std::nullopt;
    const bool strict = level == RatioLevel::KnownCompounds997;
    const std::int64_t minimumTenths = strict ? limit->minimumTenths997 : limit->minimumTenths9999;
    const std::int64_t maximumTenths = strict ? limit->maximumTenths997 : limit->maximumTenths9999;
    // 10 x count >= minimumTenths x carbon, and <= maximumTenths x carbon.
    const std::int64_t lowest = (minimumTenths * carbon + 9) / 10;
    const std::int64_t highest = maximumTenths * carbon / 10;
    return CountRange{static_cast<int>(std::min<std::int64_t>(lowest, kMaxAtomsPerElement)),
                      static_cast<int>(std::min<std::int64_t>(highest, kMaxAtomsPerElement))};
}

bool PassesFormulaRules(const ParsedFormula& neutral, const FormulaRuleOptions& options) {
    if (options.elementRatios && !CheckElementRatios(neutral, options.ratioLevel).Passes()) return false;
    if (options.ringsPlusDoubleBonds && !CheckRingsPlusDoubleBonds(neutral).Passes()) return false;
    return !options.lewisSenior || CheckLewisSenior(neutral).Passes();
}

}  // namespace tarnevo::core

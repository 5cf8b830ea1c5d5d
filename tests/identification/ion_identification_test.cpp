// Pins what the identification answers for ions whose measured peaks are
// made here from the ion's own exact fine structure at the instrument's
// resolving power: the true formula and ion type must rank first, whatever
// the ranking's details, because every other candidate's pattern differs from
// the measured one while the true one's equals it.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "calc/ion_identify_run.h"
#include "calc/resolved_pattern.h"
#include "core/ion_notation.h"

namespace tarnevo::testing {
namespace {

using core::IdentifyQuery;
using core::IdentifyResult;

core::ParsedFormula Formula(const std::string& text) {
    core::ParsedFormula formula;
    EXPECT_EQ(core::ParseFormulaText(text, formula), core::FormulaSyntax::Valid) << text;
    return formula;
}

// The peaks above 0.5 % of the base peak of the ion of M of this type.
std::vector<core::MeasuredPeak> MeasuredPeaks(const std::string& molecule, const std::string& type,
                                              double power) {
    const core::IonNotation notation = *core::ParseIonNotation(type).notation;
    const core::ParsedFormula ion = *core::BuildIonFormula(notation, Formula(molecule), "M").ion;
    const calc::ResolvedIon resolved =
        calc::ResolveIon(calc::IdentificationTable(), ion, notation.charge,
                         {power, core::ResolvingPowerModel::Constant, 200.0}, core::ProfileWanted::No);
    double base = 0.0;
    for (const core::ResolvedPeak& peak : resolved.pattern.peaks) base = std::max(base, peak.abundance);
    std::vector<core::MeasuredPeak> peaks;
    for (const core::ResolvedPeak& peak : resolved.pattern.peaks) {
        if (peak.abundance >= 0.005 * base) peaks.push_back({peak.mz, peak.abundance / base * 100.0});
    }
    return peaks;
}

struct KnownIon {
    std::string molecule;
    std::string type;
};

class TrueIonRanksFirst : public ::testing::TestWithParam<KnownIon> {};

TEST_P(TrueIonRanksFirst, FromItsOwnPattern) {
    IdentifyQuery query;
    query.peaks = MeasuredPeaks(GetParam().molecule, GetParam().type, 60000.0);
    query.polarity = GetParam().type.back() == '-' ? -1 : 1;
    const IdentifyResult result = calc::IdentifyMeasuredIon(query);
    ASSERT_EQ(result.status, core::IdentifyStatus::Identified) << result.problem;
    ASSERT_FALSE(result.candidates.empty());
    const core::IdentifyCandidate& best = result.candidates.front();
    EXPECT_EQ(core::HillFormulaText(best.molecule), GetParam().molecule);
    EXPECT_EQ(result.ionTypes[best.ionType].text, GetParam().type);
    std::cout << GetParam().molecule << " " << GetParam().type << ": " << result.massMatches << " in window, "
              << result.filteredOut << " filtered, " << result.candidates.size() << " scored\n";
}

INSTANTIATE_TEST_SUITE_P(Compounds, TrueIonRanksFirst,
                         ::testing::Values(KnownIon{"C8H10N4O2", "[M+H]+"}, KnownIon{"C8H10N4O2", "[M+Na]+"},
                                           KnownIon{"C6H12O6", "[M-H]-"}, KnownIon{"C9H8O4", "[M-H]-"},
                                           KnownIon{"C17H19NO3", "[M+H]+"}, KnownIon{"C20H25N3O", "[M+H]+"},
                                           KnownIon{"C41H64O14", "[M+Na]+"}));

}  // namespace
}  // namespace tarnevo::testing

// Pins what the identification answers for ions whose measured peaks are
// made here from the ion's own exact fine structure at the instrument's
// resolving power: the true formula and ion type must rank first, whatever
// the ranking's details, because every other candidate's pattern differs from
// the measured one while the true one's equals it.
#include <gtest/gtest.h>

#include <algorithm>
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
    // Eight rows: the chlorine and bromine rows must not let in what the
    // measured [A+2] rules out, nor the bounds it sets keep out the true ion.
    for (const char* symbol : {"C", "H", "N", "O", "P", "S", "Cl", "Br"}) {
        query.elements.push_back({core::LookupSymbolText(symbol, 0), 0, -1});
    }
    const IdentifyResult result = calc::IdentifyMeasuredIon(query);
    ASSERT_EQ(result.status, core::IdentifyStatus::Identified) << result.problem;
    ASSERT_FALSE(result.candidates.empty());
    const core::IdentifyCandidate& best = result.candidates.front();
    EXPECT_EQ(core::HillFormulaText(best.molecule), GetParam().molecule);
    EXPECT_EQ(result.ionTypes[best.ionType].text, GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(Compounds, TrueIonRanksFirst,
                         ::testing::Values(KnownIon{"C8H10N4O2", "[M+H]+"}, KnownIon{"C8H10N4O2", "[M+Na]+"},
                                           KnownIon{"C6H12O6", "[M-H]-"}, KnownIon{"C9H8O4", "[M-H]-"},
                                           KnownIon{"C17H19NO3", "[M+H]+"}, KnownIon{"C20H25N3O", "[M+H]+"},
                                           KnownIon{"C41H64O14", "[M+Na]+"},
                                           KnownIon{"C14H11Cl2NO2", "[M-H]-"},
                                           KnownIon{"C14H10BrN3O", "[M+H]+"},
                                           KnownIon{"C3H7NO2S", "[M+H]+"}));

// Each question the identification refuses, with the sentence the user reads.
struct Refused {
    const char* name;
    IdentifyQuery query;
    core::IdentifyStatus status;
    const char* problem;
};

IdentifyQuery Question(std::vector<core::MeasuredPeak> peaks, int charge) {
    IdentifyQuery query;
    query.peaks = std::move(peaks);
    query.charge = charge;
    return query;
}

IdentifyQuery WithPpm(IdentifyQuery query, double ppm) {
    query.ppm = ppm;
    return query;
}

IdentifyQuery WithType(IdentifyQuery query, const char* type) {
    query.ionTypes.push_back({type, *core::ParseIonNotation(type).notation});
    return query;
}

IdentifyQuery WithElements(IdentifyQuery query, std::vector<core::IdentifyElement> rows) {
    query.elements = std::move(rows);
    return query;
}

const int kC = core::LookupSymbolText("C", 0);
const int kH = core::LookupSymbolText("H", 0);
const std::vector<core::MeasuredPeak> kCaffeine = {{195.0877, 100.0}, {196.0908, 10.4}};

class RefusedQuestion : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedQuestion, SaysWhyAndListsNothing) {
    const IdentifyResult result = calc::IdentifyMeasuredIon(GetParam().query);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.problem, GetParam().problem);
    EXPECT_TRUE(result.candidates.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Questions, RefusedQuestion,
    ::testing::Values(
        Refused{"NoPeaks", Question({}, 1), core::IdentifyStatus::BadPeaks,
                "No peaks: give the m/z and intensity of at least one measured peak."},
        Refused{"ZeroIntensity", Question({{195.0877, 100.0}, {196.0908, 0.0}}, 1),
                core::IdentifyStatus::BadPeaks,
                "Peak 2 has the intensity 0: every intensity must be a number greater than 0."},
        Refused{
            "NotOneCluster", Question({{195.0877, 100.0}, {195.6, 10.0}}, 1), core::IdentifyStatus::BadPeaks,
            "The peaks are not one cluster of charge 1: consecutive peaks must lie whole isotope spacings "
            "(about 1.003/1) apart, 1 to 4 of them."},
        Refused{
            "OnePeakNoCharge", Question({{195.0877, 100.0}}, 0), core::IdentifyStatus::NoCharge,
            "The charge cannot be inferred from one peak (or the fine structure of one): give the charge, "
            "or more peaks of the cluster."},
        Refused{"AccuracyZero", WithPpm(Question(kCaffeine, 1), 0.0), core::IdentifyStatus::BadAccuracy,
                "The mass accuracy must be from 0.01 to 1000 ppm."},
        Refused{"TypeOfOtherCharge", WithType(Question(kCaffeine, 1), "[M-H]-"),
                core::IdentifyStatus::BadIonType,
                "The ion type [M-H]- has the charge -1, not the +1 of the peaks."},
        Refused{"NoCommonTypeOfCharge", Question({{195.0877, 100.0}, {195.4222, 10.0}}, 3),
                core::IdentifyStatus::BadIonType,
                "No common ion type has the charge +3: give the ion types to consider."},
        Refused{"ElementTwice", WithElements(Question(kCaffeine, 1), {{kC, 0, 10}, {kH, 0, 20}, {kC, 1, 2}}),
                core::IdentifyStatus::BadElements, "The element C is given twice."},
        Refused{"MaximumBelowMinimum", WithElements(Question(kCaffeine, 1), {{kC, 5, 2}}),
                core::IdentifyStatus::BadElements,
                "The counts of C must run from a minimum of 0 or more up to a maximum of 65535 at most, not "
                "below "
                "the minimum."}),
    [](const ::testing::TestParamInfo<Refused>& entry) { return std::string(entry.param.name); });

TEST(InferredCharge, TakesThePolarityGiven) {
    IdentifyQuery query;
    query.peaks = MeasuredPeaks("C6H12O6", "[M-H]-", 60000.0);
    query.polarity = -1;
    const IdentifyResult result = calc::IdentifyMeasuredIon(query);
    EXPECT_EQ(result.charge, -1);
    EXPECT_TRUE(result.chargeInferred);
}

}  // namespace
}  // namespace tarnevo::testing

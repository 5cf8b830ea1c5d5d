// The identification on clusters as real instruments give them: peaks
// missing, intensities off, a pattern nothing searched explains.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "calc/ion_identify_run.h"
#include "calc/resolved_pattern.h"
#include "core/identify_warnings.h"
#include "core/instrument_error_model.h"
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

// The peaks above 0.5 % of the base peak of the ion at resolving power 20000.
std::vector<core::MeasuredPeak> PeaksOf(const std::string& molecule, const std::string& type) {
    const core::IonNotation notation = *core::ParseIonNotation(type).notation;
    const core::ParsedFormula ion = *core::BuildIonFormula(notation, Formula(molecule), "M").ion;
    const calc::ResolvedIon resolved =
        calc::ResolveIon(calc::IdentificationTable(), ion, notation.charge,
                         {20000.0, core::ResolvingPowerModel::Constant, 200.0}, core::ProfileWanted::No);
    double base = 0.0;
    for (const core::ResolvedPeak& peak : resolved.pattern.peaks) base = std::max(base, peak.abundance);
    std::vector<core::MeasuredPeak> peaks;
    for (const core::ResolvedPeak& peak : resolved.pattern.peaks) {
        if (peak.abundance >= 0.005 * base) peaks.push_back({peak.mz, peak.abundance / base * 100.0});
    }
    return peaks;
}

IdentifyQuery Query(std::vector<core::MeasuredPeak> peaks, int charge,
                    const std::vector<const char*>& symbols) {
    IdentifyQuery query;
    query.peaks = std::move(peaks);
    query.charge = charge;
    query.polarity = charge;
    query.power = {20000.0, core::ResolvingPowerModel::Constant, 200.0};
    for (const char* symbol : symbols) query.elements.push_back({core::LookupSymbolText(symbol, 0), 0, -1});
    query.elements.front().minimum = 1;
    return query;
}

void UseInstrument(IdentifyQuery& query, core::Instrument instrument) {
    const core::InstrumentModel& model = core::InstrumentModelOf(instrument);
    query.instrument = instrument;
    query.errorModel = model.errorModel;
    query.priors = model.priors;
    query.ppm = model.windowPpm;
}

bool Lists(const IdentifyResult& result, const std::string& molecule) {
    return std::any_of(
        result.candidates.begin(), result.candidates.end(),
        [&](const core::IdentifyCandidate& c) { return core::HillFormulaText(c.molecule) == molecule; });
}

// Regression: an [A+1] missing between the measured [A+0] and [A+2] (the
// peak picking dropped it beside a chlorine's [A+2]) was taken as an [A+1] of
// 0 and bounded carbon to 1, so that the true ion was never listed.
TEST(RealIdentification, AMissingPlusOneBoundsNothing) {
    // Fenoxaprop-ethyl, [M+H]+, as a Q-TOF measured it, its [A+1] dropped.
    IdentifyQuery query = Query({{362.0788, 100.0}, {364.0767, 36.88}}, 1, {"C", "H", "N", "O", "Cl"});
    query.ionTypes.push_back({"[M+H]+", *core::ParseIonNotation("[M+H]+").notation});
    const IdentifyResult result = calc::IdentifyMeasuredIon(query);
    ASSERT_EQ(result.status, core::IdentifyStatus::Identified) << result.problem;
    EXPECT_TRUE(Lists(result, "C18H16ClNO5"));
}

// The measured [A+1] 25 % below theory, as a TOF measures it, keeps the true
// ion of a flavonoid first on the Q-TOF model.
TEST(RealIdentification, AQuarterLowPlusOneKeepsTheTruthFirstOnAQTof) {
    std::vector<core::MeasuredPeak> peaks = PeaksOf("C15H10O6", "[M-H]-");
    for (core::MeasuredPeak& peak : peaks) {
        if (peak.mz > peaks.front().mz + 0.5 && peak.mz < peaks.front().mz + 1.5) peak.intensity *= 0.75;
    }
    IdentifyQuery query = Query(peaks, -1, {"C", "H", "N", "O", "P", "S"});
    UseInstrument(query, core::Instrument::QTof);
    const IdentifyResult result = calc::IdentifyMeasuredIon(query);
    ASSERT_FALSE(result.candidates.empty());
    EXPECT_EQ(core::HillFormulaText(result.candidates.front().molecule), "C15H10O6");
    EXPECT_EQ(result.ionTypes[result.candidates.front().ionType].text, "[M-H]-");
    // The probabilities of the ranked candidates add up to one, the best's the largest.
    double sum = 0.0;
    for (const core::IdentifyCandidate& candidate : result.candidates) sum += candidate.probability;
    EXPECT_NEAR(sum, 1.0, 1e-9);
    EXPECT_GE(result.candidates.front().probability, result.candidates.back().probability);
}

TEST(RealIdentification, OnePeakStillGetsARanking) {
    IdentifyQuery query = Query({{195.0877, 100.0}}, 1, {"C", "H", "N", "O"});
    UseInstrument(query, core::Instrument::Orbitrap);
    const IdentifyResult result = calc::IdentifyMeasuredIon(query);
    ASSERT_EQ(result.status, core::IdentifyStatus::Identified) << result.problem;
    EXPECT_FALSE(result.candidates.empty());
}

// Diclofenac's [A+2] of 64 % of [A+0] with only C H N O P S searched: nothing
// explains it, and the user is told that it means two chlorines.
TEST(RealIdentification, WarnsWhenTheBestCandidateDoesNotExplainTheHalogenPattern) {
    IdentifyQuery query = Query(PeaksOf("C14H11Cl2NO2", "[M-H]-"), -1, {"C", "H", "N", "O", "P", "S"});
    UseInstrument(query, core::Instrument::QTof);
    const IdentifyResult result = calc::IdentifyMeasuredIon(query);
    ASSERT_EQ(result.status, core::IdentifyStatus::Identified) << result.problem;
    ASSERT_EQ(result.warnings.size(), 1u);
    const std::string& warning = result.warnings.front();
    EXPECT_NE(warning.find("does not explain the measured pattern"), std::string::npos) << warning;
    EXPECT_NE(warning.find("suggests chlorine or bromine"), std::string::npos) << warning;
    EXPECT_NE(warning.find("about 2 Cl (Cl is not among the elements searched)"), std::string::npos)
        << warning;
}

TEST(RealIdentification, NoWarningWhenTheTruthIsSearched) {
    IdentifyQuery query = Query(PeaksOf("C14H11Cl2NO2", "[M-H]-"), -1, {"C", "H", "N", "O", "Cl"});
    UseInstrument(query, core::Instrument::QTof);
    const IdentifyResult result = calc::IdentifyMeasuredIon(query);
    ASSERT_FALSE(result.candidates.empty());
    EXPECT_EQ(core::HillFormulaText(result.candidates.front().molecule), "C14H11Cl2NO2");
    EXPECT_TRUE(result.warnings.empty()) << result.warnings.front();
}

// With no candidate at all the warning still reads the pattern: [A+1] 11 %
// (13C2 about 0.6 %) and [A+2] 5.1 %: the 4.5 % beyond carbon's is one sulfur.
TEST(RealIdentification, WarnsOfSulfurWhenNothingIsListed) {
    IdentifyQuery query;
    query.peaks = {{300.0, 100.0}, {301.0, 11.0}, {302.0, 5.1}};
    IdentifyResult result;
    result.charge = 1;
    result.monoisotopicMz = 300.0;
    result.elements = {{core::LookupSymbolText("C", 0), 1, -1}, {core::LookupSymbolText("S", 0), 0, -1}};
    const std::vector<std::string> warnings = core::IdentifyWarnings(query, result);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings.front(),
              "No formula within the mass accuracy explains the peaks. The measured [A+2] of 5.1 % of [A+0] "
              "suggests sulfur (each S adds about 4.4 % beyond carbon's 0.6 %): about 1 S.");
}

}  // namespace
}  // namespace tarnevo::testing

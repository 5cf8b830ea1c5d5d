// Pins what an identification says of its window, one regression test for
// each fault found in review:
//   - "formulae within the mass accuracy" is a count of the window alone,
//     checked against a brute-force count of the formulae of the rows whose
//     ion lies within ppm x m/z, whatever the other peaks and the filters;
//   - the counts add up: every formula of the window is filtered out, ruled
//     out by its pattern, passed but beyond the best the identification
//     scores, or ranked;
//   - intensities on any scale, up to the top of the doubles' range, give
//     the same answer;
//   - an ion type given twice is searched once;
//   - an m/z the rows cannot reach, or a window of astronomically many
//     formulae, is refused before anything is walked (no progress is asked:
//     a bound on the work, not a timing).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "calc/ion_identify_run.h"
#include "core/ion_mz.h"
#include "core/ion_type_search.h"
#include "core/work_progress.h"

namespace tarnevo::testing {
namespace {

using core::IdentifyQuery;
using core::IdentifyResult;

const std::vector<core::MeasuredPeak> kCaffeine = {{195.0877, 100.0}, {196.0908, 10.4}, {197.0917, 1.2}};

core::IdentifyIonType IonType(const char* text) { return {text, *core::ParseIonNotation(text).notation}; }

IdentifyQuery Question(std::vector<core::MeasuredPeak> peaks, std::vector<const char*> types) {
    IdentifyQuery query;
    query.peaks = std::move(peaks);
    query.charge = 1;
    for (const char* type : types) query.ionTypes.push_back(IonType(type));
    return query;
}

// Formulae C(>=1) H N O P S of M whose ion of the type has its m/z within ppm
// of the measured one: |measured - computed| <= ppm x computed, that is
// computed in [measured / (1 + ppm), measured / (1 - ppm)]. For each count
// of the heavy atoms the hydrogens are tried over the few counts near the
// mass still missing; each ion is built and its m/z computed on its own.
std::size_t BruteForceCount(double measured, double ppm, const char* type) {
    const core::ElementTable& table = calc::IdentificationTable();
    const core::IonNotation notation = *core::ParseIonNotation(type).notation;
    const long double low = measured / (1.0L + ppm * 1e-6L);
    const long double high = measured / (1.0L - ppm * 1e-6L);
    const int element[] = {core::LookupSymbolText("C", 0), core::LookupSymbolText("N", 0),
                           core::LookupSymbolText("O", 0), core::LookupSymbolText("P", 0),
                           core::LookupSymbolText("S", 0)};
    const int hydrogen = core::LookupSymbolText("H", 0);
    const double hMass = table[hydrogen].lightMass;
    std::size_t count = 0;
    int c[5] = {};
    const auto heavyMass = [&] {
        double mass = 0.0;
        for (int k = 0; k < 5; ++k) mass += c[k] * table[element[k]].lightMass;
        return mass;
    };
    for (c[0] = 1; heavyMass() < measured; ++c[0]) {
        for (c[1] = 0; heavyMass() < measured; ++c[1]) {
            for (c[2] = 0; heavyMass() < measured; ++c[2]) {
                for (c[3] = 0; heavyMass() < measured; ++c[3]) {
                    for (c[4] = 0; heavyMass() < measured; ++c[4]) {
                        // The ion adds at most a few hydrogens' worth to M here ([M+H]+, [M+Na]+).
                        const double missing = measured - heavyMass();
                        const int most = static_cast<int>(missing / hMass) + 1;
                        for (int h = std::max(0, most - 30); h <= most; ++h) {
                            core::ParsedFormula molecule;
                            for (int k = 0; k < 5; ++k)
                                molecule[element[k]] = static_cast<std::uint32_t>(c[k]);
                            molecule[hydrogen] = static_cast<std::uint32_t>(h);
                            const auto ion = core::BuildIonFormula(notation, molecule, "M").ion;
                            if (!ion) continue;
                            const long double mz =
                                core::MzOf(core::IonMassOf(core::LightestMass(table, *ion), notation.charge),
                                           notation.charge);
                            if (mz >= low && mz <= high) ++count;
                        }
                    }
                    c[4] = 0;
                }
                c[3] = 0;
            }
            c[2] = 0;
        }
        c[1] = 0;
    }
    return count;
}

std::size_t Accounted(const IdentifyResult& result) {
    return result.filteredOut + result.ruledOutByPattern + result.notRanked + result.candidates.size();
}

// Regression: the count followed the peaks (whose [A+1] bounds the atoms
// walked) and the filters (whose element ratios bound them too).
TEST(WindowCount, IsTheWindowsAloneWhateverThePeaksAndFilters) {
    const std::size_t expected =
        BruteForceCount(195.0877, 5.0, "[M+H]+") + BruteForceCount(195.0877, 5.0, "[M+Na]+");
    ASSERT_GT(expected, 10U);
    std::vector<IdentifyQuery> questions;
    questions.push_back(Question(kCaffeine, {"[M+H]+", "[M+Na]+"}));
    questions.push_back(Question({{195.0877, 100.0}}, {"[M+H]+", "[M+Na]+"}));
    questions.push_back(
        Question({{195.0877, 100.0}, {196.0908, 40.0}, {197.0917, 9.0}}, {"[M+H]+", "[M+Na]+"}));
    questions.push_back(questions.front());
    questions.back().rules.elementRatios = false;
    questions.push_back(questions.front());
    questions.back().rules = {false, false, false};
    questions.push_back(questions.front());
    questions.back().rules.ratioLevel = core::RatioLevel::KnownCompounds997;
    for (const IdentifyQuery& query : questions) {
        const IdentifyResult result = calc::IdentifyMeasuredIon(query);
        ASSERT_EQ(result.status, core::IdentifyStatus::Identified) << result.problem;
        EXPECT_EQ(result.massMatches, expected);
        EXPECT_EQ(Accounted(result), result.massMatches);
    }
}

// Regression: --all stopped at the best 200 of the first comparison and
// counted the rest of what passed as ruled out by their pattern. One peak at
// 1000 ppm, measured by a model of wide errors: thousands of formulae whose
// first comparison is alike.
TEST(WindowCount, WhatPassedBeyondTheBestScoredIsCountedApart) {
    IdentifyQuery query = Question({{400.2, 100.0}}, {"[M+H]+"});
    query.ppm = 1000.0;
    // An instrument that tells little: every first comparison alike.
    query.errorModel.mzPpm = 1000.0;
    query.errorModel.intensityFraction = 1.0;
    query.errorModel.intensityFloor = 1.0;
    const IdentifyResult result = calc::IdentifyMeasuredIon(query);
    ASSERT_EQ(result.status, core::IdentifyStatus::Identified) << result.problem;
    EXPECT_EQ(result.candidates.size(), core::kMaxResolvedCandidates);
    EXPECT_GT(result.notRanked, 0U);
    EXPECT_EQ(Accounted(result), result.massMatches);
    // Every listed candidate lies within reach of the best first score, and
    // what passed but was not listed did too: none of the not ranked ones is
    // among those ruled out, so those are fewer than the formulae unfiltered.
    EXPECT_LT(result.ruledOutByPattern + result.notRanked + result.candidates.size(),
              result.massMatches - result.filteredOut + 1);
}

// Regression: m/z x intensity overflowed at 1e308, and the answer changed.
TEST(IntensityScale, AnyScaleGivesTheSameAnswer) {
    for (const std::vector<core::MeasuredPeak>& base :
         {std::vector<core::MeasuredPeak>{{195.0877, 1.0}}, kCaffeine}) {
        const IdentifyResult reference = calc::IdentifyMeasuredIon(Question(base, {}));
        ASSERT_EQ(reference.status, core::IdentifyStatus::Identified);
        for (const double scale : {1e-300, 1e306, 1e308 / 100.0}) {
            std::vector<core::MeasuredPeak> peaks = base;
            for (core::MeasuredPeak& peak : peaks) peak.intensity *= scale;
            const IdentifyResult result = calc::IdentifyMeasuredIon(Question(peaks, {}));
            ASSERT_EQ(result.status, core::IdentifyStatus::Identified) << scale;
            ASSERT_EQ(result.candidates.size(), reference.candidates.size()) << scale;
            EXPECT_EQ(result.ruledOutByPattern, reference.ruledOutByPattern) << scale;
            for (std::size_t k = 0; k < result.candidates.size(); ++k) {
                EXPECT_EQ(core::HillFormulaText(result.candidates[k].molecule),
                          core::HillFormulaText(reference.candidates[k].molecule));
                EXPECT_NEAR(result.candidates[k].score, reference.candidates[k].score, 1e-9);
            }
        }
    }
}

// Regression: [M+H]+ given twice listed caffeine twice and counted its window twice.
TEST(RepeatedIonType, IsSearchedOnce) {
    const IdentifyResult once = calc::IdentifyMeasuredIon(Question(kCaffeine, {"[M+H]+", "[M+Na]+"}));
    const IdentifyResult repeated =
        calc::IdentifyMeasuredIon(Question(kCaffeine, {"[M+H]+", "[M+Na]+", "[M+H]+", "[1M+H]1+"}));
    ASSERT_EQ(repeated.status, core::IdentifyStatus::Identified) << repeated.problem;
    ASSERT_EQ(repeated.ionTypes.size(), 2U);
    EXPECT_EQ(repeated.ionTypes[0].text, "[M+H]+");
    EXPECT_EQ(repeated.ionTypes[1].text, "[M+Na]+");
    EXPECT_EQ(repeated.massMatches, once.massMatches);
    ASSERT_EQ(repeated.candidates.size(), once.candidates.size());
    for (std::size_t k = 0; k < once.candidates.size(); ++k) {
        EXPECT_EQ(core::HillFormulaText(repeated.candidates[k].molecule),
                  core::HillFormulaText(once.candidates[k].molecule));
    }
}

class CountingProgress : public core::WorkProgress {
public:
    bool KeepGoing(double) override {
        ++questions;
        return true;
    }
    int questions = 0;
};

struct Unwalkable {
    const char* name;
    double mz;
    std::vector<core::IdentifyElement> elements;
    core::IdentifyStatus status;
    const char* problem;
};

void PrintTo(const Unwalkable& query, std::ostream* out) { *out << query.name; }

class UnwalkableWindow : public ::testing::TestWithParam<Unwalkable> {};

// Regression: m/z 1e7 walked for minutes to find nothing, 1e308 likewise.
// Refused before a walk starts: no progress question is ever asked.
TEST_P(UnwalkableWindow, IsRefusedBeforeAnyWalk) {
    IdentifyQuery query = Question({{GetParam().mz, 100.0}}, {"[M+H]+"});
    query.elements = GetParam().elements;
    CountingProgress progress;
    const IdentifyResult result = calc::IdentifyMeasuredIon(query, &progress);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.problem, GetParam().problem);
    EXPECT_TRUE(result.candidates.empty());
    EXPECT_EQ(progress.questions, 0);
}

const int kC = core::LookupSymbolText("C", 0);
const int kH = core::LookupSymbolText("H", 0);

// C10H20 weighs 140.1565 u; as [M+H]+ (add 1.0078250 u of H, less an
// electron's 0.0005486 u) its ion lies at m/z 141.1638.
INSTANTIATE_TEST_SUITE_P(
    Windows, UnwalkableWindow,
    ::testing::Values(
        Unwalkable{"BeyondTheBoundedRows",
                   500.0,
                   {{kC, 0, 10}, {kH, 0, 20}},
                   core::IdentifyStatus::OutOfReach,
                   "No ion of the element rows reaches m/z 500: the heaviest they allow, as [M+H]+, lies at "
                   "m/z 141.1638. Check the peaks, or widen the element ranges."},
        // 65535 atoms of each of C H N O P S (kMaxSearchCount), 105.95 u a
        // set, as [M+H]+: 6,943,542 u.
        Unwalkable{"BeyondEveryCount",
                   1e308,
                   {},
                   core::IdentifyStatus::OutOfReach,
                   "No ion of the element rows reaches m/z 1e+308: the heaviest they allow, as [M+H]+, lies "
                   "at m/z 6943542.1822. Check the peaks, or widen the element ranges."},
        Unwalkable{"TenMillion",
                   1e7,
                   {},
                   core::IdentifyStatus::OutOfReach,
                   "No ion of the element rows reaches m/z 1e+07: the heaviest they allow, as [M+H]+, lies "
                   "at m/z 6943542.1822. Check the peaks, or widen the element ranges."},
        Unwalkable{"AMillion",
                   1e6,
                   {},
                   core::IdentifyStatus::TooManyMatches,
                   "More than 4000000 formulae lie within the mass accuracy: narrow the accuracy or the "
                   "element ranges."}),
    [](const ::testing::TestParamInfo<Unwalkable>& param) { return std::string(param.param.name); });

// The estimate that refuses a window at once stays near the count where
// windows are walked: within a factor of three of the brute-force count.
TEST(WindowEstimate, ComesNearTheCount) {
    const core::ElementTable& table = calc::IdentificationTable();
    for (const double mz : {300.1, 600.2, 900.3}) {
        IdentifyQuery query = Question({{mz, 100.0}}, {"[M+H]+"});
        query.ppm = 20.0;
        query.rules = {false, false, false};
        const IdentifyResult result = calc::IdentifyMeasuredIon(query);
        ASSERT_EQ(result.status, core::IdentifyStatus::Identified);
        core::MoleculeRows rows;
        for (const core::IdentifyElement& row : core::DefaultIdentifyElements()) {
            rows.elements.push_back({table[row.element].lightMass, row.minimum, row.maximum,
                                     table[row.element].valenceElectrons});
            rows.elementIndex.push_back(row.element);
            rows.defaultMaximum.push_back(true);
        }
        const core::IonMzWindow window{mz / (1.0L + 20e-6L), mz / (1.0L - 20e-6L)};
        const double estimate =
            core::EstimatedMoleculeCount(table, rows, *core::ParseIonNotation("[M+H]+").notation, window);
        const auto count = static_cast<double>(result.massMatches);
        EXPECT_GT(estimate, count / 3.0) << mz;
        EXPECT_LT(estimate, count * 3.0) << mz;
    }
}

}  // namespace
}  // namespace tarnevo::testing

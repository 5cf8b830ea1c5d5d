// Pins Correct for Loss of H through the user-interface port, as the desktop
// program and the command line drive it.
//
// The decisive evidence is synthetic: a spectrum is built here as the sum of the
// intact ion's pattern and the patterns of the ions that lost 1..4 H, each
// starting at its own [A-k] and present in a known amount, then scaled to 100.
// The correction knows none of the amounts, so giving back the intact pattern
// (scaled to 100) to 1e-9 shows that the species are removed in the right
// order, at the right positions and in the right amounts. A second case is
// worked from the binomial abundances of C and H typed in below, with no engine
// at all. The refusals are checked one by one in the order a user meets them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "calc/loss_of_h_command.h"
#include "calc/loss_of_h_input.h"
#include "calc/peak_input.h"
#include "calc/user_element_input.h"
#include "core/cluster_engine.h"
#include "core/formula_parser.h"
#include "document/messages.h"
#include "tests/support/command_fixture.h"

namespace tarnevo::testing {
namespace {

using calc::LossHFormInput;
using calc::PeakInput;
namespace loss = calc::loss_of_h;

constexpr const char* kFormCaption = "Formula Data for the Loss of H Calculation";
constexpr const char* kPeakCaption = "Peaks in the Mass Spectrum";
constexpr double kForcedStopFA = 0.99999;

int Hydrogen() { return core::LookupSymbolText("H", 0); }

// FAs of [A+0] .. [A+319] of formula after losing hLost H atoms, from the
// engine with the stop FA the correction uses; also the [A+0] ion mass.
std::vector<double> SpeciesPattern(const std::string& formula, int hLost, int charge,
                                   double* ionMassA = nullptr) {
    auto program = std::make_unique<core::ProgramContext>();
    core::ParsedFormula counts;
    EXPECT_EQ(core::ParseFormulaText(formula, counts), core::FormulaSyntax::Valid);
    counts[Hydrogen()] -= static_cast<std::uint32_t>(hLost);
    const core::LimitCheck check =
        core::CheckClusterLimits(program->elements, program->cluster, counts, charge);
    if (ionMassA != nullptr) *ionMassA = check.ionMassA;
    std::vector<double> fa(core::kPeakCount);
    if (check.status == core::ClusterLimit::NoPolyisotopicElement) {  // P+: one peak
        fa[0] = 1.0;
        return fa;
    }
    EXPECT_EQ(check.status, core::ClusterLimit::WithinLimits);
    core::OrderPolyisotopicElements(program->elements, program->cluster, counts);
    core::ComputeCluster(program->cluster, program->cluster.polyAtomCount, kForcedStopFA);
    for (int n = 0; n < core::kPeakCount; ++n) fa[n] = static_cast<double>(program->cluster.peakSum[n]);
    return fa;
}

std::vector<double> ScaledToLargest(std::vector<double> values) {
    const double largest = *std::max_element(values.begin(), values.end());
    // value / largest first: the largest becomes exactly 100, which the peak
    // dialog accepts.
    for (double& value : values) value = 100.0 * (value / largest);
    return values;
}

class LossOfH : public CommandFixture {
protected:
    void ExpectForm(std::string formula, int charge, double firstPeakMz, bool reminder = false) {
        port.ExpectDialog<LossHFormInput>(kFormCaption, [=](LossHFormInput& input) {
            input.formula = formula;
            input.charge = charge;
            input.firstPeakMz = firstPeakMz;
            input.saveReminder = reminder;
            return DialogAnswer::Ok;
        });
    }
    // The peak dialog opens with zero intensities and m/z one unit / |z| apart.
    void ExpectPeaks(std::vector<double> intensities) {
        port.ExpectDialog<PeakInput>(kPeakCaption, [this, intensities](PeakInput& input) {
            EXPECT_EQ(input.intensity, PeakInput{}.intensity);
            EXPECT_DOUBLE_EQ(input.mz[0], view.firstPeakMz);
            EXPECT_DOUBLE_EQ(input.mz[11] - input.mz[0], 11.0 / std::abs(view.charge));
            std::copy(intensities.begin(), intensities.end(), input.intensity.begin());
            return DialogAnswer::Ok;
        });
    }
    void ExpectRefusal(std::string_view message) { port.ExpectMessage(std::string(message)); }
    void Run() { calc::RunLossOfH(context); }
};

// ---------------------------------------------------------------------------
// Synthetic spectra

struct SyntheticCase {
    const char* formula;
    int charge;
    int firstPeakOffset;            // -k: the spectrum starts at [A-k]
    int peaks;                      // at most this many measured peaks entered
    std::array<double, 5> amounts;  // of the intact ion and of [M-H] .. [M-4H]
};

void PrintTo(const SyntheticCase& c, std::ostream* out) {
    *out << c.formula << " z=" << c.charge << " from [A" << c.firstPeakOffset << "]";
}

class SyntheticSpectrum : public LossOfH, public ::testing::WithParamInterface<SyntheticCase> {};

TEST_P(SyntheticSpectrum, GivesBackTheIntactPattern) {
    const SyntheticCase& c = GetParam();
    double ionMassA = 0.0;
    const std::vector<double> intact = SpeciesPattern(c.formula, 0, c.charge, &ionMassA);

    // Position p of the spectrum is [A + offset + p]; the species that lost k H
    // starts at [A-k], so its peak [A+j] sits where offset + p = j - k.
    std::vector<double> spectrum(static_cast<std::size_t>(c.peaks), 0.0);
    for (int k = 0; k <= -c.firstPeakOffset; ++k) {
        const std::vector<double> pattern = k == 0 ? intact : SpeciesPattern(c.formula, k, c.charge);
        for (int p = 0; p < c.peaks; ++p) {
            const int j = c.firstPeakOffset + p + k;
            if (j >= 0) spectrum[p] += c.amounts[k] * pattern[j];
        }
    }
    spectrum = ScaledToLargest(spectrum);
    // The engine stops at the stop FA: a small ion's patterns end within the
    // window, and the command drops the trailing zeros.
    while (spectrum.back() == 0.0) spectrum.pop_back();
    const int peaks = static_cast<int>(spectrum.size());
    ASSERT_GE(peaks, -c.firstPeakOffset + 2);

    const double firstPeakMz = (ionMassA + c.firstPeakOffset) / std::abs(c.charge);
    ExpectForm(c.formula, c.charge, firstPeakMz);
    ExpectPeaks(spectrum);
    Run();
    ASSERT_TRUE(port.Finished());
    ASSERT_FALSE(document.readyForCalculation);

    const int corrected = c.firstPeakOffset + peaks;
    EXPECT_EQ(State().calcKind, output::CalcKind::LossOfH);
    EXPECT_EQ(State().spectrum.firstPeakOffset, c.firstPeakOffset);
    EXPECT_EQ(State().spectrum.expPeakCount, peaks);
    EXPECT_EQ(State().spectrum.correctedCount, corrected);
    EXPECT_DOUBLE_EQ(State().ionMassA, ionMassA);
    EXPECT_DOUBLE_EQ(State().spectrum.firstPeakMz, firstPeakMz);
    for (int p = 0; p < peaks; ++p) EXPECT_EQ(State().spectrum.expIntensity[p], spectrum[p]);

    const std::vector<double> expected = ScaledToLargest({intact.begin(), intact.begin() + corrected});
    for (int n = 0; n < corrected; ++n) {
        EXPECT_NEAR(State().spectrum.correctedIntensity[n], expected[n], 1e-9) << "[A+" << n << "]";
    }
    for (int n = corrected; n < output::kMaxExperimentalPeaks; ++n)
        EXPECT_EQ(State().spectrum.correctedIntensity[n], 0.0);
}

INSTANTIATE_TEST_SUITE_P(Mixtures, SyntheticSpectrum,
                         ::testing::Values(SyntheticCase{"C6H5Cl", 1, -2, 10, {1.0, 0.4, 0.25, 0, 0}},
                                           SyntheticCase{"C20H30O2", 1, -4, 12, {1.0, 0.3, 0.2, 0.15, 0.1}},
                                           SyntheticCase{"C10H8Br2", 1, -3, 12, {1.0, 0.5, 0.2, 0.3, 0}},
                                           SyntheticCase{
                                               "C30H48N6O8S", 2, -4, 12, {1.0, 0.2, 0.2, 0.1, 0.05}},
                                           SyntheticCase{"C8H7Sn", 1, -1, 9, {1.0, 2.0, 0, 0, 0}},
                                           // Exactly as many H as lost at the first peak: the species
                                           // that lost all four has none left, and one element fewer
                                           // for the engine.
                                           SyntheticCase{"C2H4Cl2", 1, -4, 12, {1.0, 0.6, 0.5, 0.4, 0.3}},
                                           // P is monoisotopic: P+, all three H lost, is a single peak.
                                           SyntheticCase{"PH3", 1, -3, 12, {1.0, 0.5, 0.8, 0.3, 0}}));

// ---------------------------------------------------------------------------
// Worked by hand

// C6H6+ with its first peak at: only [M-H]+ = C6H5+ is removed. With
// c0 = 0.9893, c1 = 0.0107 (12C, 13C) and h0 = 0.999885, h1 = 0.000115 (1H, 2H)
// the peaks of C6H5 relative to its [A+0] are
//   r1 = 6 c1/c0 + 5 h1/h0
//   r2 = 15 (c1/c0)^2 + 30 (c1/c0)(h1/h0) + 10 (h1/h0)^2
// (the engine stops after the pass with two heavy atoms, so both are exact).
// Spectrum 100, 50, 0.1: [M-H] is 100 at, so [A+0] = 50 - 100 r1 and
// [A+1] = 0.1 - 100 r2, which is negative (over-subtraction), and both are
// scaled by the same 100 / [A+0].
TEST_F(LossOfH, BenzeneWorkedFromBinomialAbundances) {
    const double c = 0.0107 / 0.9893;
    const double h = 0.000115 / 0.999885;
    const double r1 = 6 * c + 5 * h;
    const double r2 = 15 * c * c + 30 * c * h + 10 * h * h;
    const double a0 = 50 - 100 * r1;
    const double a1 = 0.1 - 100 * r2;
    ASSERT_LT(a1, 0.0);

    ExpectForm("C6H6", 1, 77.05);
    ExpectPeaks({100, 50, 0.1});
    Run();
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_EQ(State().spectrum.firstPeakOffset, -1);
    EXPECT_EQ(State().spectrum.correctedCount, 2);
    EXPECT_NEAR(State().spectrum.correctedIntensity[0], 100.0, 1e-12);
    EXPECT_NEAR(State().spectrum.correctedIntensity[1], 100 * a1 / a0, 1e-9);
}

// ---------------------------------------------------------------------------
// Edge cases of the entries

TEST_F(LossOfH, TwoCorrectedPeaksAreEnough) {
    // .. [A+1]: four peaks leave [A+0] and [A+1].
    ExpectForm("C6H6", 1, 76.05);
    ExpectPeaks({10, 20, 100, 7});
    Run();
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_EQ(State().spectrum.firstPeakOffset, -2);
    EXPECT_EQ(State().spectrum.correctedCount, 2);
}

TEST_F(LossOfH, UserDefinedElementsAreAskedForAndReported) {
    ExpectForm("C6H5Jx", 1, 106.0);
    port.ExpectDialog<calc::UserElementInput>("Data for User Defined ELEMENT Jx",
                                              [](calc::UserElementInput& input) {
                                                  input.entry.lightMass = 30.0;
                                                  input.entry.delta[0] = 2;
                                                  input.entry.fa[0] = 0.25;
                                                  return DialogAnswer::Ok;
                                              });
    ExpectPeaks({40, 100, 7, 33, 2});
    Run();
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_EQ(State().details.detailCount, 1);
    EXPECT_EQ(State().details.detailSymbol, "Jx");
    EXPECT_EQ(State().details.isotopeMassNumber[1], 32);
    EXPECT_DOUBLE_EQ(State().details.isotopeFA[0], 0.75);
}

TEST_F(LossOfH, StopFAIsForcedAndKept) {
    program->stopFASetting = 0.9999;
    ExpectForm("C6H6", 1, 77.05);
    port.ExpectDialogCancel(kPeakCaption);
    Run();
    ExpectNothingStored();
    EXPECT_EQ(program->stopFASetting, kForcedStopFA);
    EXPECT_EQ(view.calcKind, output::CalcKind::LossOfH);
    EXPECT_FALSE(view.showWelcome);
}

// ---------------------------------------------------------------------------
// Refusals, in the order the command meets them; each leaves a fresh data set.

TEST_F(LossOfH, RefusedWhileResultsAreShown) {
    document.readyForCalculation = false;
    port.ExpectMessage(std::string(doc::messages::kFileNewFirst), MessageButtons::Ok,
                       MessageIcon::Exclamation, MessageModality::Application, MessageAnswer::Ok);
    Run();
    EXPECT_TRUE(port.Finished());
}

TEST_F(LossOfH, FormulaErrorRetryShowsTheDialogAgainWithoutTheFormula) {
    ExpectForm("C6H6(", 1, 77.05, true);
    port.ExpectMessage("Formula Entry Error", MessageButtons::RetryCancel, MessageIcon::Exclamation,
                       MessageModality::System, MessageAnswer::Retry);
    port.ExpectDialog<LossHFormInput>(kFormCaption, [](LossHFormInput& input) {
        EXPECT_EQ(input.formula, "");
        EXPECT_EQ(input.firstPeakMz, 77.05);
        EXPECT_TRUE(input.saveReminder);
        return DialogAnswer::Cancel;
    });
    Run();
    ExpectNothingStored();
}

struct RefusalCase {
    const char* name;
    const char* formula;
    double firstPeakMz;
    std::vector<double> intensities;  // empty: the peak dialog is not reached
    std::string_view message;
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class Refusal : public LossOfH, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, ShowsItsMessageAndStoresNothing) {
    const RefusalCase& c = GetParam();
    ExpectForm(c.formula, 1, c.firstPeakMz);
    if (!c.intensities.empty()) ExpectPeaks(c.intensities);
    ExpectRefusal(c.message);
    Run();
    EXPECT_TRUE(port.Finished());
    ExpectNothingStored();
    EXPECT_EQ(view.firstPeakMz, c.firstPeakMz);  // the entries preset the next run
}

INSTANTIATE_TEST_SUITE_P(
    InOrder, Refusal,
    ::testing::Values(
        // C6H6+ [A+0] at 78.0464: 77.7 is 0.35 below, rounds to 0.
        RefusalCase{"FirstPeakAtA0", "C6H6", 77.7, {}, loss::kOffsetOutOfRange},
        RefusalCase{"FirstIntensityZero", "C6H6", 77.05, {0, 100, 6}, loss::kFirstPeakZero},
        // with three peaks corrects [A+0] alone.
        RefusalCase{"OneCorrectedPeak", "C6H6", 76.05, {10, 20, 100}, loss::kTooFewCorrectedPeaks},
        RefusalCase{"TooFewH", "C6HCl", 106.0, {10, 20, 100, 7}, loss::kTooFewHAtoms},
        // Everything from [A+0] on is explained by [M-H]: 6.55 and 0.175 would
        // remain of C6H5+ alone, more than measured.
        RefusalCase{"NothingPositiveLeft", "C6H6", 77.05, {100, 6, 0.1}, loss::kNoPositiveCorrectedPeak}),
    [](const ::testing::TestParamInfo<RefusalCase>& param) { return std::string(param.param.name); });

// A user-defined element whose lightest isotope has FA 1e-5 (the heavy one takes
// the dialog's largest FA, 0.99999), seventy times over: the [A+0] FA of every
// species is 1e-350, below the range of a double, so the amount of [M-H] cannot
// be measured at its first peak.
TEST_F(LossOfH, SpeciesWithoutLightestPeakIsRefused) {
    ExpectForm("Jx70H4", 1, 703.03);
    port.ExpectDialog<calc::UserElementInput>("Data for User Defined ELEMENT Jx",
                                              [](calc::UserElementInput& input) {
                                                  input.entry.lightMass = 10.0;
                                                  input.entry.delta[0] = 1;
                                                  input.entry.fa[0] = 0.99999;
                                                  return DialogAnswer::Ok;
                                              });
    ExpectPeaks({100, 50, 20});
    ExpectRefusal(loss::kSpeciesWithoutLightPeak);
    Run();
    EXPECT_TRUE(port.Finished());
    ExpectNothingStored();
}

}  // namespace
}  // namespace tarnevo::testing

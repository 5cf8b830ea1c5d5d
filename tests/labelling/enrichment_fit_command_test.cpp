// Drives the enrichment-fit type of the Isotope Labelling Effects command
// through a scripted user interface. The recovery cases feed it spectra made by
// the labelled-pattern type itself from a known enrichment (two-, three- and
// four-isotope elements, from [A+0] and from a later peak) and expect that
// enrichment back; the 20-cycle question is answered Yes, then No, on a spectrum
// no enrichment can match, and carries the cycle count its text states, which
// the stored results keep with how the search ended; the refusals end or retry
// as the dialog order says.
// Then the spectra on which the plain simplex collapsed far from the answer
// (their enrichments are checked to remake them), and a noisy spectrum whose
// least-squares optimum, found by a scan, lies above the convergence threshold:
// its search ends there instead of asking until the cycle limit.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <memory>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "calc/labelling_command.h"
#include "calc/labelling_input.h"
#include "calc/peak_input.h"
#include "core/enrichment_fit.h"
#include "tests/support/command_fixture.h"
#include "tests/support/scripted_port.h"

namespace tarnevo::calc {
namespace {

constexpr const char* kForm = "Calculations Involving Labelled Atoms";
constexpr const char* kDetail = "Enrichment Details";
constexpr const char* kPeaks = "Peaks in the Mass Spectrum";
constexpr const char* kMaxEnrichment = "Estimate of Maximum Enrichment";

// A scripted port that also answers the search's Yes/No questions from a list
// (Yes once the list is used up) and keeps their texts and the cycle counts
// they carry. The questions reach ShowMessage through the port's own default,
// as they reach the desktop's message box.
class FitPort : public testing::ScriptedPort {
public:
    std::deque<port::MessageAnswer> answers;
    std::vector<port::MessageRequest> questions;
    std::vector<int> questionCycles;
    std::vector<port::MessageRequest> notices;  // every other message, in order

    // Yes while the search has run fewer than `cycles` cycles, as the command
    // line's cycle limit answers, then No.
    void AnswerUntil(int cycles) { cycleLimit_ = cycles; }

    port::MessageAnswer AskToContinueSearch(const port::SearchQuestion& question) override {
        questionCycles.push_back(question.cyclesRun);
        if (cycleLimit_ > 0) {
            answers = {question.cyclesRun < cycleLimit_ ? port::MessageAnswer::Yes : port::MessageAnswer::No};
        }
        return UserInterfacePort::AskToContinueSearch(question);
    }

    port::MessageAnswer ShowMessage(const port::MessageRequest& request) override {
        if (request.buttons != port::MessageButtons::YesNo) {
            notices.push_back(request);
            return ScriptedPort::ShowMessage(request);
        }
        questions.push_back(request);
        if (answers.empty()) return port::MessageAnswer::Yes;
        const port::MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

private:
    int cycleLimit_ = 0;  // 0: the answers list decides
};

struct Spectrum {
    double firstMz = 0.0;
    std::vector<double> intensity;
};

// The pattern of formula with atoms of symbol at the enriched FAs (heavy ones
// by ascending mass), from the labelled-pattern calculation, as relative
// intensities of twelve peaks from [A+offset].
Spectrum LabelledSpectrum(const std::string& formula, int charge, const std::string& symbol, int atoms,
                          const std::vector<double>& heavy, int offset) {
    auto program = std::make_unique<core::ProgramContext>();
    doc::ViewState view;
    doc::Document document;
    testing::ScriptedPort port;
    port.ExpectDialogEntries(kForm,
                             {{"formula", formula}, {"charge", std::to_string(charge)}, {"type", "0"}});
    port.ExpectDialogEntries("Isotope Cluster Calculations with Labelled Atoms",
                             {{"stop", "0.99999"}, {"elements", "1"}});
    port.ExpectDialogEntries("Enrichment Details for Element 1",
                             {{"symbol", symbol}, {"atoms", std::to_string(atoms)}});
    port.ExpectDialog<EnrichmentDetailsInput>("Enrichment Details for Element 1",
                                              [heavy](EnrichmentDetailsInput& in) {
                                                  for (std::size_t i = 0; i < heavy.size(); ++i)
                                                      in.enrichedFA[i + 1] = heavy[i];
                                                  return port::DialogAnswer::Ok;
                                              });
    CommandContext context{*program, view, document, port};
    RunLabellingCommand(context);
    const output::CalculationState& state = document.state;
    Spectrum spectrum;
    spectrum.firstMz = (state.ionMassA + offset) / std::abs(charge);
    double largest = 0;
    for (int k = 0; k < 12; ++k) largest = std::max(largest, state.cluster.peakFA[offset + k]);
    // Typed as a user would, to three decimals (which also keeps the base peak at 100).
    for (int k = 0; k < 12; ++k) {
        spectrum.intensity.push_back(std::round(100000.0 * state.cluster.peakFA[offset + k] / largest) /
                                     1000.0);
    }
    return spectrum;
}

class EnrichmentFitCommand : public tarnevo::testing::CommandFixtureWith<FitPort> {
protected:
    void Run() { RunLabellingCommand(context); }
    void Form(const std::string& formula, int charge = 1) {
        port.ExpectDialogEntries(kForm,
                                 {{"formula", formula}, {"charge", std::to_string(charge)}, {"type", "1"}});
    }
    void Detail(const std::string& symbol, int atoms, double firstMz) {
        port.ExpectDialog<EnrichmentDetailInput>(kDetail, [=](EnrichmentDetailInput& input) {
            input.symbol = symbol;
            input.atoms = atoms;
            input.firstPeakMz = firstMz;
            return port::DialogAnswer::Ok;
        });
    }
    void Peaks(const std::vector<double>& intensity) {
        port.ExpectDialog<PeakInput>(kPeaks, [intensity](PeakInput& input) {
            for (std::size_t k = 0; k < intensity.size(); ++k) input.intensity[k] = intensity[k];
            return port::DialogAnswer::Ok;
        });
    }
    void MaxEnrichment(int isotope, double estimate) {
        port.ExpectDialogEntries(
            kMaxEnrichment, {{"isotope", std::to_string(isotope)}, {"estimate", std::to_string(estimate)}});
    }
    void ExpectFAs(const std::vector<double>& expected, double tolerance) {
        const output::CalculationState& state = document.state;
        ASSERT_FALSE(document.readyForCalculation);
        ASSERT_EQ(state.details.lastIsotopeIndex[0] + 1, static_cast<int>(expected.size()));
        double sum = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NEAR(state.details.isotopeFA[i], expected[i], tolerance) << "isotope " << i;
            sum += state.details.isotopeFA[i];
        }
        EXPECT_NEAR(sum, 1.0, 1e-12);
    }
    void ExpectRefusal(const std::string& text, port::MessageAnswer answer = port::MessageAnswer::Ok) {
        port.ExpectMessage(text, answer);
    }
};

TEST_F(EnrichmentFitCommand, RecoversTwoLabelledCarbonsFromTheirPattern) {
    const Spectrum spectrum = LabelledSpectrum("C6H6", 1, "C", 2, {0.9}, 0);
    Form("C6H6");
    Detail("C", 2, spectrum.firstMz);
    Peaks(spectrum.intensity);
    Run();
    ExpectFAs({0.1, 0.9}, 0.01);
    const output::CalculationState& state = document.state;
    EXPECT_EQ(state.calcKind, output::CalcKind::EnrichmentFromSpectrum);
    EXPECT_LT(state.spectrum.fitResidual, 0.1);
    EXPECT_EQ(state.spectrum.firstPeakOffset, 0);
    EXPECT_EQ(state.elementSymbol, "C");
    EXPECT_EQ(state.details.detailAtomCount[0], 2);
    EXPECT_EQ(state.details.isotopeMassNumber[0], 12);
    EXPECT_EQ(state.details.isotopeMassNumber[1], 13);
    EXPECT_EQ(state.stopFA, 0.99999);
    EXPECT_EQ(program->stopFASetting, 0.99999);
    EXPECT_TRUE(port.questions.empty());
    // The stored cluster is that of the reported FAs: its peaks match the spectrum.
    for (int k = 0; k < state.spectrum.expPeakCount; ++k) {
        EXPECT_NEAR(100.0 * state.cluster.peakFA[k] / state.cluster.maxFA,
                    spectrum.intensity[static_cast<std::size_t>(k)], 0.35);
    }
}

TEST_F(EnrichmentFitCommand, RecoversAnEnrichmentFromALaterFirstPeak) {
    // Doubly charged, spectrum from [A+1]: the light-FA estimate is 0.001, so the
    // search starts from (0.2, 0.8).
    const Spectrum spectrum = LabelledSpectrum("C20H30N2", 2, "N", 2, {0.7}, 1);
    Form("C20H30N2", 2);
    Detail("N", 2, spectrum.firstMz);
    Peaks(spectrum.intensity);
    Run();
    ExpectFAs({0.3, 0.7}, 0.02);
    EXPECT_EQ(document.state.spectrum.firstPeakOffset, 1);
}

TEST_F(EnrichmentFitCommand, RecoversAThreeIsotopeEnrichment) {
    const Spectrum spectrum = LabelledSpectrum("C2H4O2", 1, "O", 2, {0.1, 0.7}, 0);
    Form("C2H4O2");
    Detail("O", 2, spectrum.firstMz);
    Peaks(spectrum.intensity);
    MaxEnrichment(3, 0.7);
    Run();
    ExpectFAs({0.2, 0.1, 0.7}, 0.02);
    EXPECT_EQ(document.state.details.isotopeMassNumber[2], 18);
    EXPECT_EQ(view.labelling.maxIsotope3, 3);
}

TEST_F(EnrichmentFitCommand, RecoversAFourIsotopeEnrichment) {
    const Spectrum spectrum = LabelledSpectrum("CH4S", 1, "S", 1, {0.05, 0.8, 0.05}, 0);
    Form("CH4S");
    Detail("S", 1, spectrum.firstMz);
    Peaks(spectrum.intensity);
    MaxEnrichment(3, 0.8);
    Run();
    ExpectFAs({0.1, 0.05, 0.8, 0.05}, 0.02);
    EXPECT_EQ(document.state.details.isotopeMassNumber[3], 36);
}

TEST_F(EnrichmentFitCommand, AsksEveryTwentyCyclesAndStopsOnNo) {
    // [A+1] absent between two equal peaks: no binomial of six carbons does that.
    Form("C6H6");
    Detail("C", 6, 78.05);
    Peaks({100, 0, 100});
    port.answers = {port::MessageAnswer::Yes, port::MessageAnswer::No};
    Run();
    ASSERT_EQ(port.questions.size(), 2u);
    const std::regex pattern(
        "After (\\d+) trial cycles,\r\nthe smallest sum of squares of the residuals is (\\d+\\.\\d{4})\\.\r\n"
        "Continue with the calculation\\?");
    std::smatch first;
    std::smatch second;
    ASSERT_TRUE(std::regex_match(port.questions[0].text, first, pattern)) << port.questions[0].text;
    ASSERT_TRUE(std::regex_match(port.questions[1].text, second, pattern));
    EXPECT_EQ(first[1], "20");
    EXPECT_EQ(second[1], "40");
    // Each question carries the count its text states, for a front end that
    // answers by a cycle limit; the stored results say where the search stopped.
    EXPECT_EQ(port.questionCycles, (std::vector<int>{20, 40}));
    EXPECT_EQ(port.questions[0].icon, port::MessageIcon::Question);
    EXPECT_EQ(port.questions[0].modality, port::MessageModality::System);
    // The best SSR never rises; the stored residual is the one last asked about.
    EXPECT_LE(std::stod(second[2]), std::stod(first[2]));
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_NEAR(document.state.spectrum.fitResidual, std::stod(second[2]), 0.00005);
    EXPECT_EQ(document.state.spectrum.expPeakCount, 3);
    EXPECT_EQ(document.state.spectrum.expIntensity[1], 0.0);
    EXPECT_EQ(document.state.spectrum.fitCycleCount, 40);
    EXPECT_EQ(document.state.spectrum.fitEnd, core::SearchEnd::Stopped);
}

TEST_F(EnrichmentFitCommand, SetUpRefusalsEndTheCommand) {
    Form("SnCl4");
    Detail("Sn", 1, 200.0);
    ExpectRefusal("Error - TARNEVO cannot analyze elements with more than four isotopes!");
    Run();
    ExpectNothingStored();
    EXPECT_EQ(program->stopFASetting, 0.99999);
}

TEST_F(EnrichmentFitCommand, RetryShowsTheDetailDialogWithTheValuesJustEntered) {
    Form("C6H5F");
    Detail("F", 1, 96.0);
    ExpectRefusal("Error - Your element is monoisotopic and cannot be enriched!", port::MessageAnswer::Retry);
    port.ExpectDialog<EnrichmentDetailInput>(kDetail, [](EnrichmentDetailInput& input) {
        EXPECT_EQ(input.symbol, "F");
        EXPECT_EQ(input.atoms, 1);
        EXPECT_EQ(input.firstPeakMz, 96.0);
        input.atoms = 6;
        input.symbol = "H";
        return port::DialogAnswer::Ok;
    });
    ExpectRefusal(
        "Error - Either the number of enriched atoms is too large,\r\n"
        "or your molecular formula does not contain this element!",
        port::MessageAnswer::Cancel);
    Run();
    ExpectNothingStored();
}

TEST_F(EnrichmentFitCommand, AFirstPeakBelowA0HasANegativeIndex) {
    Form("C6H6");
    Detail("C", 1, 76.5);  // 78.0464 - 76.5 = 1.55 below [A+0]
    ExpectRefusal("Error - The first peak in the spectrum cannot have a negative index!");
    Run();
    ExpectNothingStored();
}

TEST_F(EnrichmentFitCommand, FewerPeaksThanIsotopesAreRefused) {
    Form("C6H6");
    Detail("C", 1, 78.0);
    Peaks({100});
    ExpectRefusal("Error - There are insufficient peaks in your spectrum for the analysis!");
    Run();
    ExpectNothingStored();
    EXPECT_EQ(view.labelling.expIntensity[0], 100.0);
}

TEST_F(EnrichmentFitCommand, PeaksBeyondTheClusterAreRefusedBeforeTheSearch) {
    // Past [A+319].
    Form("C6H6");
    Detail("C", 1, 78.0 + 315);
    Peaks({100, 50, 20, 10, 5, 1});
    ExpectRefusal("Error - The experimental peaks lie beyond the calculated isotope cluster!");
    Run();
    ExpectNothingStored();
    // Within [A+319] but where no trial puts any abundance.
    Form("C6H6");
    Detail("C", 1, 78.0 + 100);
    Peaks({100, 50});
    ExpectRefusal("Error - The experimental peaks lie beyond the calculated isotope cluster!");
    Run();
    ExpectNothingStored();
}

TEST_F(EnrichmentFitCommand, ResultsDoNotDependOnWhatAnEarlierCalculationLeftInThePools) {
    const Spectrum spectrum = LabelledSpectrum("C6H6", 1, "C", 2, {0.9}, 0);
    Form("C6H6");
    Detail("C", 2, spectrum.firstMz);
    Peaks(spectrum.intensity);
    Run();
    const output::CalculationState fresh = document.state;

    // Leave an odd light FA for Jx behind, as a labelled pattern would.
    auto other = std::make_unique<core::ProgramContext>();
    other->elements.faPool[core::naturalFACount] = 1e-9;
    other->elements.faPool[core::naturalFACount + 1] = 1.0;
    doc::ViewState otherView;
    doc::Document otherDocument;
    FitPort otherPort;
    otherPort.ExpectDialogEntries(kForm, {{"formula", "C6H6"}, {"charge", "1"}, {"type", "1"}});
    otherPort.ExpectDialogEntries(
        kDetail, {{"symbol", "C"}, {"atoms", "2"}, {"mz", std::to_string(spectrum.firstMz)}});
    otherPort.ExpectDialog<PeakInput>(kPeaks, [&](PeakInput& input) {
        for (std::size_t k = 0; k < 12; ++k) input.intensity[k] = spectrum.intensity[k];
        return port::DialogAnswer::Ok;
    });
    CommandContext otherContext{*other, otherView, otherDocument, otherPort};
    RunLabellingCommand(otherContext);
    EXPECT_EQ(otherDocument.state.details.isotopeFA[0], fresh.details.isotopeFA[0]);
    EXPECT_EQ(otherDocument.state.spectrum.fitResidual, fresh.spectrum.fitResidual);
}

// A spectrum typed from the pattern of a known sulfur enrichment, with the
// isotope of maximum enrichment and estimate the user gave.
struct StrandedFitCase {
    const char* name;
    std::string formula;
    int charge;
    int atoms;
    double firstMz;
    std::vector<double> intensity;
    int maxIsotope;
    double estimate;
    std::vector<double> enrichment;  // 32S, 33S, 34S, 36S
    double tolerance;                // how close an SSR below 0.1 pins the FAs
};

void PrintTo(const StrandedFitCase& fitCase, std::ostream* out) { *out << fitCase.name; }

class StrandedFit : public EnrichmentFitCommand, public ::testing::WithParamInterface<StrandedFitCase> {};

// The plain simplex search stopped at SSRs of 754, 8855 and 20136 on these,
// asking until the limit. Each enrichment was found by a grid over all FAs in
// steps of 0.01 and refined from its best point; the labelled-pattern type
// remakes the typed spectrum from it (SSR about 1e-6, the rounding to three
// decimals), which the test checks first.
TEST_P(StrandedFit, EndsNearTheEnrichmentThatMadeTheSpectrum) {
    const StrandedFitCase& c = GetParam();
    const std::vector<double> heavy(c.enrichment.begin() + 1, c.enrichment.end());
    const Spectrum made = LabelledSpectrum(c.formula, c.charge, "S", c.atoms, heavy, 0);
    EXPECT_NEAR(made.firstMz, c.firstMz, 1e-9);
    for (std::size_t k = 0; k < c.intensity.size(); ++k)
        EXPECT_NEAR(made.intensity[k], c.intensity[k], 0.0015) << k;

    Form(c.formula, c.charge);
    Detail("S", c.atoms, c.firstMz);
    Peaks(c.intensity);
    MaxEnrichment(c.maxIsotope, c.estimate);
    port.AnswerUntil(1000);
    Run();
    EXPECT_LT(document.state.spectrum.fitResidual, 0.1);
    ExpectFAs(c.enrichment, c.tolerance);
    EXPECT_LT(document.state.spectrum.fitCycleCount, 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Regressions, StrandedFit,
    ::testing::Values(
        // The right isotope (36S) named: the two worst vertices were drawn onto
        // the centroid of the others and the simplex went flat. The SSR falls
        // below 0.1 along a shallow valley, 0.012 from the enrichment.
        StrandedFitCase{
            "FlatSimplexHS19",
            "HS19",
            2,
            4,
            304.23802892009104,
            {0.028, 0.08, 0.352, 0.635, 2.431, 3.884, 11.326, 13.61, 38.977, 39.526, 100.0, 71.308},
            4,
            0.694,
            {0.0789, 0.0546, 0.1725, 0.694},
            0.015},
        // 36S named where 34S is enriched: collapsed onto a local minimum.
        StrandedFitCase{
            "WrongIsotopeC1H67S18",
            "C1H67S18",
            1,
            2,
            655.0209864200909,
            {0.193, 0.449, 8.851, 10.784, 100.0, 21.27, 75.236, 12.6, 27.488, 4.033, 6.371, 0.845},
            4,
            0.91,
            {0.0407, 0.0445, 0.89, 0.0248},
            0.005},
        // 34S named where 33S is enriched: a local minimum near pure 34S.
        StrandedFitCase{"WrongIsotopeHS4",
                        "HS4",
                        1,
                        4,
                        128.895556420091,
                        {0.0, 0.008, 0.443, 10.849, 100.0, 10.194, 0.821, 5.273, 0.404, 0.016, 0.104, 0.005},
                        3,
                        0.85,
                        {0.0256, 0.938, 0.024, 0.0124},
                        0.005}),
    [](const ::testing::TestParamInfo<StrandedFitCase>& test) { return std::string(test.param.name); });

TEST_F(EnrichmentFitCommand, ANoisySpectrumEndsAtItsOptimumWithoutAskingUntilTheLimit) {
    // Three 13C at 0.75 in naphthalene (3.437, 31.2, 95.189, 100, 7.348, 0.239,
    // 0.004 from [A+0]), each intensity scaled by 1.03, 0.97, 1.02, 0.98, 1.04,
    // 0.96, 1.01 and the largest set back to 100. A scan of the 13C FA in steps
    // of 1e-6 puts the least SSR, 6.16599, at 0.744862: no FA reaches 0.1, and the
    // plain search asked every 20 cycles until told No.
    const Spectrum exact = LabelledSpectrum("C10H8", 1, "C", 3, {0.75}, 0);
    Form("C10H8");
    Detail("C", 3, exact.firstMz);
    Peaks({3.612, 30.882, 99.074, 100, 7.798, 0.234, 0.004});
    port.AnswerUntil(1000);
    port.ExpectMessageContaining("The fit can improve no further.");
    Run();

    ASSERT_FALSE(document.readyForCalculation);
    ExpectFAs({0.255138, 0.744862}, 2e-6);
    EXPECT_NEAR(document.state.spectrum.fitResidual, 6.16599, 1e-5);
    const int cycles = document.state.spectrum.fitCycleCount;
    EXPECT_LT(cycles, 1000);
    EXPECT_EQ(document.state.spectrum.fitEnd, core::SearchEnd::CannotImprove);
    // Every question came before the end, none after; then the notice, shaped
    // like the question.
    EXPECT_EQ(port.questions.size(), static_cast<std::size_t>((cycles - 1) / core::kCyclesPerQuestion));
    ASSERT_EQ(port.notices.size(), 1u);
    const port::MessageRequest& notice = port.notices[0];
    EXPECT_EQ(notice.text, "After " + std::to_string(cycles) +
                               " trial cycles,\r\nthe smallest sum of squares of the residuals is 6.1660.\r\n"
                               "The fit can improve no further.");
    EXPECT_EQ(notice.buttons, port::MessageButtons::Ok);
    EXPECT_EQ(notice.modality, port::MessageModality::System);
}

}  // namespace
}  // namespace tarnevo::calc

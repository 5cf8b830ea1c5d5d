// Drives the enrichment-fit type of the Isotope Labelling Effects command
// through a scripted user interface. The recovery cases feed it spectra made by
// the labelled-pattern type itself from a known enrichment (two-, three- and
// four-isotope elements, from [A+0] and from a later peak) and expect that
// enrichment back; the 20-cycle question is answered Yes, then No, on a spectrum
// no enrichment can match; the refusals end or retry as the dialog order says.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <memory>
#include <regex>
#include <vector>

#include "calc/labelling_command.h"
#include "calc/labelling_input.h"
#include "calc/peak_input.h"
#include "tests/support/command_fixture.h"
#include "tests/support/scripted_port.h"

namespace tarnevo::calc {
namespace {

constexpr const char* kForm = "Calculations Involving Labelled Atoms";
constexpr const char* kDetail = "Enrichment Details";
constexpr const char* kPeaks = "Peaks in the Mass Spectrum";
constexpr const char* kMaxEnrichment = "Estimate of Maximum Enrichment";

// A scripted port that also answers the search's Yes/No questions from a list
// (Yes once the list is used up) and keeps their texts.
class FitPort : public testing::ScriptedPort {
public:
    std::deque<dialogs::MessageAnswer> answers;
    std::vector<dialogs::MessageRequest> questions;

    dialogs::MessageAnswer ShowMessage(const dialogs::MessageRequest& request) override {
        if (request.buttons != dialogs::MessageButtons::YesNo) return ScriptedPort::ShowMessage(request);
        questions.push_back(request);
        if (answers.empty()) return dialogs::MessageAnswer::Yes;
        const dialogs::MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

struct Spectrum {
    double firstMz = 0.0;
    std::vector<double> intensity;
};

// The pattern of formula with atoms of symbol at the enriched FAs (heavy ones
// by ascending mass), from the labelled-pattern calculation, as relative
// intensities of twelve peaks from [A+offset].
Spectrum LabelledSpectrum(const std::string& formula, int charge, const std::string& symbol, int atoms,
                          std::vector<double> heavy, int offset) {
    auto program = std::make_unique<core::ProgramContext>();
    results::ViewState view;
    results::Document document;
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
                                                  return dialogs::DialogAnswer::Ok;
                                              });
    CommandContext context{*program, view, document, port};
    RunLabellingCommand(context);
    const results::CalculationState& state = document.state;
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
            return dialogs::DialogAnswer::Ok;
        });
    }
    void Peaks(const std::vector<double>& intensity) {
        port.ExpectDialog<PeakInput>(kPeaks, [intensity](PeakInput& input) {
            for (std::size_t k = 0; k < intensity.size(); ++k) input.intensity[k] = intensity[k];
            return dialogs::DialogAnswer::Ok;
        });
    }
    void MaxEnrichment(int isotope, double estimate) {
        port.ExpectDialogEntries(
            kMaxEnrichment, {{"isotope", std::to_string(isotope)}, {"estimate", std::to_string(estimate)}});
    }
    void ExpectFAs(const std::vector<double>& expected, double tolerance) {
        const results::CalculationState& state = document.state;
        ASSERT_FALSE(document.readyForCalculation);
        ASSERT_EQ(state.details.lastIsotopeIndex[0] + 1, static_cast<int>(expected.size()));
        double sum = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NEAR(state.details.isotopeFA[i], expected[i], tolerance) << "isotope " << i;
            sum += state.details.isotopeFA[i];
        }
        EXPECT_NEAR(sum, 1.0, 1e-12);
    }
    void ExpectRefusal(const std::string& text, dialogs::MessageAnswer answer = dialogs::MessageAnswer::Ok) {
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
    const results::CalculationState& state = document.state;
    EXPECT_EQ(state.calcKind, results::CalcKind::EnrichmentFromSpectrum);
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
    port.answers = {dialogs::MessageAnswer::Yes, dialogs::MessageAnswer::No};
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
    EXPECT_EQ(port.questions[0].icon, dialogs::MessageIcon::Question);
    EXPECT_EQ(port.questions[0].modality, dialogs::MessageModality::System);
    // The best SSR never rises; the stored residual is the one last asked about.
    EXPECT_LE(std::stod(second[2]), std::stod(first[2]));
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_NEAR(document.state.spectrum.fitResidual, std::stod(second[2]), 0.00005);
    EXPECT_EQ(document.state.spectrum.expPeakCount, 3);
    EXPECT_EQ(document.state.spectrum.expIntensity[1], 0.0);
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
    ExpectRefusal("Error - Your element is monoisotopic and cannot be enriched!",
                  dialogs::MessageAnswer::Retry);
    port.ExpectDialog<EnrichmentDetailInput>(kDetail, [](EnrichmentDetailInput& input) {
        EXPECT_EQ(input.symbol, "F");
        EXPECT_EQ(input.atoms, 1);
        EXPECT_EQ(input.firstPeakMz, 96.0);
        input.atoms = 6;
        input.symbol = "H";
        return dialogs::DialogAnswer::Ok;
    });
    ExpectRefusal(
        "Error - Either the number of enriched atoms is too large,\r\n"
        "or your molecular formula does not contain this element!",
        dialogs::MessageAnswer::Cancel);
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
    const results::CalculationState fresh = document.state;

    // Leave an odd light FA for Jx behind, as a labelled pattern would.
    auto other = std::make_unique<core::ProgramContext>();
    other->elements.faPool[core::naturalFACount] = 1e-9;
    other->elements.faPool[core::naturalFACount + 1] = 1.0;
    results::ViewState otherView;
    results::Document otherDocument;
    FitPort otherPort;
    otherPort.ExpectDialogEntries(kForm, {{"formula", "C6H6"}, {"charge", "1"}, {"type", "1"}});
    otherPort.ExpectDialogEntries(
        kDetail, {{"symbol", "C"}, {"atoms", "2"}, {"mz", std::to_string(spectrum.firstMz)}});
    otherPort.ExpectDialog<PeakInput>(kPeaks, [&](PeakInput& input) {
        for (std::size_t k = 0; k < 12; ++k) input.intensity[k] = spectrum.intensity[k];
        return dialogs::DialogAnswer::Ok;
    });
    CommandContext otherContext{*other, otherView, otherDocument, otherPort};
    RunLabellingCommand(otherContext);
    EXPECT_EQ(otherDocument.state.details.isotopeFA[0], fresh.details.isotopeFA[0]);
    EXPECT_EQ(otherDocument.state.spectrum.fitResidual, fresh.spectrum.fitResidual);
}

}  // namespace
}  // namespace tarnevo::calc

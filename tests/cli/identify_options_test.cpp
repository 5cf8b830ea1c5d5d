// Pins how tarnevo-cli identify turns its options into the engine's question,
// and that each bad option is a usage error (status 64) whose message names
// the option and the value, before any peak is read or scored. The accepted
// cases check the query field by field against what the option says; the
// refused ones check the first line of standard error and that nothing
// reached standard output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/identify_options.h"
#include "core/formula_parser.h"
#include "tests/support/cli_run.h"

namespace tarnevo::cli {
namespace {

using tarnevo::testing::ExpectRefusal;
using tarnevo::testing::RefusalCase;

// The options as the command line's parser leaves them.
Arguments Options(const std::vector<std::pair<std::string, std::string>>& values,
                  const std::vector<std::string>& flags = {}) {
    Arguments arguments;
    for (const auto& [name, value] : values) arguments.values.emplace(name, value);
    for (const std::string& flag : flags) arguments.flags.insert(flag);
    return arguments;
}

int Element(const char* symbol) { return core::LookupSymbolText(symbol, 0); }

TEST(IdentifyOptions, WithoutOptionsTheEngineDefaultsHold) {
    const IdentifyRequestParse parse = ReadIdentifyRequest({});
    ASSERT_EQ(parse.problem, "");
    const core::IdentifyQuery& query = parse.request.query;
    EXPECT_EQ(query.charge, 0);  // read from the spacing
    EXPECT_EQ(query.polarity, 1);
    EXPECT_TRUE(query.ionTypes.empty());
    EXPECT_TRUE(query.elements.empty());
    EXPECT_EQ(query.ppm, core::kDefaultIdentifyPpm);
    EXPECT_EQ(query.power.resolution, core::kDefaultIdentifyResolvingPower);
    EXPECT_EQ(query.power.model, core::ResolvingPowerModel::Constant);
    EXPECT_TRUE(query.rules.ringsPlusDoubleBonds && query.rules.elementRatios && query.rules.lewisSenior);
    EXPECT_EQ(query.rules.ratioLevel, core::RatioLevel::KnownCompounds9999);
    EXPECT_EQ(parse.request.top, kDefaultIdentifyTop);
}

TEST(IdentifyOptions, EachOptionReachesItsPartOfTheQuery) {
    const IdentifyRequestParse parse = ReadIdentifyRequest(Options({{"charge", "-2"},
                                                                    {"element", "C"},
                                                                    {"element", "H:2:"},
                                                                    {"element", "Cl:1:4"},
                                                                    {"element", "S:0"},
                                                                    {"ppm", "2.5"},
                                                                    {"resolution", "140000"},
                                                                    {"at", "400"},
                                                                    {"no-filter", "rdbe"},
                                                                    {"no-filter", "lewis-senior"},
                                                                    {"top", "3"}},
                                                                   {"orbitrap", "strict-ratios"}));
    ASSERT_EQ(parse.problem, "");
    const core::IdentifyQuery& query = parse.request.query;
    EXPECT_EQ(query.charge, -2);
    EXPECT_EQ(query.polarity, -1);
    ASSERT_EQ(query.elements.size(), 4u);
    // SYM alone is 0 to what fits (-1); SYM:MIN: and SYM:MIN leave the maximum open.
    const std::vector<std::tuple<int, int, int>> rows = {
        {Element("C"), 0, -1}, {Element("H"), 2, -1}, {Element("Cl"), 1, 4}, {Element("S"), 0, -1}};
    for (std::size_t k = 0; k < rows.size(); ++k) {
        EXPECT_EQ(query.elements[k].element, std::get<0>(rows[k])) << k;
        EXPECT_EQ(query.elements[k].minimum, std::get<1>(rows[k])) << k;
        EXPECT_EQ(query.elements[k].maximum, std::get<2>(rows[k])) << k;
    }
    EXPECT_EQ(query.ppm, 2.5);
    EXPECT_EQ(query.power.resolution, 140000.0);
    EXPECT_EQ(query.power.model, core::ResolvingPowerModel::Orbitrap);
    EXPECT_EQ(query.power.referenceMz, 400.0);
    EXPECT_FALSE(query.rules.ringsPlusDoubleBonds);
    EXPECT_TRUE(query.rules.elementRatios);
    EXPECT_FALSE(query.rules.lewisSenior);
    EXPECT_EQ(query.rules.ratioLevel, core::RatioLevel::KnownCompounds997);
    EXPECT_EQ(parse.request.top, 3u);
}

// The ion types fix the charge when --charge is not given, so that a single
// measured peak of a known ion type needs no spacing to read.
TEST(IdentifyOptions, AnInstrumentSetsItsModelAndAccuracyBeforePpmAndPriors) {
    const IdentifyRequestParse qtof = ReadIdentifyRequest(Options({{"instrument", "q-tof"}}));
    ASSERT_EQ(qtof.problem, "");
    const core::InstrumentModel& row = core::InstrumentModelOf(core::Instrument::QTof);
    EXPECT_EQ(qtof.request.query.instrument, core::Instrument::QTof);
    EXPECT_EQ(qtof.request.query.ppm, row.windowPpm);
    EXPECT_EQ(qtof.request.query.errorModel.mzOffsetPpm, row.errorModel.mzOffsetPpm);
    EXPECT_TRUE(qtof.request.query.priors.ionTypes);
    EXPECT_FALSE(qtof.request.query.priors.elementRatios);
    // --ppm wins over the instrument's accuracy, whatever the order; --prior
    // and --no-prior switch each prior.
    const IdentifyRequestParse given = ReadIdentifyRequest(
        Options({{"ppm", "3"}, {"instrument", "orbitrap"}, {"prior", "ratios"}, {"no-prior", "ion-types"}}));
    ASSERT_EQ(given.problem, "");
    EXPECT_EQ(given.request.query.ppm, 3.0);
    EXPECT_TRUE(given.request.query.priors.elementRatios);
    EXPECT_FALSE(given.request.query.priors.ionTypes);
    EXPECT_EQ(ReadIdentifyRequest(Options({{"instrument", "qtof"}})).problem,
              "--instrument: orbitrap, ft-icr, q-tof, tof, it-tof or custom is required, not 'qtof'");
    EXPECT_EQ(ReadIdentifyRequest(Options({{"no-prior", "golden"}})).problem,
              "--no-prior: ratios or ion-types is required, not 'golden'");
}

TEST(IdentifyOptions, TheIonTypesGiveTheCharge) {
    const IdentifyRequestParse parse =
        ReadIdentifyRequest(Options({{"adduct", "[M-H]-"}, {"adduct", "[M+Cl]-"}}));
    ASSERT_EQ(parse.problem, "");
    EXPECT_EQ(parse.request.query.charge, -1);
    EXPECT_EQ(parse.request.query.polarity, -1);
    ASSERT_EQ(parse.request.query.ionTypes.size(), 2u);
    EXPECT_EQ(parse.request.query.ionTypes[0].text, "[M-H]-");
    EXPECT_EQ(parse.request.query.ionTypes[1].text, "[M+Cl]-");
}

TEST(IdentifyOptions, APolarityAloneLeavesTheChargeToThePeaks) {
    const IdentifyRequestParse parse = ReadIdentifyRequest(Options({{"polarity", "-"}}));
    ASSERT_EQ(parse.problem, "");
    EXPECT_EQ(parse.request.query.charge, 0);
    EXPECT_EQ(parse.request.query.polarity, -1);
}

TEST(IdentifyOptions, AllListsEveryCandidate) {
    const IdentifyRequestParse parse = ReadIdentifyRequest(Options({}, {"all"}));
    ASSERT_EQ(parse.problem, "");
    EXPECT_FALSE(parse.request.top.has_value());
}

TEST(IdentifyOptions, KeepTopCandidatesCutsTheListAndCountsIt) {
    core::IdentifyResult result;
    result.candidates.resize(5);
    EXPECT_EQ(KeepTopCandidates(result, 3), 5u);
    EXPECT_EQ(result.candidates.size(), 3u);
    EXPECT_EQ(KeepTopCandidates(result, std::nullopt), 3u);
    EXPECT_EQ(result.candidates.size(), 3u);
    EXPECT_EQ(KeepTopCandidates(result, 10), 3u);
    EXPECT_EQ(result.candidates.size(), 3u);
}

// ---- Refusals ----------------------------------------------------------------------

const std::vector<std::string> kPeaks = {"identify", "--peaks", "195.0877:100,196.0908:10.4"};

RefusalCase Usage(std::vector<std::string> extra, const std::string& firstLine) {
    std::vector<std::string> arguments = kPeaks;
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return {arguments, kExitUsage, firstLine};
}

class RefusedIdentifyOption : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusedIdentifyOption, IsAUsageErrorNamingTheOption) { ExpectRefusal(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Charge, RefusedIdentifyOption,
    ::testing::Values(Usage({"--charge", "x"}, "--charge: an integer from -30 to 30 is required, not 'x'"),
                      Usage({"--charge", "31"}, "--charge: an integer from -30 to 30 is required, not '31'"),
                      Usage({"--charge", "1.5"},
                            "--charge: an integer from -30 to 30 is required, not '1.5'"),
                      Usage({"--charge", "0"},
                            "--charge: 0 is no ion's charge; leave --charge out to read the charge from the "
                            "spacing of the peaks"),
                      Usage({"--polarity", "positive"}, "--polarity: + or - is required, not 'positive'"),
                      Usage({"--charge", "1", "--polarity", "-"},
                            "--polarity - disagrees with --charge 1; give one or the other"),
                      Usage({"--adduct", "[M-H]-", "--polarity", "+"},
                            "--polarity + disagrees with the charge of [M-H]-; give one or the other")));

INSTANTIATE_TEST_SUITE_P(
    IonTypes, RefusedIdentifyOption,
    ::testing::Values(
        Usage({"--adduct", "[M+Na]+", "--charge", "2"},
              "--charge 2 disagrees with the charge of [M+Na]+ (+); give one or the other"),
        Usage({"--adduct", "[M+H]+", "--adduct", "[M+2H]2+"},
              "--adduct [M+H]+ carries charge 1 and --adduct [M+2H]2+ charge 2: the ion types of one "
              "identification carry one charge")));

INSTANTIATE_TEST_SUITE_P(
    Elements, RefusedIdentifyOption,
    ::testing::Values(
        Usage({"--element", "Xy"}, "--element: 'Xy' is no element symbol"),
        Usage({"--element", "Jx"},
              "--element: Jx is a user-defined element; identify searches the natural elements, whose exact "
              "masses it knows"),
        Usage({"--element", ":1:2"},
              "an element is written SYM[:MIN[:MAX]], e.g. --element C:0:30 (no MAX: as many as fit)"),
        Usage({"--element", "C:1:2:3"},
              "an element is written SYM[:MIN[:MAX]], e.g. --element C:0:30 (no MAX: as many as fit)"),
        Usage({"--element", "C:-1"}, "--element: a count is a whole number from 0 to 20000, not '-1'"),
        Usage({"--element", "C:0:20001"},
              "--element: a count is a whole number from 0 to 20000, not '20001'"),
        Usage({"--element", "C:5:2"}, "--element C:5:2: the maximum is below the minimum"),
        // formulas reads a MAX of 0 as "as many as fit"; here it is refused
        // rather than taken to mean no atoms of the element.
        Usage({"--element", "C:0:0"},
              "--element C:0:0: a MAX of 0 allows no C; leave MAX out (C:0:) for as many as fit"),
        Usage({"--element", "C", "--element", "H", "--element", "C:1:3"}, "--element: C is given twice"),
        Usage({"--element", "C", "--element", "H", "--element", "N", "--element", "O", "--element", "P",
               "--element", "S", "--element", "Cl", "--element", "Br", "--element", "F"},
              "at most 8 --element options")));

INSTANTIATE_TEST_SUITE_P(
    AccuracyPowerFiltersAndListing, RefusedIdentifyOption,
    ::testing::Values(Usage({"--ppm", "0"}, "--ppm: a number from 0.01 to 1000 is required, not '0'"),
                      Usage({"--ppm", "five"}, "--ppm: a number from 0.01 to 1000 is required, not 'five'"),
                      Usage({"--resolution", "10"},
                            "--resolution: a number from 100 to 10000000 is required, not '10'"),
                      Usage({"--orbitrap"}, "--orbitrap needs --resolution R"),
                      Usage({"--no-filter", "golden"},
                            "--no-filter: rdbe, ratios or lewis-senior is required, not 'golden'"),
                      Usage({"--no-filter", "ratios", "--strict-ratios"},
                            "--strict-ratios sharpens the filter that --no-filter ratios switches off"),
                      Usage({"--top", "0"},
                            "--top: a whole number from 1 to 1000000 is required, not '0' (--all lists every "
                            "candidate)"),
                      Usage({"--top", "5", "--all"}, "give at most one of --top and --all")));

INSTANTIATE_TEST_SUITE_P(
    Peaks, RefusedIdentifyOption,
    ::testing::Values(
        RefusalCase{
            {"identify"}, kExitUsage, "give the measured peaks: --peaks MZ:I,MZ:I,... or --peaks-file FILE"},
        RefusalCase{{"identify", "--peaks", "1:2", "--peaks-file", "x"},
                    kExitUsage,
                    "give one of --peaks and --peaks-file"},
        RefusalCase{
            {"identify", "--peaks", "195.0877"},
            kExitUsage,
            "--peaks: a peak is written MZ:I, e.g. --peaks 195.0877:100,196.0908:10.4; not '195.0877'"},
        RefusalCase{
            {"identify", "--peaks-file", "/nonexistent/peaks.txt"},
            kExitWriteFailed,
            "tarnevo-cli identify: the peaks file \"/nonexistent/peaks.txt\" could not be read: No such file "
            "or directory"}));

}  // namespace
}  // namespace tarnevo::cli

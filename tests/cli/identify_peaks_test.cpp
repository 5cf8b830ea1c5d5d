// Pins how tarnevo-cli identify reads measured peaks: --peaks MZ:I,... and a
// peaks file of two columns as instrument software copies them (blanks, tabs,
// commas or semicolons between, '#' comments, blank lines, one header line of
// words, CR LF line ends, a byte-order mark). Every line that is not one of
// these is refused with its number and what is wrong, never skipped or
// half-read: a skipped line would drop a peak, and the score would then judge
// a pattern that was never measured. The expectations are the texts the test
// writes, read back as numbers by hand.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/peak_list_text.h"
#include "tests/support/cli_run.h"

namespace tarnevo::cli {
namespace {

using Peaks = std::vector<core::MeasuredPeak>;

void ExpectPeaks(const Peaks& got, const Peaks& expected) {
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t k = 0; k < got.size(); ++k) {
        EXPECT_EQ(got[k].mz, expected[k].mz) << "peak " << k;
        EXPECT_EQ(got[k].intensity, expected[k].intensity) << "peak " << k;
    }
}

// ---- --peaks MZ:I,MZ:I,... ------------------------------------------------------

TEST(PeakOption, ReadsEachPairInTheOrderGiven) {
    const PeakListParse parse = ParsePeakOption("196.0908:10.4, 195.0877:100,197.0917:1.2e0");
    EXPECT_EQ(parse.problem, "");
    ExpectPeaks(parse.peaks, {{196.0908, 10.4}, {195.0877, 100.0}, {197.0917, 1.2}});
}

struct BadOption {
    const char* text;
    const char* echoed;  // the item the message repeats
};

void PrintTo(const BadOption& bad, std::ostream* out) { *out << '\'' << bad.text << '\''; }

class RefusedPeakOption : public ::testing::TestWithParam<BadOption> {};

// Every item must be exactly two numbers; the message repeats the one that is not.
TEST_P(RefusedPeakOption, NamesTheItem) {
    const PeakListParse parse = ParsePeakOption(GetParam().text);
    EXPECT_TRUE(parse.peaks.empty());
    EXPECT_EQ(parse.problem,
              std::string("--peaks: a peak is written MZ:I, e.g. --peaks 195.0877:100,196.0908:10.4; "
                          "not '") +
                  GetParam().echoed + "'");
}

INSTANTIATE_TEST_SUITE_P(EachFault, RefusedPeakOption,
                         ::testing::Values(BadOption{"", ""}, BadOption{"195.0877", "195.0877"},
                                           BadOption{"195.0877:100,", ""},
                                           BadOption{"195.0877:100:3", "195.0877:100:3"},
                                           BadOption{"195.0877:abc", "195.0877:abc"}, BadOption{"1,2:3", "1"},
                                           BadOption{"195.0877:nan", "195.0877:nan"},
                                           BadOption{"195,0877:100", "195"}, BadOption{"0x10:5", "0x10:5"}));

// ---- Peaks files ------------------------------------------------------------------

struct GoodFile {
    const char* name;
    const char* text;
};

void PrintTo(const GoodFile& file, std::ostream* out) { *out << file.name; }

class AcceptedPeakFile : public ::testing::TestWithParam<GoodFile> {};

// Each layout holds the same two peaks: 195.0877 at 100 and 196.0908 at 10.4.
TEST_P(AcceptedPeakFile, ReadsTheTwoPeaks) {
    const calc::PeakColumnsRead read = calc::ParsePeakColumns(GetParam().text, "f");
    EXPECT_EQ(read.outcome, calc::PeakColumnsOutcome::Read);
    EXPECT_EQ(read.problem, "");
    ExpectPeaks(read.peaks, {{195.0877, 100.0}, {196.0908, 10.4}});
}

INSTANTIATE_TEST_SUITE_P(
    EachLayout, AcceptedPeakFile,
    ::testing::Values(GoodFile{"blanks", "195.0877 100\n196.0908 10.4\n"},
                      GoodFile{"tabs", "195.0877\t100\n196.0908\t10.4"},
                      GoodFile{"commas", "195.0877,100\n196.0908,10.4\n"},
                      GoodFile{"semicolons", "195.0877;100\n196.0908;10.4\n"},
                      GoodFile{"mixedAndPadded", "  195.0877 ,\t100  \n196.0908;; 10.4\n"},
                      GoodFile{"crlf", "195.0877 100\r\n196.0908 10.4\r\n"},
                      GoodFile{"commentsAndBlankLines",
                               "# caffeine [M+H]+\n\n195.0877 100  # A+0\n   \n196.0908 10.4\n"},
                      GoodFile{"header", "m/z\tIntensity\n195.0877\t100\n196.0908\t10.4\n"},
                      GoodFile{"furtherColumns",
                               "m/z\tIntensity\tResolution\n195.0877\t100\t61234\n196.0908\t10.4\t60877\n"},
                      GoodFile{"quotedHeaderAfterComment",
                               "# export\n\"Mass\",\"Intensity\"\n195.0877,100\n196.0908,10.4\n"},
                      GoodFile{"byteOrderMark", "\xEF\xBB\xBFm/z,intensity\n195.0877,100\n196.0908,10.4\n"}),
    [](const ::testing::TestParamInfo<GoodFile>& param) { return std::string(param.param.name); });

struct BadFile {
    const char* name;
    const char* text;
    const char* problem;
};

void PrintTo(const BadFile& file, std::ostream* out) { *out << file.name; }

class RefusedPeakFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(RefusedPeakFile, NamesTheLineAndTheFault) {
    const calc::PeakColumnsRead read = calc::ParsePeakColumns(GetParam().text, "f");
    EXPECT_EQ(read.outcome, calc::PeakColumnsOutcome::BadLine);
    EXPECT_EQ(read.problem, std::string("f, ") + GetParam().problem);
    EXPECT_TRUE(read.peaks.empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachFault, RefusedPeakFile,
    ::testing::Values(
        BadFile{"oneColumn", "195.0877 100\n196.0908\n",
                "line 2: expected two columns, m/z and intensity, not 1 in '196.0908'"},
        // A decimal comma would split each number in two; the message says why.
        BadFile{"decimalComma", "195,0877;100\n",
                "line 1: '195,0877;100' writes a decimal comma; the decimal point is '.' (195.0877)"},
        BadFile{"decimalCommaTab", "195.0877 100\n196,0908\t10,4\n",
                "line 2: '196,0908\t10,4' writes a decimal comma; the decimal point is '.' (195.0877)"},
        BadFile{"wordForMz", "195.0877 100\nabc 10.4\n", "line 2: the m/z 'abc' is not a number"},
        BadFile{"wordForIntensity", "195.0877 100\n196.0908 ten\n",
                "line 2: the intensity 'ten' is not a number"},
        BadFile{"notANumber", "195.0877 nan\n", "line 1: the intensity 'nan' is not a number"},
        BadFile{"infinite", "inf 100\n", "line 1: the m/z 'inf' is not a number"},
        // Only one header, and only before the first peak: a second line of
        // words is a fault, not another header.
        BadFile{"secondHeader", "m/z intensity\nmass abundance\n195.0877 100\n",
                "line 2: the m/z 'mass' is not a number"},
        BadFile{"headerAfterPeaks", "195.0877 100\nm/z intensity\n",
                "line 2: the m/z 'm/z' is not a number"}),
    [](const ::testing::TestParamInfo<BadFile>& param) { return std::string(param.param.name); });

// An instrument's whole spectrum is no cluster. The file is read to its end
// (a bad line after the peaks is still told) and its peaks counted, not kept:
// the message gives the file's count, where the identification could only
// count the peaks it was handed.
TEST(PeakFile, CountsMorePeaksThanAClusterHoldsWithoutKeepingThem) {
    std::string text;
    for (int k = 0; k < 400; ++k) text += std::to_string(100 + k) + " 1\n";
    const calc::PeakColumnsRead read = calc::ParsePeakColumns(text, "the peaks file \"s.txt\"");
    EXPECT_EQ(read.outcome, calc::PeakColumnsOutcome::TooManyPeaks);
    EXPECT_EQ(read.problem,
              "the peaks file \"s.txt\" holds 400 peaks; give at most 30 peaks of one ion's cluster");
    EXPECT_TRUE(read.peaks.empty());
    EXPECT_EQ(calc::ParsePeakColumns(text + "x y\n", "f").problem,
              "f, line 401: the m/z 'x' is not a number");

    calc::PeakColumnParser parser;
    for (std::size_t line = 1; line <= 400; ++line) EXPECT_EQ(parser.Take("100 1", line), "");
    EXPECT_EQ(parser.Count(), 400u);
    EXPECT_EQ(parser.Peaks().size(), core::kMaxMeasuredPeaks + 1);
}

TEST(PeakFile, ReadsAFileAndNamesItInAProblem) {
    const std::string path = ::testing::TempDir() + "/tarnevo_peaks_" + std::to_string(getpid()) + ".txt";
    std::ofstream(path) << "195.0877 100\n196.0908 x\n";
    const calc::PeakColumnsRead read = ReadPeakFile(path);
    std::remove(path.c_str());
    EXPECT_EQ(read.outcome, calc::PeakColumnsOutcome::BadLine);
    EXPECT_EQ(read.problem, "the peaks file \"" + path + "\", line 2: the intensity 'x' is not a number");
}

// Too many peaks is the measurement's fault, refused as the identification
// refuses peaks (status 2); a line that is no peak is bad input (status 64).
TEST(PeakFile, TheCommandEndsAsTheFileWasRead) {
    const std::string path =
        ::testing::TempDir() + "/tarnevo_many_peaks_" + std::to_string(getpid()) + ".txt";
    std::string text;
    for (int k = 0; k < 40; ++k) text += std::to_string(100 + k) + " 1\n";
    std::ofstream(path) << text;
    const tarnevo::testing::CliRun many = tarnevo::testing::RunTool({"identify", "--peaks-file", path});
    std::ofstream(path) << "195.0877 100\n196.0908 x\n";
    const tarnevo::testing::CliRun bad = tarnevo::testing::RunTool({"identify", "--peaks-file", path});
    std::remove(path.c_str());
    EXPECT_EQ(many.status, kExitRefused);
    EXPECT_EQ(many.errors,
              "the peaks file \"" + path + "\" holds 40 peaks; give at most 30 peaks of one ion's cluster\n");
    EXPECT_EQ(bad.status, kExitUsage);
    EXPECT_EQ(bad.errors, "the peaks file \"" + path + "\", line 2: the intensity 'x' is not a number\n");
    EXPECT_EQ(many.out + bad.out, "");
}

TEST(PeakFile, AMissingFileIsUnreadableWithTheReason) {
    const calc::PeakColumnsRead read = ReadPeakFile("/nonexistent/peaks.txt");
    EXPECT_EQ(read.outcome, calc::PeakColumnsOutcome::Unreadable);
    EXPECT_EQ(read.problem,
              "the peaks file \"/nonexistent/peaks.txt\" could not be read: No such file or directory");
}

TEST(PeakFile, ADirectoryIsUnreadableNotEmpty) {
    const calc::PeakColumnsRead read = ReadPeakFile(::testing::TempDir());
    EXPECT_EQ(read.outcome, calc::PeakColumnsOutcome::Unreadable);
    EXPECT_NE(read.problem.find("could not be read: Is a directory"), std::string::npos) << read.problem;
}

}  // namespace
}  // namespace tarnevo::cli

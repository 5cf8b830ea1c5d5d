// Pins the order of what tarnevo-cli formulas writes to standard output when
// the report goes there too (--report -): the page, JSON or CSV first, then
// the report, as every other command does. The page is gathered in the
// command's output buffer and the report written to the descriptor, so only
// the built program run with a real standard output can show the order.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <array>
#include <ostream>
#include <string>

namespace tarnevo::testing {
namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
};

ProgramRun RunProgram(const std::string& arguments) {
    const std::string command = "'" TARNEVO_CLI_PATH "' " + arguments + " 2>/dev/null";
    ProgramRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 4096> chunk{};
    for (std::size_t got; (got = fread(chunk.data(), 1, chunk.size(), pipe)) > 0;)
        run.out.append(chunk.data(), got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

struct OrderCase {
    const char* output;  // the options that choose what is printed
    const char* start;   // how standard output must begin
};

void PrintTo(const OrderCase& order, std::ostream* out) { *out << '\'' << order.output << '\''; }

class FormulasReportToStandardOutput : public ::testing::TestWithParam<OrderCase> {};

TEST_P(FormulasReportToStandardOutput, ComesAfterTheResults) {
    const OrderCase& order = GetParam();
    const ProgramRun run =
        RunProgram("formulas 200 --element C --element H " + std::string(order.output) + " --report -");
    ASSERT_EQ(run.status, 0);
    const std::size_t report = run.out.find("TARNEVO Formula Estimation Data");
    ASSERT_NE(report, std::string::npos) << run.out;
    EXPECT_EQ(run.out.rfind(order.start, 0), 0u) << run.out;
    EXPECT_NE(run.out.substr(0, report).find("C6H127"), std::string::npos) << run.out;
}

constexpr const char* kJsonStart = "{\"target\": 200";
constexpr const char* kCsvStart = "formula,mz,errorPpm,electronClass,dbe\nC6H127,";
constexpr const char* kPageStart = "       ***** Results for Ion Formulae";

INSTANTIATE_TEST_SUITE_P(Outputs, FormulasReportToStandardOutput,
                         ::testing::Values(OrderCase{"--json", kJsonStart},
                                           OrderCase{"--all --json", kJsonStart},
                                           OrderCase{"--csv", kCsvStart}, OrderCase{"--all --csv", kCsvStart},
                                           OrderCase{"", kPageStart}, OrderCase{"--all", kPageStart}));

}  // namespace
}  // namespace tarnevo::testing

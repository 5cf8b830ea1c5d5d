// Pins the charge of a formula search on the command line: a row's default
// maximum follows the ion's mass, m/z x |z|, at every charge, so that a doubly
// charged C333 is found from its m/z as the ion type [M]2+ finds it; and
// --charge takes the ion types' range, -30 to 30, where it stopped at 10 while
// --adduct '[M+Na]30+' was taken. The m/z of each ion is worked by hand from
// C 12 u and the electron's 0.000548579909 u.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli.h"
#include "tests/support/cli_run.h"

namespace tarnevo::testing {
namespace {

bool Holds(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Regression: the maximum of C came from m/z 1998 alone, trunc(1998 / 12) =
// 166, and a search at charge 2 found nothing.
TEST(FormulasCharge, ADefaultMaximumFollowsTheIonMassAtEitherSign) {
    // The ion weighs 2 x 1998 = 3996 u: 333 C. C333 lies at (3996 - 2 me) / 2
    // = 1997.99945 at charge 2 and at (3996 + 2 me) / 2 = 1998.00055 at -2,
    // both within 0.01 of 1998.
    for (const char* charge : {"2", "-2"}) {
        const CliRun run =
            RunTool({"formulas", "1998", "--charge", charge, "--tol", "0.01", "--element", "C", "--json"});
        ASSERT_EQ(run.status, cli::kExitOk) << run.errors;
        EXPECT_TRUE(Holds(run.out, R"("elements": [{"symbol": "C", "min": 0, "max": 333}])")) << run.out;
        EXPECT_TRUE(Holds(run.out, R"("formulaCount": 1,)")) << run.out;
        EXPECT_TRUE(Holds(run.out, R"({"formula": "C333", "counts": [333],)")) << run.out;
    }
    // The ion type of the same ion finds the same molecule.
    const CliRun typed =
        RunTool({"formulas", "1998", "--adduct", "[M]2+", "--tol", "0.01", "--element", "C", "--json"});
    ASSERT_EQ(typed.status, cli::kExitOk) << typed.errors;
    EXPECT_TRUE(Holds(typed.out, R"("formula": "C333")")) << typed.out;
}

// Regression: --charge stopped at 10 (the desktop dialog's range) while an
// ion type could state 30.
TEST(FormulasCharge, TakesEveryChargeAnIonTypeMayState) {
    // C100 at charge 11: (1200 - 11 me) / 11 = 109.09036; the ion of m/z
    // 109.091 weighs 1200.001 u, room for 100 C.
    const CliRun eleven =
        RunTool({"formulas", "109.091", "--charge", "11", "--tol", "0.01", "--element", "C", "--json"});
    ASSERT_EQ(eleven.status, cli::kExitOk) << eleven.errors;
    EXPECT_TRUE(Holds(eleven.out, R"("charge": 11,)")) << eleven.out;
    EXPECT_TRUE(Holds(eleven.out, R"({"formula": "C100", "counts": [100], "mz": 109.0903605)")) << eleven.out;
    // C300 at charge 30: (3600 - 30 me) / 30 = 119.99945; at -30 120.00055.
    for (const char* charge : {"30", "-30"}) {
        const CliRun run =
            RunTool({"formulas", "120", "--charge", charge, "--tol", "0.01", "--element", "C"});
        ASSERT_EQ(run.status, cli::kExitOk) << run.errors;
        EXPECT_TRUE(Holds(run.out, "C300 ")) << run.out;
    }
}

// One limit, named alike by --charge and --adduct; 0 stays the calculation's
// own refusal.
class FormulasChargeRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(FormulasChargeRefusal, NamesTheLimit) { ExpectRefusal(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    BeyondThirtyOrZero, FormulasChargeRefusal,
    ::testing::Values(
        RefusalCase{{"formulas", "120", "--charge", "31", "--element", "C"},
                    cli::kExitUsage,
                    "--charge: an integer from -30 to 30 is required, not '31'"},
        RefusalCase{{"formulas", "120", "--charge", "-31", "--element", "C"},
                    cli::kExitUsage,
                    "--charge: an integer from -30 to 30 is required, not '-31'"},
        RefusalCase{{"formulas", "120", "--adduct", "[M+H]31+", "--element", "C"},
                    cli::kExitUsage,
                    "--adduct: Ion type '[M+H]31+' has the charge '31+'; its size must be from 1 to 30."},
        RefusalCase{{"formulas", "120", "--charge", "0", "--element", "C"},
                    cli::kExitRefused,
                    "Error - The ionic charge cannot be zero!"}));

}  // namespace
}  // namespace tarnevo::testing

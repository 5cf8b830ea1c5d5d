// Pins how the command line finds the answer to a dialog: by the record's type
// and subject, never by its caption. The user-defined element dialog of Jx and
// the formula search's Jx dialog share the caption "Data for User Defined
// ELEMENT Jx", and every enriched element's two dialogs share theirs, so a
// caption lookup would hand one dialog's entries to another.
#include <gtest/gtest.h>

#include <sstream>

#include "calc/labelling_input.h"
#include "calc/user_element_input.h"
#include "cli/cli_port.h"

namespace tarnevo::cli {
namespace {

using port::DialogAnswer;

TEST(CliPortDialogs, TwoRecordTypesWithOneCaptionTakeTheirOwnAnswers) {
    std::ostringstream errors;
    CliPort port(errors);
    calc::UserElementInput isotopes(core::kFirstUserElement);
    calc::FormulaElementInput jx;
    ASSERT_EQ(isotopes.Caption(), jx.Caption());

    port.Answer(DialogOf<calc::FormulaElementInput>(), {{"mass", "3.5"}, {"valence", "2"}});
    EXPECT_EQ(port.RunDialog(jx), DialogAnswer::Ok);
    EXPECT_DOUBLE_EQ(jx.exactMass, 3.5);
    EXPECT_EQ(jx.valence, 2);

    EXPECT_EQ(port.RunDialog(isotopes), DialogAnswer::Cancel);
    EXPECT_EQ(errors.str(), "No input was given for \"Data for User Defined ELEMENT Jx\".\n");
}

TEST(CliPortDialogs, PerElementDialogsAreAnsweredByTheirSubject) {
    std::ostringstream errors;
    CliPort port(errors);
    port.Answer(DialogOf<calc::EnrichedElementInput>(2), {{"symbol", "N"}, {"atoms", "3"}});
    calc::EnrichedElementInput first(1);
    calc::EnrichedElementInput second(2);
    EXPECT_EQ(port.RunDialog(second), DialogAnswer::Ok);
    EXPECT_EQ(second.symbol, "N");
    EXPECT_EQ(second.atoms, 3);
    EXPECT_EQ(port.RunDialog(first), DialogAnswer::Cancel);
    EXPECT_TRUE(first.symbol.empty());
}

TEST(CliPortDialogs, AnUnansweredTypeGetsItsOwnMessageAndExpectedDialogsAreTracked) {
    std::ostringstream errors;
    CliPort port(errors);
    port.WhenUnanswered<calc::UserElementInput>(
        [](const port::InputRecord& record) { return "define " + std::to_string(record.Subject()); });
    port.ExpectAsked(DialogOf<calc::UserElementInput>(core::kFirstUserElement + 1), "Jy was never asked");
    calc::UserElementInput jx(core::kFirstUserElement);
    EXPECT_EQ(port.RunDialog(jx), DialogAnswer::Cancel);
    EXPECT_EQ(errors.str(), "define " + std::to_string(core::kFirstUserElement) + "\n");
    EXPECT_EQ(port.UnaskedComplaint(), "Jy was never asked");
}

}  // namespace
}  // namespace tarnevo::cli

// Pins the shared field validation that every dialog and the command line use:
// what text is accepted into a field and the standard message otherwise.
#include <gtest/gtest.h>

#include "calc/cluster_form_input.h"
#include "calc/user_element_input.h"

namespace tarnevo::calc {
namespace {

const std::string kLongFormula(129, 'C');

struct EntryCase {
    const char* key;
    const char* text;
    const char* message;  // empty: accepted
};

void PrintTo(const EntryCase& entry, std::ostream* out) {
    *out << entry.key << "=\"" << std::string(entry.text).substr(0, 20) << "\"";
}

class ClusterFormEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ClusterFormEntry, IsAcceptedOrRefusedWithTheStandardMessage) {
    ClusterFormInput form;
    const auto field = port::FindField(form, GetParam().key);
    ASSERT_TRUE(field.has_value());
    const std::string before = port::FieldText(*field);
    const auto refusal = port::AssignFieldText(*field, GetParam().text);
    if (std::string(GetParam().message).empty()) {
        EXPECT_FALSE(refusal.has_value()) << *refusal;
    } else {
        ASSERT_TRUE(refusal.has_value());
        EXPECT_EQ(*refusal, GetParam().message);
        EXPECT_EQ(port::FieldText(*field), before);  // a refused entry changes nothing
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ClusterFormEntry,
    ::testing::Values(EntryCase{"charge", "30", ""}, EntryCase{"charge", "-30", ""},
                      EntryCase{"charge", " 2 ", ""},
                      EntryCase{"charge", "31", "Please enter an integer between -30 and 30."},
                      EntryCase{"charge", "-31", "Please enter an integer between -30 and 30."},
                      EntryCase{"charge", "1.5", "Please enter an integer."},
                      EntryCase{"charge", "", "Please enter an integer."},
                      EntryCase{"charge", "99999999999999999999", "Please enter an integer."},
                      EntryCase{"stop", "0.99999", ""}, EntryCase{"stop", "0.5", ""},
                      EntryCase{"stop", "1.0", "Please enter a number between 0.5 and 0.99999."},
                      EntryCase{"stop", "0.4", "Please enter a number between 0.5 and 0.99999."},
                      EntryCase{"stop", "nan", "Please enter a number."},
                      EntryCase{"stop", "0,9", "Please enter a number."}, EntryCase{"formula", "C6H6", ""},
                      EntryCase{"formula", kLongFormula.c_str(),
                                "Please enter no more than 128 characters."}));

TEST(FieldValidation, TheIsotopeDialogRefusesItsUntouchedMass) {
    UserElementInput input(84);
    EXPECT_EQ(input.Caption(), "Data for User Defined ELEMENT Jx");
    EXPECT_EQ(UserElementInput(89).Caption(), "Data for User Defined ELEMENT Qz");
    const auto refusal = port::ValidateRecord(input);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->index, 0u);
    EXPECT_EQ(refusal->message, "Please enter a number between 1 and 300.");
    const auto delta = port::FindField(input, "delta9");
    ASSERT_TRUE(delta.has_value());
    EXPECT_EQ(port::AssignFieldText(*delta, "26").value_or(""), "Please enter an integer between 0 and 25.");
    EXPECT_EQ(port::AssignFieldText(*port::FindField(input, "fa1"), "1").value_or(""),
              "Please enter a number between 0 and 0.99999.");
}

TEST(FieldValidation, NumbersAreShownAsTheDialogWritesThem) {
    ClusterFormInput form;
    EXPECT_EQ(port::FieldText(*port::FindField(form, "stop")), "0.9999");
    EXPECT_EQ(port::FieldText(*port::FindField(form, "charge")), "1");
    EXPECT_EQ(port::FieldText(*port::FindField(form, "reminder")), "1");
}

}  // namespace
}  // namespace tarnevo::calc

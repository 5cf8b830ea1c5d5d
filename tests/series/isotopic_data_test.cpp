// Pins Display Isotopic Data: which element is accepted, and the isotope list it
// stores. The expected isotopes are the tabulated natural data typed in here by
// mass number (not read back from the element table), so a wrong reordering, a
// lost lightest isotope or a mass paired with the wrong FA shows up; the symbol
// refusals and the Retry loop are driven through the scripted port exactly as a
// user would meet them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/isotope_display_input.h"
#include "calc/isotopic_data_command.h"
#include "tests/support/command_fixture.h"

namespace tarnevo::testing {
namespace {

using calc::IsotopeDisplayInput;
using output::CalcKind;

constexpr const char* kCaption = "Elemental Isotopic Display";
constexpr const char* kSymbolError = "Symbol Entry Error";
constexpr const char* kFileNewFirst = "Click 'File, New' (Ctrl+N) before another calculation!";

struct Isotope {
    int massNumber;
    double mass;
    double fa;
};

struct ElementCase {
    const char* symbol;
    std::vector<Isotope> isotopes;  // by increasing mass number
};

void PrintTo(const ElementCase& element, std::ostream* out) { *out << element.symbol; }

class IsotopicData : public CommandFixture {
protected:
    // The dialog opens with an empty symbol and the box from the view; OK with text.
    void ExpectSymbolEntry(std::string symbol, bool reminderPreset, bool reminder = false) {
        port.ExpectDialog<IsotopeDisplayInput>(
            kCaption, [symbol, reminderPreset, reminder](IsotopeDisplayInput& input) {
                EXPECT_EQ(input.symbol, "");
                EXPECT_EQ(input.saveReminder, reminderPreset);
                input.symbol = symbol;
                input.saveReminder = reminder;
                return DialogAnswer::Ok;
            });
    }
    void ExpectSymbolError(MessageAnswer answer) {
        port.ExpectMessage(kSymbolError, MessageButtons::RetryCancel, MessageIcon::Exclamation,
                           MessageModality::System, answer);
    }
};

class IsotopeList : public IsotopicData, public ::testing::WithParamInterface<ElementCase> {};

TEST_P(IsotopeList, IsStoredByIncreasingMassNumber) {
    const ElementCase& element = GetParam();
    ExpectSymbolEntry(element.symbol, true, true);
    calc::RunDisplayIsotopicData(context);

    const output::CalculationState& state = State();
    ASSERT_FALSE(document.readyForCalculation);
    EXPECT_EQ(state.calcKind, CalcKind::IsotopicData);
    EXPECT_EQ(state.elementSymbol, element.symbol);
    EXPECT_TRUE(document.saveReminder);
    EXPECT_TRUE(document.IsModified());
    const int last = static_cast<int>(element.isotopes.size()) - 1;
    ASSERT_EQ(state.details.lastIsotopeIndex[0], last);
    EXPECT_EQ(state.isotopes.isotopeBase, element.isotopes[0].massNumber);
    for (int i = 0; i <= last; ++i) {
        const Isotope& expected = element.isotopes[i];
        EXPECT_EQ(state.isotopes.isotopeBase + state.details.isotopeMassNumber[i], expected.massNumber)
            << "isotope " << i;
        EXPECT_EQ(state.isotopes.isotopeMass[i], expected.mass) << expected.massNumber;
        EXPECT_EQ(state.isotopes.isotopeFAList[i], expected.fa) << expected.massNumber;
    }
}

INSTANTIATE_TEST_SUITE_P(
    NaturalElements, IsotopeList,
    ::testing::Values(
        // Offsets 0 and 2 from the base 35.
        ElementCase{"Cl", {{35, 34.96885, 0.7576}, {37, 36.9659, 0.2424}}},
        // Stored by decreasing FA (112 first as the lightest, then 120, 118, 116,
        // ...); listed here by mass number.
        ElementCase{"Sn",
                    {{112, 111.90482, 0.0097},
                     {114, 113.90278, 0.0066},
                     {115, 114.90335, 0.0034},
                     {116, 115.90175, 0.1454},
                     {117, 116.90296, 0.0768},
                     {118, 117.90161, 0.2422},
                     {119, 118.90331, 0.0859},
                     {120, 119.9022, 0.3258},
                     {122, 121.90344, 0.0463},
                     {124, 123.90527, 0.0579}}},
        // Monoisotopic: one entry with FA 1.
        ElementCase{"Na", {{23, 22.98977, 1.0}}},
        // The largest heavy isotope (delta 2) is also the most abundant one.
        ElementCase{"Ar", {{36, 35.96755, 0.00337}, {38, 37.96273, 0.00063}, {40, 39.96238, 0.996}}}),
    [](const auto& named) { return std::string(named.param.symbol); });

// Texts that are not exactly one natural element's symbol.
class SymbolRefusal : public IsotopicData, public ::testing::WithParamInterface<const char*> {};

TEST_P(SymbolRefusal, RetryShowsAnEmptySymbolAgain) {
    // The box just unticked is the preset of the second showing.
    ExpectSymbolEntry(GetParam(), true, false);
    ExpectSymbolError(MessageAnswer::Retry);
    ExpectSymbolEntry("Cl", false, false);
    calc::RunDisplayIsotopicData(context);
    EXPECT_FALSE(document.readyForCalculation);
    EXPECT_EQ(State().elementSymbol, "Cl");
    EXPECT_FALSE(document.saveReminder);
}

TEST_P(SymbolRefusal, CancelEndsTheCommandKeepingTheTypedSymbol) {
    ExpectSymbolEntry(GetParam(), true);
    ExpectSymbolError(MessageAnswer::Cancel);
    calc::RunDisplayIsotopicData(context);
    ExpectNothingStored();
    EXPECT_EQ(view.elementSymbol, GetParam());
    EXPECT_EQ(view.calcKind, CalcKind::IsotopicData);
    EXPECT_FALSE(view.showWelcome);
}

// Jx is user-defined, cl is not a symbol (lowercase first), the empty text names
// nothing, and a trailing blank or character is not allowed.
INSTANTIATE_TEST_SUITE_P(Texts, SymbolRefusal, ::testing::Values("Jx", "Qz", "cl", "", "Fe ", "Na2", "X"));

TEST_F(IsotopicData, MoreThanFourCharactersAreRefusedByTheDialog) {
    IsotopeDisplayInput input;
    const auto field = port::FindField(input, "symbol");
    ASSERT_TRUE(field);
    EXPECT_EQ(port::AssignFieldText(*field, "Chlo"), std::nullopt);
    EXPECT_EQ(port::AssignFieldText(*field, "Chlor"), "Please enter no more than 4 characters.");
    EXPECT_EQ(input.symbol, "Chlo");
}

TEST_F(IsotopicData, CancelInTheDialogStoresNothing) {
    port.ExpectDialogCancel(kCaption);
    calc::RunDisplayIsotopicData(context);
    ExpectNothingStored();
    EXPECT_EQ(view.calcKind, CalcKind::IsotopicData);
}

TEST_F(IsotopicData, GateRefusesWhileResultsAreShown) {
    ExpectSymbolEntry("Cl", true);
    calc::RunDisplayIsotopicData(context);
    port.ExpectMessage(kFileNewFirst, MessageButtons::Ok, MessageIcon::Exclamation,
                       MessageModality::Application, MessageAnswer::Ok);
    calc::RunDisplayIsotopicData(context);
    EXPECT_EQ(State().elementSymbol, "Cl");
    EXPECT_EQ(State().details.lastIsotopeIndex[0], 1);
}

}  // namespace
}  // namespace tarnevo::testing

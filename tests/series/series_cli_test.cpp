// Pins tarnevo-cli isotopes and polymer: the exit status for results, refusals
// (the desktop program's message on standard error) and usage errors, and the
// shape of the JSON output. The JSON is read back with a small independent
// reader, so a missing comma, bracket or key fails here rather than in a
// downstream script; its numbers are checked against hand-derived masses.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "cli/cli.h"
#include "tests/support/cli_run.h"

namespace tarnevo::cli {
namespace {

// --- A minimal JSON reader: objects, arrays, strings without escapes, numbers,
// true/false/null. Anything else fails the test.
struct Json {
    using Object = std::map<std::string, Json>;
    using Array = std::vector<Json>;
    std::variant<std::nullptr_t, bool, double, std::string, Array, Object> value;

    const Json& operator[](const std::string& key) const {
        static const Json missing;
        const auto* object = std::get_if<Object>(&value);
        if (object == nullptr || object->count(key) == 0) {
            ADD_FAILURE() << "no key " << key;
            return missing;
        }
        return object->at(key);
    }
    const Array& Items() const {
        static const Array empty;
        const auto* array = std::get_if<Array>(&value);
        if (array == nullptr) ADD_FAILURE() << "not an array";
        return array ? *array : empty;
    }
    double Number() const {
        const auto* number = std::get_if<double>(&value);
        if (number == nullptr) ADD_FAILURE() << "not a number";
        return number ? *number : 0.0;
    }
    std::string Text() const {
        const auto* text = std::get_if<std::string>(&value);
        if (text == nullptr) ADD_FAILURE() << "not a string";
        return text ? *text : std::string();
    }
    bool Flag() const {
        const auto* flag = std::get_if<bool>(&value);
        if (flag == nullptr) ADD_FAILURE() << "not true or false";
        return flag != nullptr && *flag;
    }
};

class JsonReader {
public:
    explicit JsonReader(std::string text) : text_(std::move(text)) {}

    std::optional<Json> ReadDocument() {
        std::optional<Json> json = ReadValue();
        SkipBlanks();
        if (at_ != text_.size()) return std::nullopt;
        return json;
    }

private:
    void SkipBlanks() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    bool Take(char c) {
        SkipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool TakeWord(std::string_view word) {
        if (text_.compare(at_, word.size(), word) != 0) return false;
        at_ += word.size();
        return true;
    }
    std::optional<std::string> ReadString() {
        if (!Take('"')) return std::nullopt;
        const std::size_t end = text_.find('"', at_);
        if (end == std::string::npos) return std::nullopt;
        std::string text = text_.substr(at_, end - at_);
        at_ = end + 1;
        return text;
    }
    std::optional<Json> ReadValue() {
        SkipBlanks();
        if (at_ >= text_.size()) return std::nullopt;
        const char c = text_[at_];
        if (c == '{') return ReadObject();
        if (c == '[') return ReadArray();
        if (c == '"') {
            auto text = ReadString();
            return text ? std::optional<Json>(Json{*text}) : std::nullopt;
        }
        if (TakeWord("true")) return Json{true};
        if (TakeWord("false")) return Json{false};
        if (TakeWord("null")) return Json{nullptr};
        std::size_t used = 0;
        try {
            const double number = std::stod(text_.substr(at_), &used);
            at_ += used;
            return Json{number};
        } catch (...) {
            return std::nullopt;
        }
    }
    std::optional<Json> ReadArray() {
        Take('[');
        Json::Array items;
        if (Take(']')) return Json{items};
        do {
            auto item = ReadValue();
            if (!item) return std::nullopt;
            items.push_back(*item);
        } while (Take(','));
        return Take(']') ? std::optional<Json>(Json{items}) : std::nullopt;
    }
    std::optional<Json> ReadObject() {
        Take('{');
        Json::Object members;
        if (Take('}')) return Json{members};
        do {
            auto key = ReadString();
            if (!key || !Take(':')) return std::nullopt;
            auto member = ReadValue();
            if (!member) return std::nullopt;
            members.emplace(*key, *member);
        } while (Take(','));
        return Take('}') ? std::optional<Json>(Json{members}) : std::nullopt;
    }

    std::string text_;
    std::size_t at_ = 0;
};

using tarnevo::testing::CliRun;
using tarnevo::testing::RunTool;

Json ReadJson(const CliRun& run) {
    EXPECT_EQ(run.status, kExitOk) << run.errors;
    std::optional<Json> json = JsonReader(run.out).ReadDocument();
    EXPECT_TRUE(json.has_value()) << "not JSON: " << run.out;
    return json.value_or(Json{});
}

// --- Exit status ------------------------------------------------------------------

struct StatusCase {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    std::string errorText;  // expected on standard error
};

void PrintTo(const StatusCase& status, std::ostream* out) { *out << status.name; }

class CliStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(CliStatus, MatchesTheOutcome) {
    const StatusCase& expected = GetParam();
    const CliRun run = RunTool(expected.arguments);
    EXPECT_EQ(run.status, expected.status) << run.errors;
    EXPECT_NE(run.errors.find(expected.errorText), std::string::npos) << run.errors;
}

const std::vector<std::string> kPolyethyleneGlycol = {"polymer", "--ru", "C2H4O", "--ci", "Na"};

std::vector<std::string> Polymer(std::vector<std::string> extra) {
    std::vector<std::string> arguments = kPolyethyleneGlycol;
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliStatus,
    ::testing::Values(
        StatusCase{"IsotopesOfChlorine", {"isotopes", "Cl"}, kExitOk, ""},
        StatusCase{"IsotopesOfJx", {"isotopes", "Jx"}, kExitRefused, "Symbol Entry Error"},
        StatusCase{"IsotopesFiveCharacters",
                   {"isotopes", "Chlor"},
                   kExitUsage,
                   "SYMBOL: at most 4 characters are accepted, not 'Chlor'"},
        StatusCase{"IsotopesWithoutSymbol", {"isotopes"}, kExitUsage, "usage: tarnevo-cli isotopes"},
        StatusCase{"PolymerSeries", Polymer({"--ru-range", "1-3"}), kExitOk, ""},
        StatusCase{"PolymerWithoutRange", Polymer({}), kExitUsage,
                   "exactly one of --ru-range and --mz-range"},
        StatusCase{"PolymerWithBothRanges", Polymer({"--ru-range", "1-3", "--mz-range", "50-400"}),
                   kExitUsage, "exactly one of"},
        StatusCase{"PolymerRangeWithoutDash", Polymer({"--ru-range", "13"}), kExitUsage, "MIN-MAX"},
        StatusCase{"PolymerWithoutChargingIon",
                   {"polymer", "--ru", "C2H4O", "--ru-range", "1-3"},
                   kExitUsage,
                   "--ci FORMULA is required"},
        StatusCase{"PolymerBadDefinition", Polymer({"--ru-range", "1-3", "--define", "Fe=10"}), kExitUsage,
                   "--define takes Jx"},
        StatusCase{"PolymerZeroCharge", Polymer({"--ru-range", "1-3", "--charge", "0"}), kExitRefused,
                   "Error - the ionic charge cannot be zero!"},
        StatusCase{"PolymerThirtyOneIons", Polymer({"--ru-range", "1-31"}), kExitRefused,
                   "Error - your range in RUs exceeds the maximum (30)!"},
        StatusCase{"PolymerNoRUs", Polymer({"--ru-range", "0-5"}), kExitUsage,
                   "--ru-range: an integer from 1 to 200 is required, not '0'"},
        StatusCase{"PolymerTooManyChargingIons", Polymer({"--ru-range", "1-3", "--ci-count", "31"}),
                   kExitUsage, "--ci-count: an integer from 1 to 30 is required, not '31'"},
        StatusCase{"PolymerBelowOneRU",
                   {"polymer", "--ru", "CH2", "--ci", "Na", "--mz-range", "1-100"},
                   kExitRefused,
                   "Error - the minimum m/z is too low (it is below one RU)!"},
        StatusCase{"PolymerBadFormula",
                   {"polymer", "--ru", "C2H4O+", "--ci", "Na", "--ru-range", "1-3"},
                   kExitRefused,
                   "Formula Entry Error"},
        StatusCase{"PolymerUndefinedJx",
                   {"polymer", "--ru", "C2Jx", "--ci", "Na", "--ru-range", "1-3"},
                   kExitRefused,
                   "--define Jx=MASS"},
        StatusCase{"PolymerDefinedJx",
                   {"polymer", "--ru", "C2Jx", "--ci", "Na", "--ru-range", "1-3", "--define", "Jx=10:1=0.2"},
                   kExitOk,
                   ""}),
    [](const auto& named) { return std::string(named.param.name); });

// --- JSON ----------------------------------------------------------------------------

TEST(IsotopesJson, ListsMassNumberMassAndFA) {
    const Json json = ReadJson(RunTool({"isotopes", "Cl", "--json"}));
    EXPECT_EQ(json["symbol"].Text(), "Cl");
    const Json::Array& isotopes = json["isotopes"].Items();
    ASSERT_EQ(isotopes.size(), 2U);
    EXPECT_EQ(isotopes[0]["massNumber"].Number(), 35.0);
    EXPECT_EQ(isotopes[0]["mass"].Number(), 34.96885);
    EXPECT_EQ(isotopes[0]["fa"].Number(), 0.7576);
    EXPECT_EQ(isotopes[1]["massNumber"].Number(), 37.0);
    EXPECT_EQ(isotopes[1]["mass"].Number(), 36.9659);
    EXPECT_EQ(isotopes[1]["fa"].Number(), 0.2424);
}

TEST(PolymerJson, EchoesTheInputsAndListsEveryIonWithItsPeaks) {
    // C2H4O / Na, window 50 to 400: ions with 1 .. 8 RUs.
    const Json json = ReadJson(RunTool(Polymer({"--mz-range", "50-400", "--json"})));
    EXPECT_EQ(json["repeatUnit"].Text(), "C2H4O");
    EXPECT_EQ(json["endCap"].Text(), "");
    EXPECT_FALSE(json["hasEndCap"].Flag());
    EXPECT_EQ(json["chargingIon"].Text(), "Na");
    EXPECT_EQ(json["chargingIonCount"].Number(), 1.0);
    EXPECT_EQ(json["charge"].Number(), 1.0);
    EXPECT_EQ(json["stopFA"].Number(), 0.9999);
    EXPECT_EQ(json["firstRUCount"].Number(), 1.0);
    EXPECT_EQ(json["lastRUCount"].Number(), 8.0);
    EXPECT_EQ(json["ionCount"].Number(), 8.0);
    EXPECT_FALSE(json["ionStorageFull"].Flag());
    const Json::Array& ions = json["ions"].Items();
    ASSERT_EQ(ions.size(), 8U);
    for (std::size_t i = 0; i < ions.size(); ++i) {
        const Json& ion = ions[i];
        const double n = static_cast<double>(i + 1);
        EXPECT_EQ(ion["ru"].Number(), n);
        EXPECT_NEAR(ion["ionMassA"].Number(), n * 44.02621 + 22.98977 - 0.000548579909, 1e-9);
        const Json::Array& peaks = ion["peaks"].Items();
        ASSERT_FALSE(peaks.empty());
        double largestRel = 0.0;
        for (std::size_t m = 0; m < peaks.size(); ++m) {
            EXPECT_EQ(peaks[m]["n"].Number(), static_cast<double>(m));
            EXPECT_NEAR(peaks[m]["mz"].Number(), ion["ionMassA"].Number() + static_cast<double>(m), 1e-9);
            EXPECT_NEAR(peaks[m]["rel"].Number(), 100.0 * peaks[m]["fa"].Number() / ion["maxFA"].Number(),
                        1e-9);
            largestRel = std::max(largestRel, peaks[m]["rel"].Number());
        }
        EXPECT_EQ(largestRel, 100.0);
    }
}

TEST(PolymerJson, MzDividesByTheSizeOfANegativeCharge) {
    const Json json = ReadJson(RunTool({"polymer", "--ru", "C2H4O", "--ci", "Cl", "--ci-count", "2",
                                        "--charge", "-2", "--ru-range", "3-3", "--json"}));
    const Json& ion = json["ions"].Items().at(0);
    // 3 x C2H4O + 2 Cl, two electrons added.
    const double ionMassA = 3 * 44.02621 + 2 * 34.96885 + 2 * 0.000548579909;
    EXPECT_NEAR(ion["ionMassA"].Number(), ionMassA, 1e-9);
    EXPECT_NEAR(ion["peaks"].Items().at(2)["mz"].Number(), (ionMassA + 2) / 2, 1e-9);
}

// --- Report ---------------------------------------------------------------------------

TEST(SeriesReport, IsWrittenWhenAskedAndAFailureIsReported) {
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / "tarnevo_series_cli_test";
    std::filesystem::create_directories(directory);
    const std::string path = (directory / "isotopes.txt").string();
    std::filesystem::remove(path);
    EXPECT_EQ(RunTool({"isotopes", "Sn", "--report", path}).status, kExitOk);
    EXPECT_TRUE(std::filesystem::exists(path));
    const std::string unwritable = (directory / "missing" / "polymer.txt").string();
    EXPECT_EQ(RunTool(Polymer({"--ru-range", "1-2", "--report", unwritable})).status, kExitWriteFailed);
    std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace tarnevo::cli

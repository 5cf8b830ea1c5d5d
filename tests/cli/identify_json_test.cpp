// Pins the JSON of tarnevo-cli identify both ways: the strict reader of batch
// lines (RFC 8259: what it takes, what it refuses with the byte named, and
// that random bytes never crash it or read outside the text) and the shape of
// the answer, written from a hand-made result whose every number is known and
// read back through the same reader. The fuzz cases use a fixed seed; they
// hold because the reader's only outcomes are a value or a problem.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "cli/identify_json.h"
#include "cli/json_value.h"
#include "core/formula_parser.h"

namespace tarnevo::cli {
namespace {

using Kind = JsonValue::Kind;

TEST(JsonReader, ReadsABatchLine) {
    const JsonParse parse = ParseJson(
        R"( {"id": "q1", "peaks": [[195.0877, 100], [196.0908, 1.04e1]], "charge": -1, "ok": true, "none": null} )");
    ASSERT_EQ(parse.problem, "");
    const JsonValue& line = parse.value;
    ASSERT_EQ(line.kind, Kind::Object);
    ASSERT_NE(line.Find("id"), nullptr);
    EXPECT_EQ(line.Find("id")->text, "q1");
    const JsonValue* peaks = line.Find("peaks");
    ASSERT_NE(peaks, nullptr);
    ASSERT_EQ(peaks->items.size(), 2u);
    EXPECT_EQ(peaks->items[1].items[0].number, 196.0908);
    EXPECT_EQ(peaks->items[1].items[1].number, 10.4);
    EXPECT_EQ(line.Find("charge")->number, -1.0);
    EXPECT_EQ(line.Find("charge")->text, "-1");  // as written, for the option's own check
    EXPECT_EQ(line.Find("ok")->kind, Kind::Boolean);
    EXPECT_TRUE(line.Find("ok")->boolean);
    EXPECT_EQ(line.Find("none")->kind, Kind::Null);
    EXPECT_EQ(line.Find("absent"), nullptr);
}

TEST(JsonReader, DecodesEscapesIntoUtf8) {
    // \u00e9 is é (C3 A9); \ud83d\ude00 a surrogate pair, U+1F600 (F0 9F 98 80);
    // a lone surrogate is no character and reads as U+FFFD (EF BF BD).
    const JsonParse parse = ParseJson(R"("a\"\\\/\b\f\n\r\t\u00e9\ud83d\ude00\udc00")");
    ASSERT_EQ(parse.problem, "");
    EXPECT_EQ(parse.value.text, "a\"\\/\b\f\n\r\t\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

struct BadJson {
    const char* text;
    const char* problem;
};

void PrintTo(const BadJson& bad, std::ostream* out) { *out << bad.text; }

class RefusedJson : public ::testing::TestWithParam<BadJson> {};

TEST_P(RefusedJson, SaysWhatAndWhere) { EXPECT_EQ(ParseJson(GetParam().text).problem, GetParam().problem); }

INSTANTIATE_TEST_SUITE_P(
    EachFault, RefusedJson,
    ::testing::Values(BadJson{"", "not JSON: the text ends where a value belongs at byte 1"},
                      BadJson{"{\"id\" \"q1\"}", "not JSON: expected ':' at byte 7"},
                      BadJson{"{\"id\": \"q1\",}", "not JSON: expected a key in double quotes at byte 13"},
                      BadJson{"{id: 1}", "not JSON: expected a key in double quotes at byte 2"},
                      BadJson{"[1 2]", "not JSON: expected ',' or ']' at byte 4"},
                      BadJson{"{\"a\": 1} x", "not JSON: more text after the JSON value at byte 10"},
                      BadJson{"{\"a\": 1, \"a\": 2}", "not JSON: the key \"a\" repeated at byte 10"},
                      BadJson{"01", "not JSON: more text after the JSON value at byte 2"},
                      BadJson{"1.", "not JSON: expected a digit after '.' at byte 3"},
                      BadJson{"-", "not JSON: expected a digit at byte 2"},
                      BadJson{"1e", "not JSON: expected the exponent's digits at byte 3"},
                      BadJson{"+1", "not JSON: expected a value at byte 1"},
                      BadJson{"1e999", "not JSON: a number too large at byte 1"},
                      BadJson{"NaN", "not JSON: expected a value at byte 1"},
                      BadJson{"tru", "not JSON: expected a value at byte 1"},
                      BadJson{"\"abc", "not JSON: the text ends inside a string at byte 5"},
                      BadJson{"\"a\tb\"", "not JSON: a control character inside a string at byte 3"},
                      BadJson{"\"\\x\"", "not JSON: an unknown escape after '\\' at byte 3"},
                      BadJson{"\"\\u12g4\"", "not JSON: expected four hex digits after \\u at byte 6"},
                      BadJson{"\"\\", "not JSON: an unknown escape after '\\' at byte 3"}));

TEST(JsonReader, RefusesNestingDeeperThanItsBound) {
    const std::string deep(100000, '[');
    EXPECT_EQ(ParseJson(deep).problem,
              "not JSON: nested too deep at byte " + std::to_string(kMaxJsonDepth + 1));
    std::string allowed(kMaxJsonDepth, '[');
    allowed += std::string(kMaxJsonDepth, ']');
    EXPECT_EQ(ParseJson(allowed).problem, "");
}

// Random bytes, and random cuts and flips of a valid line: every outcome is a
// value or a problem that starts "not JSON:"; never a crash (the sanitizer
// build also sees no read outside the text).
TEST(JsonReader, RandomBytesGiveAValueOrAProblemNeverACrash) {
    std::mt19937 random(20261208);
    const std::string valid = R"({"id": "q1", "peaks": [[195.0877, 100], [196.0908, 10.4]], "charge": 1})";
    const std::string alphabet = "{}[]\":,-+.0123456789eE \\u\"truefalsenull\x01\xff";
    for (int trial = 0; trial < 20000; ++trial) {
        std::string text;
        switch (trial % 3) {
            case 0: {
                std::uniform_int_distribution<int> length(0, 40);
                std::uniform_int_distribution<int> byte(0, 255);
                for (int k = length(random); k > 0; --k) text += static_cast<char>(byte(random));
                break;
            }
            case 1: {
                std::uniform_int_distribution<std::size_t> cut(0, valid.size());
                text = valid.substr(0, cut(random));
                break;
            }
            default: {
                text = valid;
                std::uniform_int_distribution<std::size_t> at(0, valid.size() - 1);
                std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
                for (int k = 0; k < 3; ++k) text[at(random)] = alphabet[pick(random)];
                break;
            }
        }
        const JsonParse parse = ParseJson(text);
        if (!parse.problem.empty()) {
            EXPECT_EQ(parse.problem.rfind("not JSON: ", 0), 0u) << text;
        }
    }
}

// ---- The answer's shape --------------------------------------------------------------

core::ParsedFormula Formula(const char* text) {
    core::ParsedFormula formula;
    EXPECT_EQ(core::ParseFormulaText(text, formula), core::FormulaSyntax::Valid) << text;
    return formula;
}

// Caffeine as [M+H]+, its [A+0] matched, its [A+1] matched, an [A+2] predicted
// but not measured, and one measured peak no prediction explains.
core::IdentifyResult CaffeineResult() {
    core::IdentifyResult result;
    result.charge = 1;
    result.chargeInferred = true;
    result.monoisotopicMz = 195.0877;
    result.massMatches = 12;
    result.filteredOut = 7;
    core::IonNotation notation;
    result.ionTypes = {{"[M+H]+", notation}};
    core::IdentifyCandidate candidate;
    candidate.molecule = Formula("C8H10N4O2");
    candidate.ion = Formula("C8H11N4O2");
    candidate.mz = 195.087652;
    candidate.errorPpm = 0.24;
    candidate.dbe = 6.0;
    candidate.electronClass = 0;  // even-electron
    candidate.pattern.patternMatch = 87.5;
    candidate.score = -1.25;
    using core::PeakOutcome;
    candidate.pattern.peaks = {
        {PeakOutcome::Matched, 195.0877, 1.0, 195.087652, 1.0, 0.0, 0.0},
        {PeakOutcome::Matched, 196.0908, 0.104, 196.0907, 0.1035, 0.0, 0.0},
        {PeakOutcome::Missing, 0.0, 0.0, 197.0918, 0.0125, 0.0, 0.0},
        {PeakOutcome::Unexplained, 198.5, 0.02, 0.0, 0.0, 0.0, 0.0},
    };
    result.candidates = {candidate};
    candidate.dbe = std::nan("");  // an element without a usual valence
    candidate.electronClass = -1;
    result.candidates.push_back(candidate);
    return result;
}

JsonValue AnswerOf(const core::IdentifyResult& result, std::size_t candidateCount) {
    std::ostringstream out;
    out << '{';
    PrintIdentificationJsonFields(result, candidateCount, out);
    out << '}';
    JsonParse parse = ParseJson(out.str());
    EXPECT_EQ(parse.problem, "") << out.str();
    return std::move(parse.value);
}

TEST(IdentifyJson, TheResultFieldsComeFirst) {
    const JsonValue answer = AnswerOf(CaffeineResult(), 40);
    const std::vector<std::string> keys = {"charge",         "chargeInferred", "monoisotopicMz",
                                           "massMatches",    "filteredOut",    "notRanked",
                                           "candidateCount", "candidates",     "warnings"};
    ASSERT_EQ(answer.members.size(), keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) EXPECT_EQ(answer.members[k].key, keys[k]);
    EXPECT_EQ(answer.Find("charge")->number, 1.0);
    EXPECT_TRUE(answer.Find("chargeInferred")->boolean);
    EXPECT_EQ(answer.Find("monoisotopicMz")->number, 195.0877);
    EXPECT_EQ(answer.Find("massMatches")->number, 12.0);
    EXPECT_EQ(answer.Find("filteredOut")->number, 7.0);
    EXPECT_EQ(answer.Find("candidateCount")->number, 40.0);  // before the cut to the top N
    EXPECT_EQ(answer.Find("candidates")->items.size(), 2u);
}

TEST(IdentifyJson, ACandidateCarriesItsRankFormulaeAndScores) {
    const JsonValue answer = AnswerOf(CaffeineResult(), 2);
    const JsonValue& first = answer.Find("candidates")->items[0];
    const std::vector<std::string> keys = {"rank",         "adduct",   "formula",     "ionFormula",
                                           "mz",           "errorPpm", "dbe",         "electronClass",
                                           "patternScore", "score",    "probability", "peaks"};
    ASSERT_EQ(first.members.size(), keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) EXPECT_EQ(first.members[k].key, keys[k]);
    EXPECT_EQ(first.Find("rank")->number, 1.0);
    EXPECT_EQ(first.Find("adduct")->text, "[M+H]+");
    EXPECT_EQ(first.Find("formula")->text, "C8H10N4O2");
    EXPECT_EQ(first.Find("ionFormula")->text, "C8H11N4O2");
    EXPECT_EQ(first.Find("mz")->number, 195.087652);
    EXPECT_EQ(first.Find("errorPpm")->number, 0.24);
    EXPECT_EQ(first.Find("dbe")->number, 6.0);
    EXPECT_EQ(first.Find("electronClass")->text, "EE");
    EXPECT_EQ(first.Find("patternScore")->number, 87.5);
    EXPECT_EQ(first.Find("score")->number, -1.25);

    const JsonValue& second = answer.Find("candidates")->items[1];
    EXPECT_EQ(second.Find("rank")->number, 2.0);
    EXPECT_EQ(second.Find("dbe")->kind, Kind::Null);  // no DBE without usual valences
    EXPECT_EQ(second.Find("electronClass")->text, "indeterminate");
}

// Relative intensities are percent of each side's base peak (fraction x 100);
// the side a peak lacks is null, not a 0 that reads as a measurement.
TEST(IdentifyJson, EachPeakComparesMeasuredWithPredicted) {
    const JsonValue answer = AnswerOf(CaffeineResult(), 2);
    const JsonValue& peaks = *answer.Find("candidates")->items[0].Find("peaks");
    ASSERT_EQ(peaks.items.size(), 4u);
    const JsonValue& base = peaks.items[0];
    EXPECT_EQ(base.Find("outcome")->text, "matched");
    EXPECT_EQ(base.Find("measuredRel")->number, 100.0);
    EXPECT_EQ(base.Find("predictedRel")->number, 100.0);
    const JsonValue& a1 = peaks.items[1];
    EXPECT_EQ(a1.Find("measuredMz")->number, 196.0908);
    EXPECT_NEAR(a1.Find("measuredRel")->number, 10.4, 1e-12);
    EXPECT_EQ(a1.Find("predictedMz")->number, 196.0907);
    EXPECT_NEAR(a1.Find("predictedRel")->number, 10.35, 1e-12);
    const JsonValue& missing = peaks.items[2];
    EXPECT_EQ(missing.Find("outcome")->text, "missing");
    EXPECT_EQ(missing.Find("measuredMz")->kind, Kind::Null);
    EXPECT_EQ(missing.Find("measuredRel")->kind, Kind::Null);
    EXPECT_NEAR(missing.Find("predictedRel")->number, 1.25, 1e-12);
    const JsonValue& unexplained = peaks.items[3];
    EXPECT_EQ(unexplained.Find("outcome")->text, "unexplained");
    EXPECT_NEAR(unexplained.Find("measuredRel")->number, 2.0, 1e-12);
    EXPECT_EQ(unexplained.Find("predictedMz")->kind, Kind::Null);
    EXPECT_EQ(unexplained.Find("predictedRel")->kind, Kind::Null);
}

}  // namespace
}  // namespace tarnevo::cli

// Pins that every failure under --json is one valid JSON object on one line
// that carries the whole message: a desktop message of two lines, an option
// value holding a line end and bytes that are not UTF-8 once came out cut at
// the first line end or as raw bytes that no JSON reader takes. The evidence
// is a small decoder written here from the JSON grammar (RFC 8259), which
// shares nothing with the encoder: it refuses raw control characters and
// unknown escapes, and its result must be the message exactly. Also pins the
// encoder's treatment of ill-formed UTF-8 against the replacement that the
// Unicode standard recommends (one U+FFFD per maximal ill-formed part).
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_output.h"
#include "tests/support/cli_run.h"

namespace tarnevo::cli {
namespace {

using tarnevo::testing::CliRun;
using tarnevo::testing::RunTool;

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The UTF-8 bytes of one code point below U+10000.
std::string Utf8Of(unsigned codePoint) {
    if (codePoint < 0x80) return std::string(1, static_cast<char>(codePoint));
    if (codePoint < 0x800) {
        return {static_cast<char>(0xC0 | (codePoint >> 6)), static_cast<char>(0x80 | (codePoint & 0x3F))};
    }
    return {static_cast<char>(0xE0 | (codePoint >> 12)), static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)),
            static_cast<char>(0x80 | (codePoint & 0x3F))};
}

// The text of the JSON string literal at json[at] (which is '"'); at moves past
// its closing quote. Nothing when the literal breaks the grammar.
std::optional<std::string> DecodeJsonString(const std::string& json, std::size_t& at) {
    if (at >= json.size() || json[at] != '"') return std::nullopt;
    std::string text;
    for (++at; at < json.size(); ++at) {
        const char c = json[at];
        if (c == '"') {
            ++at;
            return text;
        }
        if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
        if (c != '\\') {
            text += c;
            continue;
        }
        if (++at >= json.size()) return std::nullopt;
        const std::string simple = "\"\\/bfnrt";
        const std::string meant = "\"\\/\b\f\n\r\t";
        if (const std::size_t k = simple.find(json[at]); k != std::string::npos) {
            text += meant[k];
        } else if (json[at] == 'u' && at + 4 < json.size()) {
            text += Utf8Of(static_cast<unsigned>(std::stoul(json.substr(at + 1, 4), nullptr, 16)));
            at += 4;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// The message of `{"error": "...", "exitCode": N}` followed by one line end,
// the only text allowed on standard error; nothing when it is anything else.
std::optional<std::string> ErrorMessageOf(const std::string& errors, int status) {
    const std::string head = "{\"error\": ";
    if (errors.rfind(head, 0) != 0) return std::nullopt;
    std::size_t at = head.size();
    std::optional<std::string> message = DecodeJsonString(errors, at);
    if (!message || errors.substr(at) != ", \"exitCode\": " + std::to_string(status) + "}\n") {
        return std::nullopt;
    }
    return message;
}

struct JsonErrorCase {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    std::string message;
};

void PrintTo(const JsonErrorCase& errorCase, std::ostream* out) { *out << errorCase.name; }

class JsonFailure : public ::testing::TestWithParam<JsonErrorCase> {};

TEST_P(JsonFailure, IsOneObjectWithTheWholeMessage) {
    std::vector<std::string> arguments = GetParam().arguments;
    arguments.emplace_back("--json");
    const CliRun run = RunTool(arguments);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ErrorMessageOf(run.errors, GetParam().status), GetParam().message) << run.errors;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, JsonFailure,
    ::testing::Values(
        // The desktop program's box shows two lines; both belong to the message.
        JsonErrorCase{
            "TwoLineMessage",
            {"label", "C6H6", "--enrich", "C:7"},
            kExitRefused,
            "Error - Either the number of enriched atoms is too large,\r\nor your molecular formula "
            "does not contain this element!"},
        JsonErrorCase{"LineEndInAValue",
                      {"cluster", "C6H6", "--charge", "3\n1"},
                      kExitUsage,
                      "--charge: an integer from -30 to 30 is required, not '3\n1'"},
        JsonErrorCase{"ControlCharacterInAValue",
                      {"cluster", "C6H6", "--charge", std::string("\x01\x1f", 2)},
                      kExitUsage,
                      "--charge: an integer from -30 to 30 is required, not '\x01\x1f'"},
        JsonErrorCase{"InvalidUtf8InAValue",
                      {"cluster", "C6H6", "--charge", "\xff"},
                      kExitUsage,
                      "--charge: an integer from -30 to 30 is required, not '" + kReplacement + "'"},
        JsonErrorCase{"Utf8InAValueStays",
                      {"cluster", "C6H6", "--charge", "\xC3\xA9\xE2\x82\xAC"},
                      kExitUsage,
                      "--charge: an integer from -30 to 30 is required, not '\xC3\xA9\xE2\x82\xAC'"},
        // The usage lines after a usage error are for a person; the message is the problem.
        JsonErrorCase{"UsageError", {"cluster"}, kExitUsage, "tarnevo-cli cluster: expected 1 argument(s)"},
        JsonErrorCase{"UnknownCommand", {"polish"}, kExitUsage, "tarnevo-cli: unknown command polish"},
        // A report file named like an option was a file named "--json".
        JsonErrorCase{"OptionAsAValue",
                      {"cluster", "C6H6", "--report"},
                      kExitUsage,
                      "tarnevo-cli cluster: option --report needs a value, not the option --json"}),
    [](const auto& named) { return std::string(named.param.name); });

// ---- The encoder ------------------------------------------------------------------

struct EncodingCase {
    const char* name;
    std::string text;
    std::string literal;
};

void PrintTo(const EncodingCase& encodingCase, std::ostream* out) { *out << encodingCase.name; }

class JsonStringLiteral : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(JsonStringLiteral, IsValidJsonWhateverTheBytes) {
    EXPECT_EQ(JsonString(GetParam().text), GetParam().literal);
}

// Each ill-formed part is cut where the standard's table of well-formed
// sequences first fails: an overlong lead (C0, E0 80), a surrogate (ED A0),
// beyond U+10FFFF (F4 90), a lone continuation byte, a sequence cut short.
INSTANTIATE_TEST_SUITE_P(
    Bytes, JsonStringLiteral,
    ::testing::Values(EncodingCase{"QuoteAndBackslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
                      EncodingCase{"LineEnds", "a\r\nb\tc", "\"a\\r\\nb\\tc\""},
                      EncodingCase{"OtherControls", std::string("\x00\x1f\x7f", 3), "\"\\u0000\\u001f\x7f\""},
                      EncodingCase{"WellFormedUtf8", "\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E",
                                   "\"\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E\""},
                      EncodingCase{"LoneContinuation", "a\x80z", "\"a" + kReplacement + "z\""},
                      EncodingCase{"OverlongTwoBytes", "\xC0\xAF", "\"" + kReplacement + kReplacement + "\""},
                      EncodingCase{"OverlongThreeBytes", "\xE0\x80\x80",
                                   "\"" + kReplacement + kReplacement + kReplacement + "\""},
                      EncodingCase{"Surrogate", "\xED\xA0\x80",
                                   "\"" + kReplacement + kReplacement + kReplacement + "\""},
                      EncodingCase{"BeyondTheLastCodePoint", "\xF4\x90\x80\x80",
                                   "\"" + kReplacement + kReplacement + kReplacement + kReplacement + "\""},
                      EncodingCase{"CutShortAtTheEnd", "x\xE2\x82", "\"x" + kReplacement + "\""},
                      EncodingCase{"CutShortBeforeAscii", "\xF0\x9D\x84z", "\"" + kReplacement + "z\""},
                      EncodingCase{"NeverALead", "\xF5\xFF", "\"" + kReplacement + kReplacement + "\""}),
    [](const auto& named) { return std::string(named.param.name); });

}  // namespace
}  // namespace tarnevo::cli

// A strict JSON checker for the fuzz targets (RFC 8259): the command line promises
// JSON that any parser reads, so nothing lenient is accepted: no trailing commas,
// no NaN or Infinity, no raw control characters in strings, no invalid UTF-8
// (overlong forms, surrogates, code points above U+10FFFF), no lone surrogate
// escapes. Nesting deeper than 64 levels is refused.
//
// The same reader also gives the value it read (JsonTree), so that the fuzz
// targets check the output's promises field by field, where each one holds,
// rather than by searching the text for keys that several objects share.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnevo::fuzz {

// Whether text is one JSON value, with optional surrounding whitespace.
bool IsJsonValue(std::string_view text);

// Whether text is well-formed UTF-8 (the rules above).
bool IsValidUtf8(std::string_view text);

// Whether text is one JSON object followed by at most one line end.
bool IsJsonObject(std::string_view text);

// One JSON value as read. A number keeps its value as strtod reads its text.
struct JsonTree {
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;               // a string's value, escapes decoded to UTF-8
    std::vector<JsonTree> items;    // an array's; an object's member values
    std::vector<std::string> keys;  // an object's member names, beside items

    // The member named key of an object (the first if repeated), or nullptr.
    const JsonTree* Find(std::string_view key) const;
    bool IsNumber() const { return kind == Kind::Number; }
    bool IsArray() const { return kind == Kind::Array; }
    bool IsObject() const { return kind == Kind::Object; }
};

// The value of text when IsJsonValue(text), else nothing.
std::optional<JsonTree> ReadJson(std::string_view text);

}  // namespace tarnevo::fuzz

// A JSON text read into a tree, for the command line's batch input: one small
// object per line (`{"id": "q1", "peaks": [[195.0877, 100], ...]}`). The
// reader follows RFC 8259 strictly, so that a script's mistake is told where
// it is instead of being read as something else, and it is safe on any bytes:
// nesting is bounded, every read stays inside the text, and nothing throws.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnevo::cli {

struct JsonMember;

class JsonValue {
public:
    enum class Kind { Null, Boolean, Number, String, Array, Object };

    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0.0;
    // A string's text (UTF-8, escapes decoded); a number's text as written,
    // so that a whole number such as a charge is read with the same checks
    // as the command line's own option.
    std::string text;
    std::vector<JsonValue> items;     // an array's elements
    std::vector<JsonMember> members;  // an object's, in the order written

    // The member of an object with this key; nullptr when there is none (or
    // this is no object). Keys are unique: the reader refuses a repeated one.
    const JsonValue* Find(std::string_view key) const;
};

struct JsonMember {
    std::string key;
    JsonValue value;
};

// What a JSON value is called in a message: "a number", "an array", ...
std::string_view JsonKindName(JsonValue::Kind kind);

// Arrays and objects nest at most this deep: a batch line needs three levels
// (the object, "peaks", one peak); the bound keeps a hostile line of a
// million '[' from exhausting the stack.
inline constexpr int kMaxJsonDepth = 16;

struct JsonParse {
    JsonValue value;
    std::string problem;  // empty when read; else what is wrong and at which byte (1-based)
};

// The one JSON value that the whole text holds (blanks around it allowed).
JsonParse ParseJson(std::string_view text);

}  // namespace tarnevo::cli

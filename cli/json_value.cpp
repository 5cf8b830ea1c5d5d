#include "cli/json_value.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <utility>

namespace tarnevo::cli {

const JsonValue* JsonValue::Find(std::string_view key) const {
    for (const JsonMember& member : members) {
        if (member.key == key) return &member.value;
    }
    return nullptr;
}

std::string_view JsonKindName(JsonValue::Kind kind) {
    switch (kind) {
        case JsonValue::Kind::Null:
            return "null";
        case JsonValue::Kind::Boolean:
            return "true or false";
        case JsonValue::Kind::Number:
            return "a number";
        case JsonValue::Kind::String:
            return "a string";
        case JsonValue::Kind::Array:
            return "an array";
        case JsonValue::Kind::Object:
            return "an object";
    }
    return "a value";
}

namespace {

// A recursive-descent reader over the text; the first problem found stops it.
class JsonReader {
public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    JsonParse ReadDocument() {
        JsonParse parse;
        SkipBlanks();
        if (!ReadValue(parse.value, 0)) {
            parse.problem = problem_;
            return parse;
        }
        SkipBlanks();
        if (at_ < text_.size()) {
            parse.problem = Problem("more text after the JSON value");
        }
        return parse;
    }

private:
    bool AtEnd() const { return at_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[at_]; }

    void SkipBlanks() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++at_;
    }

    // "not JSON: expected ':' at byte 12": where a script's author looks.
    std::string Problem(std::string_view what) const {
        return "not JSON: " + std::string(what) + " at byte " + std::to_string(at_ + 1);
    }

    bool Fail(std::string_view what) {
        problem_ = Problem(what);
        return false;
    }

    bool ReadValue(JsonValue& value, int depth) {
        switch (Peek()) {
            case '{':
                return ReadObject(value, depth + 1);
            case '[':
                return ReadArray(value, depth + 1);
            case '"':
                value.kind = JsonValue::Kind::String;
                return ReadString(value.text);
            case 't':
                value.kind = JsonValue::Kind::Boolean;
                value.boolean = true;
                return ReadWord("true");
            case 'f':
                value.kind = JsonValue::Kind::Boolean;
                return ReadWord("false");
            case 'n':
                return ReadWord("null");
            default:
                break;
        }
        if (Peek() == '-' || (Peek() >= '0' && Peek() <= '9')) return ReadNumber(value);
        return Fail(AtEnd() ? "the text ends where a value belongs" : "expected a value");
    }

    bool ReadWord(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return Fail("expected a value");
        at_ += word.size();
        return true;
    }

    bool Expect(char wanted, std::string_view expected) {
        SkipBlanks();
        if (Peek() != wanted) return Fail(expected);
        ++at_;
        SkipBlanks();
        return true;
    }

    bool ReadObject(JsonValue& value, int depth) {
        if (depth > kMaxJsonDepth) return Fail("nested too deep");
        value.kind = JsonValue::Kind::Object;
        ++at_;
        SkipBlanks();
        if (Peek() == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            std::string key;
            if (Peek() != '"') return Fail("expected a key in double quotes");
            const std::size_t keyStart = at_;
            if (!ReadString(key)) return false;
            if (value.Find(key) != nullptr) {
                at_ = keyStart;
                return Fail("the key \"" + key.substr(0, 64) + "\" repeated");
            }
            if (!Expect(':', "expected ':'")) return false;
            JsonValue member;
            if (!ReadValue(member, depth)) return false;
            value.members.push_back({std::move(key), std::move(member)});
            SkipBlanks();
            if (Peek() == '}') {
                ++at_;
                return true;
            }
            if (!Expect(',', "expected ',' or '}'")) return false;
        }
    }

    bool ReadArray(JsonValue& value, int depth) {
        if (depth > kMaxJsonDepth) return Fail("nested too deep");
        value.kind = JsonValue::Kind::Array;
        ++at_;
        SkipBlanks();
        if (Peek() == ']') {
            ++at_;
            return true;
        }
        for (;;) {
            JsonValue item;
            if (!ReadValue(item, depth)) return false;
            value.items.push_back(std::move(item));
            SkipBlanks();
            if (Peek() == ']') {
                ++at_;
                return true;
            }
            if (!Expect(',', "expected ',' or ']'")) return false;
        }
    }

    // The digits of JSON's number grammar: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
    bool SkipDigits() {
        const std::size_t start = at_;
        while (Peek() >= '0' && Peek() <= '9') ++at_;
        return at_ > start;
    }

    bool ReadNumber(JsonValue& value) {
        const std::size_t start = at_;
        if (Peek() == '-') ++at_;
        if (Peek() == '0') {
            ++at_;
        } else if (!SkipDigits()) {
            return Fail("expected a digit");
        }
        if (Peek() == '.') {
            ++at_;
            if (!SkipDigits()) return Fail("expected a digit after '.'");
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++at_;
            if (Peek() == '+' || Peek() == '-') ++at_;
            if (!SkipDigits()) return Fail("expected the exponent's digits");
        }
        value.kind = JsonValue::Kind::Number;
        value.text = std::string(text_.substr(start, at_ - start));
        const char* first = value.text.data();
        const auto [stop, error] = std::from_chars(first, first + value.text.size(), value.number);
        // The grammar above is a subset of what from_chars reads; what is left
        // to fail is a number beyond the range of a double (1e999).
        if (error != std::errc() || !std::isfinite(value.number)) {
            at_ = start;
            return Fail("a number too large");
        }
        return true;
    }

    static int HexDigit(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    // The four hex digits after "\u".
    bool ReadHex4(std::uint32_t& unit) {
        unit = 0;
        for (int k = 0; k < 4; ++k) {
            const int digit = HexDigit(Peek());
            if (digit < 0) return Fail("expected four hex digits after \\u");
            unit = unit * 16 + static_cast<std::uint32_t>(digit);
            ++at_;
        }
        return true;
    }

    static void AppendUtf8(std::uint32_t code, std::string& out) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    // A \uXXXX escape, a surrogate pair joined into one character; a lone
    // surrogate is no character and becomes U+FFFD, as the output does with
    // bytes that are not UTF-8.
    bool ReadUnicodeEscape(std::string& out) {
        std::uint32_t unit = 0;
        if (!ReadHex4(unit)) return false;
        constexpr std::uint32_t kReplacement = 0xFFFD;
        if (unit >= 0xD800 && unit <= 0xDBFF && text_.substr(at_, 2) == "\\u") {
            at_ += 2;
            std::uint32_t low = 0;
            if (!ReadHex4(low)) return false;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
                return true;
            }
            AppendUtf8(kReplacement, out);
            unit = low;
        }
        AppendUtf8(unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit, out);
        return true;
    }

    bool ReadEscape(std::string& out) {
        const char c = Peek();
        ++at_;
        switch (c) {
            case '"':
            case '\\':
            case '/':
                out += c;
                return true;
            case 'b':
                out += '\b';
                return true;
            case 'f':
                out += '\f';
                return true;
            case 'n':
                out += '\n';
                return true;
            case 'r':
                out += '\r';
                return true;
            case 't':
                out += '\t';
                return true;
            case 'u':
                return ReadUnicodeEscape(out);
            default:
                --at_;
                return Fail("an unknown escape after '\\'");
        }
    }

    bool ReadString(std::string& out) {
        ++at_;  // the opening quote
        for (;;) {
            if (AtEnd()) return Fail("the text ends inside a string");
            const char c = text_[at_];
            if (c == '"') {
                ++at_;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) return Fail("a control character inside a string");
            ++at_;
            if (c == '\\') {
                if (!ReadEscape(out)) return false;
            } else {
                out += c;
            }
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::string problem_;
};

}  // namespace

JsonParse ParseJson(std::string_view text) { return JsonReader(text).ReadDocument(); }

}  // namespace tarnevo::cli

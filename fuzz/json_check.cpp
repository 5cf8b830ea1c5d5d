#include "fuzz/json_check.h"

#include <cstddef>
#include <cstdint>

namespace tarnevo::fuzz {

namespace {

constexpr int kMostDepth = 64;

class JsonReader {
public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    bool WholeValue() {
        SkipSpace();
        if (!Value(0)) return false;
        SkipSpace();
        return at_ == text_.size();
    }

    bool WholeUtf8() {
        while (!AtEnd()) {
            const auto byte = static_cast<unsigned char>(text_[at_++]);
            if (byte >= 0x80 && !Utf8Sequence(byte)) return false;
        }
        return true;
    }

    bool StartsWithObject() const {
        std::size_t first = 0;
        while (first < text_.size() && IsSpace(text_[first])) ++first;
        return first < text_.size() && text_[first] == '{';
    }

private:
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    bool AtEnd() const { return at_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
    void SkipSpace() {
        while (!AtEnd() && IsSpace(text_[at_])) ++at_;
    }
    bool Take(char c) {
        if (Peek() != c || AtEnd()) return false;
        ++at_;
        return true;
    }
    bool Literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }

    bool Value(int depth) {
        if (depth > kMostDepth) return false;
        switch (Peek()) {
            case '{':
                return Object(depth);
            case '[':
                return Array(depth);
            case '"':
                return String();
            case 't':
                return Literal("true");
            case 'f':
                return Literal("false");
            case 'n':
                return Literal("null");
            default:
                return Number();
        }
    }

    bool Object(int depth) {
        ++at_;  // {
        SkipSpace();
        if (Take('}')) return true;
        for (;;) {
            SkipSpace();
            if (Peek() != '"' || !String()) return false;
            SkipSpace();
            if (!Take(':')) return false;
            SkipSpace();
            if (!Value(depth + 1)) return false;
            SkipSpace();
            if (Take('}')) return true;
            if (!Take(',')) return false;
        }
    }

    bool Array(int depth) {
        ++at_;  // [
        SkipSpace();
        if (Take(']')) return true;
        for (;;) {
            SkipSpace();
            if (!Value(depth + 1)) return false;
            SkipSpace();
            if (Take(']')) return true;
            if (!Take(',')) return false;
        }
    }

    bool Digits() {
        if (!IsDigit(Peek())) return false;
        while (IsDigit(Peek())) ++at_;
        return true;
    }

    bool Number() {
        Take('-');
        if (Peek() == '0') {
            ++at_;
        } else if (!Digits()) {
            return false;
        }
        if (Take('.') && !Digits()) return false;
        if (Peek() == 'e' || Peek() == 'E') {
            ++at_;
            if (Peek() == '+' || Peek() == '-') ++at_;
            if (!Digits()) return false;
        }
        return true;
    }

    // Four hex digits of a \u escape.
    bool HexQuad(std::uint32_t& unit) {
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = Peek();
            std::uint32_t digit = 0;
            if (c >= '0' && c <= '9') {
                digit = static_cast<std::uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                digit = static_cast<std::uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                digit = static_cast<std::uint32_t>(c - 'A' + 10);
            } else {
                return false;
            }
            unit = unit * 16 + digit;
            ++at_;
        }
        return true;
    }

    // After the backslash. A high surrogate must be followed by an escaped low
    // one; a low one alone is refused.
    bool Escape() {
        if (AtEnd()) return false;
        const char c = Peek();
        ++at_;
        if (c == '"' || c == '\\' || c == '/' || c == 'b' || c == 'f' || c == 'n' || c == 'r' || c == 't') {
            return true;
        }
        if (c != 'u') return false;
        std::uint32_t unit = 0;
        if (!HexQuad(unit)) return false;
        if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
        if (unit < 0xD800 || unit > 0xDBFF) return true;
        std::uint32_t low = 0;
        return Take('\\') && Take('u') && HexQuad(low) && low >= 0xDC00 && low <= 0xDFFF;
    }

    // One UTF-8 sequence of two to four bytes starting with lead; shortest form,
    // no surrogates, at most U+10FFFF.
    bool Utf8Sequence(unsigned lead) {
        int continuation = 0;
        std::uint32_t code = 0;
        std::uint32_t smallest = 0;
        if ((lead & 0xE0U) == 0xC0U) {
            continuation = 1, code = lead & 0x1FU, smallest = 0x80;
        } else if ((lead & 0xF0U) == 0xE0U) {
            continuation = 2, code = lead & 0x0FU, smallest = 0x800;
        } else if ((lead & 0xF8U) == 0xF0U) {
            continuation = 3, code = lead & 0x07U, smallest = 0x10000;
        } else {
            return false;
        }
        for (int i = 0; i < continuation; ++i) {
            const auto byte = static_cast<unsigned char>(Peek());
            if (AtEnd() || (byte & 0xC0U) != 0x80U) return false;
            code = (code << 6U) | (byte & 0x3FU);
            ++at_;
        }
        return code >= smallest && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    }

    bool String() {
        ++at_;  // "
        while (!AtEnd()) {
            const auto byte = static_cast<unsigned char>(text_[at_++]);
            if (byte == '"') return true;
            if (byte < 0x20) return false;
            if (byte == '\\') {
                if (!Escape()) return false;
            } else if (byte >= 0x80 && !Utf8Sequence(byte)) {
                return false;
            }
        }
        return false;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

bool IsJsonValue(std::string_view text) { return JsonReader(text).WholeValue(); }

bool IsValidUtf8(std::string_view text) { return JsonReader(text).WholeUtf8(); }

bool IsJsonObject(std::string_view text) {
    if (text.ends_with('\n')) text.remove_suffix(1);
    if (text.find('\n') != std::string_view::npos) return false;
    JsonReader reader(text);
    return reader.StartsWithObject() && reader.WholeValue();
}

}  // namespace tarnevo::fuzz

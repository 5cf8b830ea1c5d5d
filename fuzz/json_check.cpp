#include "fuzz/json_check.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace tarnevo::fuzz {

namespace {

constexpr int kMostDepth = 64;

class JsonReader {
public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    // Reads one whole value, into tree when given.
    bool WholeValue(JsonTree* tree = nullptr) {
        SkipSpace();
        if (!Value(0, tree)) return false;
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

    // Each reader below fills tree with what it read when tree is not nullptr.
    bool Value(int depth, JsonTree* tree) {
        if (depth > kMostDepth) return false;
        using Kind = JsonTree::Kind;
        switch (Peek()) {
            case '{':
                return Object(depth, tree);
            case '[':
                return Array(depth, tree);
            case '"':
                if (tree != nullptr) tree->kind = Kind::String;
                return String(tree != nullptr ? &tree->text : nullptr);
            case 't':
                if (tree != nullptr) tree->kind = Kind::Boolean, tree->boolean = true;
                return Literal("true");
            case 'f':
                if (tree != nullptr) tree->kind = Kind::Boolean;
                return Literal("false");
            case 'n':
                return Literal("null");
            default:
                return Number(tree);
        }
    }

    bool Object(int depth, JsonTree* tree) {
        ++at_;  // {
        if (tree != nullptr) tree->kind = JsonTree::Kind::Object;
        SkipSpace();
        if (Take('}')) return true;
        for (;;) {
            SkipSpace();
            std::string key;
            if (Peek() != '"' || !String(tree != nullptr ? &key : nullptr)) return false;
            SkipSpace();
            if (!Take(':')) return false;
            SkipSpace();
            JsonTree* member = nullptr;
            if (tree != nullptr) {
                tree->keys.push_back(std::move(key));
                member = &tree->items.emplace_back();
            }
            if (!Value(depth + 1, member)) return false;
            SkipSpace();
            if (Take('}')) return true;
            if (!Take(',')) return false;
        }
    }

    bool Array(int depth, JsonTree* tree) {
        ++at_;  // [
        if (tree != nullptr) tree->kind = JsonTree::Kind::Array;
        SkipSpace();
        if (Take(']')) return true;
        for (;;) {
            SkipSpace();
            if (!Value(depth + 1, tree != nullptr ? &tree->items.emplace_back() : nullptr)) return false;
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

    bool Number(JsonTree* tree) {
        const std::size_t start = at_;
        if (!NumberText()) return false;
        if (tree != nullptr) {
            tree->kind = JsonTree::Kind::Number;
            tree->number = std::strtod(std::string(text_.substr(start, at_ - start)).c_str(), nullptr);
        }
        return true;
    }

    bool NumberText() {
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

    static void AppendUtf8(std::uint32_t code, std::string& text) {
        const auto byte = [&text](std::uint32_t value) { text += static_cast<char>(value); };
        if (code < 0x80) {
            byte(code);
        } else if (code < 0x800) {
            byte(0xC0U | (code >> 6U)), byte(0x80U | (code & 0x3FU));
        } else if (code < 0x10000) {
            byte(0xE0U | (code >> 12U)), byte(0x80U | ((code >> 6U) & 0x3FU)), byte(0x80U | (code & 0x3FU));
        } else {
            byte(0xF0U | (code >> 18U)), byte(0x80U | ((code >> 12U) & 0x3FU));
            byte(0x80U | ((code >> 6U) & 0x3FU)), byte(0x80U | (code & 0x3FU));
        }
    }

    // After the backslash, appending what it stands for to text (when given). A
    // high surrogate must be followed by an escaped low one; a low one alone is
    // refused.
    bool Escape(std::string* text) {
        if (AtEnd()) return false;
        const char c = Peek();
        ++at_;
        constexpr std::string_view kNamed = "\"\\/bfnrt";
        constexpr std::string_view kMeant = "\"\\/\b\f\n\r\t";
        if (const std::size_t named = kNamed.find(c); named != std::string_view::npos) {
            if (text != nullptr) *text += kMeant[named];
            return true;
        }
        if (c != 'u') return false;
        std::uint32_t unit = 0;
        if (!HexQuad(unit)) return false;
        if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
        std::uint32_t code = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            std::uint32_t low = 0;
            if (!(Take('\\') && Take('u') && HexQuad(low) && low >= 0xDC00 && low <= 0xDFFF)) return false;
            code = 0x10000 + ((unit - 0xD800) << 10U) + (low - 0xDC00);
        }
        if (text != nullptr) AppendUtf8(code, *text);
        return true;
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

    // A string, its value appended to text when given.
    bool String(std::string* text) {
        ++at_;  // "
        while (!AtEnd()) {
            const std::size_t start = at_;
            const auto byte = static_cast<unsigned char>(text_[at_++]);
            if (byte == '"') return true;
            if (byte < 0x20) return false;
            if (byte == '\\') {
                if (!Escape(text)) return false;
                continue;
            }
            if (byte >= 0x80 && !Utf8Sequence(byte)) return false;
            if (text != nullptr) text->append(text_.substr(start, at_ - start));
        }
        return false;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

bool IsJsonValue(std::string_view text) { return JsonReader(text).WholeValue(); }

bool IsValidUtf8(std::string_view text) { return JsonReader(text).WholeUtf8(); }

const JsonTree* JsonTree::Find(std::string_view key) const {
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (keys[k] == key) return &items[k];
    }
    return nullptr;
}

std::optional<JsonTree> ReadJson(std::string_view text) {
    JsonTree tree;
    if (!JsonReader(text).WholeValue(&tree)) return std::nullopt;
    return tree;
}

bool IsJsonObject(std::string_view text) {
    if (text.ends_with('\n')) text.remove_suffix(1);
    if (text.find('\n') != std::string_view::npos) return false;
    JsonReader reader(text);
    return reader.StartsWithObject() && reader.WholeValue();
}

}  // namespace tarnevo::fuzz

#include "core/text_format.h"

#include <array>
#include <charconv>
#include <cmath>

namespace tarnevo::core {

namespace {

std::string NonFinite(double value) {
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    return value < 0 ? "-inf" : "inf";
}

template <typename... Format>
std::string ToChars(double value, Format... format) {
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format...);
    return std::string(buffer.data(), result.ptr);
}

}  // namespace

std::string FormatInteger(long long value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::string FormatShortest(double value) {
    std::string text;
    AppendShortest(value, text);
    return text;
}

void AppendShortest(double value, std::string& text) {
    if (!std::isfinite(value)) {
        text += NonFinite(value);
        return;
    }
    // The shortest text of a double holds at most 24 characters
    // ("-2.2250738585072014e-308"); only the part written is read.
    std::array<char, 32> buffer;
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    text.append(buffer.data(), written.ptr);
}

std::string FormatFixed(double value, int decimals) {
    if (!std::isfinite(value)) return NonFinite(value);
    return ToChars(value, std::chars_format::fixed, decimals);
}

std::string FormatScientific(double value, int decimals) {
    if (!std::isfinite(value)) {
        std::string text = NonFinite(value);
        for (char& c : text) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        return text;
    }
    std::string text = ToChars(value, std::chars_format::scientific, decimals);
    const std::size_t e = text.find('e');
    std::string mantissa = text.substr(0, e);
    const char sign = text[e + 1];
    std::string digits = text.substr(e + 2);
    while (digits.size() < 3) digits.insert(digits.begin(), '0');
    return mantissa + 'E' + sign + digits;
}

std::string FormatGeneral(double value) {
    if (!std::isfinite(value)) return NonFinite(value);
    return ToChars(value, std::chars_format::general, 15);
}

std::string RightAligned(std::string_view text, std::size_t width) {
    std::string line;
    if (text.size() < width) line.assign(width - text.size(), ' ');
    line += text;
    return line;
}

std::string Spread(std::string_view label, std::string_view value, std::size_t width,
                   std::size_t minimumGap) {
    std::size_t gap = label.size() + value.size() < width ? width - label.size() - value.size() : 0;
    if (gap < minimumGap) gap = minimumGap;
    std::string line(label);
    line.append(gap, ' ');
    line += value;
    return line;
}

std::string EchoedText(std::string_view text) {
    if (text.size() <= kEchoLimit) return std::string(text);
    std::size_t cut = kEchoLimit;
    // Back to the first byte of the character that the cut would split.
    const auto continues = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    while (cut > 0 && continues(text[cut])) --cut;
    return std::string(text.substr(0, cut)) + "...";
}

}  // namespace tarnevo::core

#include "port/input_record.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "core/text_format.h"

namespace tarnevo::port {

namespace {

using core::FormatGeneral;
using core::FormatInteger;

std::string_view Trimmed(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::string Substitute(std::string_view pattern, std::string_view first, std::string_view second = {}) {
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            text += pattern[i + 1] == '1' ? first : second;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

std::string IntegerRangeMessage(const FieldSpec& rule) {
    return Substitute(kIntegerRangeMessage, FormatInteger(static_cast<long long>(rule.minimum)),
                      FormatInteger(static_cast<long long>(rule.maximum)));
}

std::string NumberRangeMessage(const FieldSpec& rule) {
    return Substitute(kNumberRangeMessage, FormatGeneral(rule.minimum), FormatGeneral(rule.maximum));
}

std::optional<long long> ParseInteger(std::string_view text) {
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> ParseNumber(std::string_view text) {
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> CheckInteger(const FieldSpec& rule, long long value) {
    if (static_cast<double>(value) < rule.minimum || static_cast<double>(value) > rule.maximum) {
        return IntegerRangeMessage(rule);
    }
    return std::nullopt;
}

std::optional<std::string> CheckNumber(const FieldSpec& rule, double value) {
    if (!(value >= rule.minimum && value <= rule.maximum)) return NumberRangeMessage(rule);
    return std::nullopt;
}

std::optional<std::string> CheckText(const FieldSpec& rule, std::string_view value) {
    if (static_cast<int>(value.size()) > rule.maxLength) {
        return Substitute(kTextLengthMessage, FormatInteger(rule.maxLength));
    }
    return std::nullopt;
}

}  // namespace

std::string FieldText(const FieldBinding& field) {
    return std::visit(
        [](auto* value) -> std::string {
            using T = std::remove_pointer_t<decltype(value)>;
            if constexpr (std::is_same_v<T, int>) return FormatInteger(*value);
            if constexpr (std::is_same_v<T, double>) return FormatGeneral(*value);
            if constexpr (std::is_same_v<T, std::string>) return *value;
            if constexpr (std::is_same_v<T, bool>) return *value ? "1" : "0";
        },
        field.target);
}

std::optional<std::string> AssignFieldText(const FieldBinding& field, std::string_view text) {
    const FieldSpec& rule = *field.rule;
    switch (rule.type) {
        case FieldType::Integer:
        case FieldType::Choice: {
            const auto value = ParseInteger(text);
            if (!value) return std::string(kIntegerMessage);
            if (auto refusal = CheckInteger(rule, *value)) return refusal;
            *std::get<int*>(field.target) = static_cast<int>(*value);
            return std::nullopt;
        }
        case FieldType::Number: {
            const auto value = ParseNumber(text);
            if (!value) return std::string(kNumberMessage);
            if (auto refusal = CheckNumber(rule, *value)) return refusal;
            *std::get<double*>(field.target) = *value;
            return std::nullopt;
        }
        case FieldType::Text:
            if (auto refusal = CheckText(rule, text)) return refusal;
            *std::get<std::string*>(field.target) = std::string(text);
            return std::nullopt;
        case FieldType::Check: {
            const std::string_view value = Trimmed(text);
            if (value != "0" && value != "1") return std::string("Please enter 0 or 1.");
            *std::get<bool*>(field.target) = value == "1";
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ValidateField(const FieldBinding& field) {
    const FieldSpec& rule = *field.rule;
    switch (rule.type) {
        case FieldType::Integer:
        case FieldType::Choice:
            return CheckInteger(rule, *std::get<int*>(field.target));
        case FieldType::Number:
            return CheckNumber(rule, *std::get<double*>(field.target));
        case FieldType::Text:
            return CheckText(rule, *std::get<std::string*>(field.target));
        case FieldType::Check:
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<FieldRefusal> ValidateRecord(InputRecord& record) {
    const std::vector<FieldBinding> fields = record.Fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (auto message = ValidateField(fields[i])) return FieldRefusal{i, *message};
    }
    return std::nullopt;
}

std::optional<FieldBinding> FindField(InputRecord& record, std::string_view key) {
    for (const FieldBinding& field : record.Fields()) {
        if (field.rule->key == key) return field;
    }
    return std::nullopt;
}

std::string AcceptedValues(const FieldSpec& rule) {
    switch (rule.type) {
        case FieldType::Integer:
            return "an integer from " + FormatInteger(static_cast<long long>(rule.minimum)) + " to " +
                   FormatInteger(static_cast<long long>(rule.maximum)) + " is required";
        case FieldType::Number:
            return "a number from " + FormatGeneral(rule.minimum) + " to " + FormatGeneral(rule.maximum) +
                   " is required";
        case FieldType::Text:
            return "at most " + FormatInteger(rule.maxLength) + " characters are accepted";
        case FieldType::Check:
            return "0 or 1 is required";
        case FieldType::Choice:
            return "an integer from 0 to " + FormatInteger(static_cast<long long>(rule.maximum)) +
                   " is required";
    }
    return {};
}

}  // namespace tarnevo::port

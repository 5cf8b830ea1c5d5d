// A strict JSON checker for the fuzz targets (RFC 8259): the command line promises
// JSON that any parser reads, so nothing lenient is accepted: no trailing commas,
// no NaN or Infinity, no raw control characters in strings, no invalid UTF-8
// (overlong forms, surrogates, code points above U+10FFFF), no lone surrogate
// escapes. Nesting deeper than 64 levels is refused.
#pragma once

#include <string_view>

namespace tarnevo::fuzz {

// Whether text is one JSON value, with optional surrounding whitespace.
bool IsJsonValue(std::string_view text);

// Whether text is well-formed UTF-8 (the rules above).
bool IsValidUtf8(std::string_view text);

// Whether text is one JSON object followed by at most one line end.
bool IsJsonObject(std::string_view text);

}  // namespace tarnevo::fuzz

// Formula and symbol parsing: text in, atom counts or an element index out.
//
// The syntax is deliberately plain: element symbols (uppercase letter, optional
// lowercase letter) each followed by an optional decimal count. No parentheses,
// blanks, charges or isotope labels. "CH3CH2OH" gives C 2, H 6, O 1.
// These functions never talk to the user; the calculations turn a status into
// the message boxes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/element_table.h"

namespace tarnevo::core {

inline constexpr std::uint32_t kMaxAtomsPerElement = 20000;

// Atom count per element index, e.g. C6H12O6 -> counts[10] = 6, counts[27] = 12,
// counts[49] = 6, all others 0. The engine clears the counts it consumes.
struct ParsedFormula {
    std::array<std::uint32_t, kElementCount> counts{};
    std::uint32_t& operator[](int index) { return counts[index]; }
    std::uint32_t operator[](int index) const { return counts[index]; }
};

enum class FormulaSyntax {
    Valid,         // counts hold the formula
    Error,         // not a formula: bad character, unknown symbol, empty text
    TooManyAtoms,  // some element's total count exceeds kMaxAtomsPerElement
};

// Fills formula from text (all counts are zeroed first). On an error the counts
// gathered so far are left behind and mean nothing.
FormulaSyntax ParseFormulaText(std::string_view text, ParsedFormula& formula);

// Sentinel of LookupSymbolText for text that is not exactly one acceptable symbol.
inline constexpr int kNoSymbol = -1;

// Element index of a text that is exactly one symbol, with extraAllowed
// user-defined elements (from Jx on) acceptable besides the natural ones;
// kNoSymbol otherwise.
int LookupSymbolText(std::string_view text, int extraAllowed);

}  // namespace tarnevo::core

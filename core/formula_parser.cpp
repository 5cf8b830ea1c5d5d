#include "core/formula_parser.h"

#include <cstddef>

namespace tarnevo::core {

namespace {

constexpr bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads one element symbol at position and advances past it; kNoSymbol when the
// text there is not a known symbol.
int ReadSymbol(std::string_view text, std::size_t& position) {
    if (position >= text.size() || !IsUpper(text[position])) return kNoSymbol;
    const std::size_t letterAt = symbolTable.find(text[position]);
    int index = 0;
    for (std::size_t i = 0; i < letterAt; ++i) {
        if (!IsUpper(symbolTable[i])) ++index;
    }
    std::size_t slot = letterAt + 1;
    const bool twoLetters = position + 1 < text.size() && IsLower(text[position + 1]);
    if (!twoLetters) {
        if (slot >= symbolTable.size() || symbolTable[slot] != ' ') return kNoSymbol;
        ++position;
        return index;
    }
    if (slot < symbolTable.size() && symbolTable[slot] == ' ') {
        ++slot;
        ++index;
    }
    for (; slot < symbolTable.size() && IsLower(symbolTable[slot]); ++slot, ++index) {
        if (symbolTable[slot] == text[position + 1]) {
            position += 2;
            return index;
        }
    }
    return kNoSymbol;
}

// Reads the digit run at position (none: 1). Runs too long or too large for any
// accepted count saturate above the atom limit instead of wrapping around.
std::uint32_t ReadCount(std::string_view text, std::size_t& position) {
    if (position >= text.size() || !IsDigit(text[position])) return 1;
    std::uint32_t count = 0;
    for (; position < text.size() && IsDigit(text[position]); ++position) {
        count = count * 10 + static_cast<std::uint32_t>(text[position] - '0');
        if (count > kMaxAtomsPerElement) count = kMaxAtomsPerElement + 1;
    }
    return count;
}

}  // namespace

FormulaSyntax ParseFormulaText(std::string_view text, ParsedFormula& formula) {
    formula.counts.fill(0);
    if (text.empty()) return FormulaSyntax::Error;
    std::size_t position = 0;
    while (position < text.size()) {
        const int index = ReadSymbol(text, position);
        if (index == kNoSymbol) return FormulaSyntax::Error;
        const std::uint32_t count = ReadCount(text, position);
        formula[index] += count;
        if (formula[index] > kMaxAtomsPerElement) return FormulaSyntax::TooManyAtoms;
    }
    return FormulaSyntax::Valid;
}

int LookupSymbolText(std::string_view text, int extraAllowed) {
    std::size_t position = 0;
    const int index = ReadSymbol(text, position);
    if (index == kNoSymbol || position != text.size()) return kNoSymbol;
    if (index - extraAllowed > kLastNaturalElement) return kNoSymbol;
    return index;
}

}  // namespace tarnevo::core

// libFuzzer target for the formula and symbol parsers: any byte string must be
// parsed without reading outside it, and nothing accepted may carry an atom
// count above the limit or a symbol index outside the table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/formula_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    tarnevo::core::ParsedFormula formula;
    if (tarnevo::core::ParseFormulaText(text, formula) == tarnevo::core::FormulaSyntax::Valid) {
        for (const std::uint32_t count : formula.counts) {
            if (count > tarnevo::core::kMaxAtomsPerElement) std::abort();
        }
    }
    for (int extra = 0; extra <= tarnevo::core::kUserElementCount; ++extra) {
        const int index = tarnevo::core::LookupSymbolText(text, extra);
        if (index != tarnevo::core::kNoSymbol &&
            (index < 0 || index > tarnevo::core::kLastNaturalElement + extra)) {
            std::abort();
        }
    }
    return 0;
}

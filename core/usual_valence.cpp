#include "core/usual_valence.h"

#include <array>
#include <string_view>
#include <utility>

#include "core/element_table.h"

namespace tarnevo::core {

namespace {

constexpr std::array<std::pair<std::string_view, int>, 34> kUsualValences = {{
    {"H", 1},  {"Li", 1}, {"Na", 1}, {"K", 1},  {"Rb", 1}, {"Cs", 1}, {"F", 1},  {"Cl", 1}, {"Br", 1},
    {"I", 1},  {"Be", 2}, {"Mg", 2}, {"Ca", 2}, {"Sr", 2}, {"Ba", 2}, {"O", 2},  {"S", 2},  {"Se", 2},
    {"Te", 2}, {"Zn", 2}, {"Cd", 2}, {"B", 3},  {"Al", 3}, {"Ga", 3}, {"In", 3}, {"N", 3},  {"P", 3},
    {"As", 3}, {"Sb", 3}, {"Bi", 3}, {"C", 4},  {"Si", 4}, {"Ge", 4}, {"Sn", 4},
}};

}  // namespace

std::optional<int> UsualValence(int elementIndex) {
    if (elementIndex < 0 || elementIndex > kLastNaturalElement) return std::nullopt;
    const std::string_view symbol = SymbolOf(elementIndex);
    for (const auto& [known, valence] : kUsualValences) {
        if (known == symbol) return valence;
    }
    return std::nullopt;
}

RowValences UsualValences(const int* elementIndex, int elementCount) {
    RowValences valences;
    for (int k = 0; k < elementCount && k < kMaxSearchElements; ++k) {
        valences[static_cast<std::size_t>(k)] = UsualValence(elementIndex[k]);
    }
    return valences;
}

std::optional<double> RingsPlusDoubleBonds(const int* elementIndex, const AtomCounts& counts,
                                           int elementCount) {
    return RingsPlusDoubleBonds(UsualValences(elementIndex, elementCount), counts, elementCount);
}

std::optional<double> RingsPlusDoubleBonds(const RowValences& valences, const AtomCounts& counts,
                                           int elementCount) {
    double twice = 2.0;
    for (int k = 0; k < elementCount && k < kMaxSearchElements; ++k) {
        const auto row = static_cast<std::size_t>(k);
        const int atoms = counts[row];
        if (atoms == 0) continue;
        if (!valences[row]) return std::nullopt;
        twice += static_cast<double>(atoms) * (*valences[row] - 2);
    }
    return twice / 2.0;
}

}  // namespace tarnevo::core

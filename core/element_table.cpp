#include "core/element_table.h"

#include <cmath>

#include "core/natural_isotopes.h"

namespace tarnevo::core {

namespace {

constexpr bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

void FillSymbols(std::array<ElementRecord, kElementCount>& records) {
    int index = 0;
    char group = 0;
    for (char c : symbolTable) {
        if (IsUpper(c)) {
            group = c;
            continue;
        }
        ElementRecord& record = records[index++];
        record.symbol[0] = group;
        record.symbol[1] = c == ' ' ? '\0' : c;
        record.symbol[2] = '\0';
    }
}

}  // namespace

ElementTable::ElementTable() {
    FillSymbols(records);
    int deltaSlot = 0;
    int faSlot = 0;
    for (std::size_t i = 0; i < kNaturalElementCount; ++i) {
        const NaturalElement& natural = kNaturalElements[i];
        ElementRecord& record = records[i];
        record.lightMass = natural.lightMass;
        record.heavyCount = natural.heavyCount;
        record.valenceElectrons = natural.valenceElectrons;
        if (natural.heavyCount == 0) continue;
        record.firstDelta = deltaSlot;
        record.firstFA = faSlot;
        faPool[faSlot++] = natural.lightFA;
        for (int k = 0; k < natural.heavyCount; ++k) {
            deltaPool[deltaSlot] = natural.heavy[k].delta;
            heavyMassPool[deltaSlot] = natural.heavy[k].exactMass;
            faPool[faSlot++] = natural.heavy[k].fa;
            ++deltaSlot;
        }
    }
}

double ElementTable::LightFA(int index) const {
    const ElementRecord& record = records[index];
    return record.heavyCount == 0 ? 1.0 : faPool[record.firstFA];
}

double ElementTable::HeavyMassDefect(int index, int k) const {
    const double exactMass = HeavyExactMass(index, k);
    if (exactMass == 0.0) return 0.0;
    return exactMass - records[index].lightMass - HeavyDelta(index, k);
}

void ElementTable::ResetUserIsotopeCursors() {
    nextDeltaSlot = naturalDeltaCount;
    nextFASlot = naturalFACount;
}

int NominalMassNumber(double exactMass) { return static_cast<int>(std::lround(exactMass)); }

std::string_view SymbolOf(int index) {
    static const std::array<ElementRecord, kElementCount> kSymbols = [] {
        std::array<ElementRecord, kElementCount> records{};
        FillSymbols(records);
        return records;
    }();
    return kSymbols[index].symbol;
}

}  // namespace tarnevo::core

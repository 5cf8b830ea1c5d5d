#include "core/user_element.h"

namespace tarnevo::core {

namespace {

// Row with the largest FA among rows still holding a delta (first on ties);
// -1 when a candidate row has an FA of 0 or less.
int TakeLargestRow(const std::array<int, kMaxUserHeavyIsotopes>& delta,
                   const std::array<double, kMaxUserHeavyIsotopes>& fa) {
    int best = -1;
    for (int row = 0; row < kMaxUserHeavyIsotopes; ++row) {
        if (delta[row] == 0) continue;
        if (fa[row] <= 0.0) return -1;
        if (best < 0 || fa[row] > fa[best]) best = row;
    }
    return best;
}

bool HasEqualDeltas(const ElementTable& table, int first, int count) {
    for (int a = 0; a < count; ++a) {
        for (int b = a + 1; b < count; ++b) {
            if (table.deltaPool[first + a] == table.deltaPool[first + b]) return true;
        }
    }
    return false;
}

}  // namespace

UserElementStatus StoreUserElement(ElementTable& table, int elementIndex, const UserIsotopeEntry& entry) {
    ElementRecord& record = table[elementIndex];
    record.lightMass = entry.lightMass;
    int heavyCount = 0;
    for (int delta : entry.delta) heavyCount += delta != 0 ? 1 : 0;
    record.heavyCount = heavyCount;
    if (heavyCount == 0) {
        record.firstDelta = 0;
        record.firstFA = 0;
        return UserElementStatus::Stored;
    }
    record.firstDelta = table.nextDeltaSlot;
    record.firstFA = table.nextFASlot;
    ++table.nextFASlot;

    auto delta = entry.delta;
    double heavySum = 0.0;
    for (int stored = 0; stored < heavyCount; ++stored) {
        const int row = TakeLargestRow(delta, entry.fa);
        if (row < 0) return UserElementStatus::NonPositiveFA;
        table.heavyMassPool[table.nextDeltaSlot] = 0.0;  // typed by its delta only
        table.deltaPool[table.nextDeltaSlot++] = delta[row];
        table.faPool[table.nextFASlot++] = entry.fa[row];
        heavySum += entry.fa[row];
        delta[row] = 0;
    }
    if (HasEqualDeltas(table, record.firstDelta, heavyCount)) return UserElementStatus::EqualDeltas;
    table.faPool[record.firstFA] = 1.0 - heavySum;
    if (table.faPool[record.firstFA] < 0.000001) return UserElementStatus::HeavyFATooLarge;
    return UserElementStatus::Stored;
}

}  // namespace tarnevo::core

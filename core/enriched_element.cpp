#include "core/enriched_element.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

namespace tarnevo::core {

namespace {

// Rounding of a sum of at most nine FAs below 1 stays within a few units of the
// last place of 1.
constexpr double kRemainderTolerance = 16 * DBL_EPSILON;

// Selection sort of positions first .. count-1 by key; an entry moves only past
// entries whose key is strictly worse, so equal keys keep their order.
template <typename Better>
void StableSelectionSort(IsotopeList& list, std::array<double, kMaxElementIsotopes>& fa, int first,
                         Better better) {
    for (int i = first; i < list.count; ++i) {
        int best = i;
        for (int j = i + 1; j < list.count; ++j) {
            if (better(list, fa, j, best)) best = j;
        }
        // Rotate best into position i; the entries between keep their order.
        for (int j = best; j > i; --j) {
            std::swap(list.mass[j], list.mass[j - 1]);
            std::swap(list.delta[j], list.delta[j - 1]);
            std::swap(list.exactMass[j], list.exactMass[j - 1]);
            std::swap(fa[j], fa[j - 1]);
        }
    }
}

}  // namespace

IsotopeList NaturalIsotopesByMass(const ElementTable& table, int element) {
    IsotopeList list;
    const ElementRecord& record = table[element];
    list.count = record.heavyCount + 1;
    list.mass[0] = record.lightMass;
    list.fa[0] = table.LightFA(element);
    for (int k = 0; k < record.heavyCount; ++k) {
        list.delta[k + 1] = table.HeavyDelta(element, k);
        list.mass[k + 1] = record.lightMass + list.delta[k + 1];
        list.exactMass[k + 1] = table.HeavyExactMass(element, k);
        list.fa[k + 1] = table.HeavyFA(element, k);
    }
    StableSelectionSort(list, list.fa, 1, [](const IsotopeList& l, const auto&, int a, int b) {
        return l.mass[a] < l.mass[b];
    });
    return list;
}

EnrichmentStatus CompleteEnrichedFAs(const IsotopeList& isotopes, std::span<const double> heavyFA,
                                     std::array<double, kMaxElementIsotopes>& enrichedFA) {
    enrichedFA.fill(0.0);
    double heavySum = 0.0;
    for (int i = 1; i < isotopes.count; ++i) {
        const std::size_t row = static_cast<std::size_t>(i - 1);
        const double fa = row < heavyFA.size() ? heavyFA[row] : 0.0;
        enrichedFA[i] = fa == 0.0 ? kSmallestEnrichedFA : fa;
        heavySum += enrichedFA[i];
    }
    double light = 1.0 - heavySum;
    if (std::abs(light) <= kRemainderTolerance) light = 0.0;
    if (light < 0.0) return EnrichmentStatus::HeavyFATooLarge;
    enrichedFA[0] = light;
    return EnrichmentStatus::Stored;
}

void StoreEnrichedElement(ElementTable& table, int slot, const IsotopeList& isotopes,
                          const std::array<double, kMaxElementIsotopes>& enrichedFA) {
    IsotopeList ordered = isotopes;
    ordered.fa = enrichedFA;
    StableSelectionSort(ordered, ordered.fa, 1,
                        [](const IsotopeList&, const auto& f, int a, int b) { return f[a] > f[b]; });
    StoreIsotopesByMass(table, slot, ordered);
}

void StoreIsotopesByMass(ElementTable& table, int slot, const IsotopeList& ordered) {
    const auto& fa = ordered.fa;
    ElementRecord& record = table[slot];
    record.lightMass = ordered.mass[0];
    record.heavyCount = ordered.count - 1;
    record.firstDelta = table.nextDeltaSlot;
    record.firstFA = table.nextFASlot;
    table.faPool[table.nextFASlot++] = fa[0];
    for (int i = 1; i < ordered.count; ++i) {
        // The exact mass too: the centroids of a labelled pattern carry the
        // heavy isotopes' mass defects as the natural element's do.
        table.heavyMassPool[table.nextDeltaSlot] = ordered.exactMass[i];
        table.deltaPool[table.nextDeltaSlot++] = static_cast<int>(ordered.mass[i] - ordered.mass[0] + 0.1);
        table.faPool[table.nextFASlot++] = fa[i];
    }
}

void SetElementTrialFAs(ClusterWorkspace& workspace, int firstFAEntry, std::span<const double> fas) {
    if (firstFAEntry < 0 || static_cast<std::size_t>(firstFAEntry) + fas.size() > workspace.workFA.size())
        return;
    std::copy(fas.begin(), fas.end(), workspace.workFA.begin() + firstFAEntry);
}

}  // namespace tarnevo::core

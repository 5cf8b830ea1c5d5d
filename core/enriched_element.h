// Enriched elements: a natural element whose isotopes carry FAs other than the
// natural ones, written into one of the user-defined element records Jx .. Qz so
// that the unchanged cluster engine computes the pattern of a labelled ion.
//
// The labelled atoms of an ion are counted under the slot, the remaining atoms
// under the natural element; the engine then treats both as ordinary elements.
#pragma once

#include <array>
#include <span>

#include "core/cluster_engine.h"
#include "core/element_table.h"

namespace tarnevo::core {

// The element with the most isotopes (Sn) has ten.
inline constexpr int kMaxElementIsotopes = kMaxUserHeavyIsotopes + 1;

// A heavy FA entered as exactly 0 takes part as this small FA, so that every
// isotope keeps a non-zero abundance.
inline constexpr double kSmallestEnrichedFA = 0.000001;

// The isotopes of one element, lightest first, then the heavy ones by ascending
// mass. Each heavy mass is the lightest exact mass plus its nominal difference
// (12.0 and 13.0 for carbon), as the enrichment tables show them.
struct IsotopeList {
    int count = 0;
    std::array<double, kMaxElementIsotopes> mass{};
    std::array<int, kMaxElementIsotopes> delta{};  // nominal difference from the lightest; 0 for it
    std::array<double, kMaxElementIsotopes> fa{};
    // The heavy isotopes' exact masses, for the centroids (mass shows the nominal
    // spacing on the light mass, as the dialogs list it); 0 where none is known.
    std::array<double, kMaxElementIsotopes> exactMass{};
};

// The natural isotopes of element, lightest first, then by ascending mass; a
// later equal mass never moves before an earlier one.
IsotopeList NaturalIsotopesByMass(const ElementTable& table, int element);

enum class EnrichmentStatus {
    Stored,
    HeavyFATooLarge,  // the heavy FAs add up to more than 1
};

// The enriched FAs of all isotopes from the heavy ones entered (ascending mass,
// isotopes.count - 1 of them): zeros become kSmallestEnrichedFA, the lightest
// takes 1 minus their sum. A remainder within a few rounding units of 0 counts
// as exactly 0: 0.33 + 0.56 + 0.11 is 1 as typed, though its double sum leaves
// about -1E-16.
EnrichmentStatus CompleteEnrichedFAs(const IsotopeList& isotopes, std::span<const double> heavyFA,
                                     std::array<double, kMaxElementIsotopes>& enrichedFA);

// Writes the enriched element into the record of slot (Jx .. Qz) at the table's
// cursors and advances them: the lightest isotope's mass and FA, then the heavy
// isotopes in decreasing enriched FA (the table's order; a later equal FA never
// moves before an earlier one), each delta the truncation of its mass
// difference + 0.1. Six elements of ten isotopes fill the pools exactly.
void StoreEnrichedElement(ElementTable& table, int slot, const IsotopeList& isotopes,
                          const std::array<double, kMaxElementIsotopes>& enrichedFA);

// Writes isotopes into the record of slot at the table's cursors in the list's
// own order (ascending mass) with the list's FAs, and advances the cursors. The
// enrichment fit lists the element this way, so that its trial FA vectors map
// onto the workspace entry by entry.
void StoreIsotopesByMass(ElementTable& table, int slot, const IsotopeList& isotopes);

// Sets the FAs of one ordered element of the workspace for a trial: fas[0] is
// its lightest isotope, then its heavy isotopes in the order of its deltas. The
// next ComputeCluster uses them; the element table is not touched.
void SetElementTrialFAs(ClusterWorkspace& workspace, int firstFAEntry, std::span<const double> fas);

}  // namespace tarnevo::core

// Isotope masses to the digits the atomic mass evaluation gives, for the work
// that compares computed m/z with measured ones at the 1-2 ppm an instrument
// reaches. The built-in element table prints its masses to five decimals (up to
// 5E-6 u off, 0.3 ppm at m/z 1000 once a few dozen atoms add up); the pages and
// reports keep printing those. This table is a copy of it whose natural isotopes
// carry IsoSpec's masses instead.
//
// Where IsoSpec's masses come from: its element table cites nothing itself;
// its R package names the tables of the IUPAC Commission on Isotopic
// Abundances and Atomic Weights (CIAAW) as the source, and CIAAW takes its
// isotope masses from the Atomic Mass Evaluation (AME). For every isotope of
// the elements of organic compounds and their usual adduct partners (H C N O
// P S F Cl Br Si Na K) they agree with AME 2016 to better than 1E-6 u, most to
// 1E-7 u (1H 1.00782503227 against 1.00782503223; 79Br 78.9183381 against
// 78.9183376 is the farthest). For about a hundred isotopes of heavier
// elements IsoSpec prints fewer digits than the evaluation gives, with one
// digit too many appended (127I 126.904473 against 126.9044719, 162Dy
// 161.926812 against 161.9268056): there its masses are off by 1E-6 to 1E-5 u
// (9E-6 u for 98Ru), as far as the five-decimal table's and short of 1E-6 u.
//
// The five-decimal table itself was rounded from an older evaluation, so beyond
// its rounding the two differ where the evaluation moved a mass (up to 3E-5 u,
// for 120Te and 126Xe); H C N O P S F Cl Br Si Na K lie within the rounding.
#pragma once

#include <optional>
#include <string_view>

#include "core/element_table.h"

namespace tarnevo::fine {

// IsoSpec's mass of the isotope of an element (its symbol, "Cl") with that mass
// number (35), u; nothing when IsoSpec does not list that isotope.
std::optional<double> PreciseIsotopeMass(std::string_view symbol, int massNumber);

// The default element table with every natural isotope's mass, the lightest
// (lightMass) and the heavy ones (heavyMassPool), replaced by IsoSpec's, each
// found by its element and mass number. An isotope IsoSpec does not list keeps
// its five-decimal mass. Everything else is the default table's: the FAs, the
// deltas, the valences, and the user-defined elements (not defined yet).
core::ElementTable PreciseElementTable();

}  // namespace tarnevo::fine

// The element numbering and the ElementTable: one record per element index with
// its lightest isotope and a run of heavy isotopes in the shared pools.
//
// Indexes 0-83 are the natural elements in alphabetical order of their symbols,
// 84-89 the user-defined elements Jx, Jy, Jz, Qx, Qy, Qz whose isotopes are entered
// per calculation. The numbering comes from the packed symbolTable below.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tarnevo::core {

inline constexpr int kElementCount = 90;
inline constexpr int kFirstUserElement = 84;
inline constexpr int kUserElementCount = 6;
inline constexpr int kLastNaturalElement = 83;
inline constexpr int kMaxUserHeavyIsotopes = 9;

inline constexpr int naturalDeltaCount = 204;  // first free deltaPool entry after the natural data
inline constexpr int naturalFACount = 266;     // first free faPool entry after the natural data
inline constexpr int kDeltaPoolSize = naturalDeltaCount + kUserElementCount * kMaxUserHeavyIsotopes;
inline constexpr int kFAPoolSize = naturalFACount + kUserElementCount * (kMaxUserHeavyIsotopes + 1);
// Parallel to deltaPool. The natural entries hold each heavy isotope's exact mass;
// a user-defined slot holds one only when its isotopes are natural ones (an enriched
// element), otherwise 0: typed isotopes have a nominal spacing and no exact mass.
inline constexpr int kHeavyMassPoolSize = kDeltaPoolSize;

// An uppercase letter opens a group; each following blank or lowercase letter is
// one element (blank: the one-letter symbol). An element's index is the number of
// non-uppercase characters before its own character.
inline constexpr std::string_view symbolTable =
    "AglrsuB aeirC adelorsuDyEruF eGadeH efgoI nrK rLaiuMgnoN abdeiO sP abdrtRbehuS "
    "bceimnrTabehilmU V W XeY bZnrJxyzQxyz";

struct ElementRecord {
    char symbol[3] = {};       // one or two characters, NUL-terminated
    double lightMass = 0.0;    // u; 0.0 for a user-defined element not yet defined
    int heavyCount = 0;        // 0 marks a monoisotopic element
    int firstDelta = 0;        // index in deltaPool of the first heavy isotope
    int firstFA = 0;           // index in faPool of the lightest isotope's FA
    int valenceElectrons = 0;  // -1: indeterminate
};

class ElementTable {
public:
    std::array<ElementRecord, kElementCount> records{};
    std::array<int, kDeltaPoolSize> deltaPool{};
    std::array<double, kFAPoolSize> faPool{};
    std::array<double, kHeavyMassPoolSize> heavyMassPool{};
    // Append cursors for user-defined isotopes; every calculation that takes
    // user-defined elements resets them to the first free entries.
    int nextDeltaSlot = naturalDeltaCount;
    int nextFASlot = naturalFACount;

    ElementTable();

    const ElementRecord& operator[](int index) const { return records[index]; }
    ElementRecord& operator[](int index) { return records[index]; }

    bool IsPolyisotopic(int index) const { return records[index].heavyCount > 0; }
    // FA of the lightest isotope; 1.0 for a monoisotopic element.
    double LightFA(int index) const;
    int HeavyDelta(int index, int k) const { return deltaPool[records[index].firstDelta + k]; }
    double HeavyFA(int index, int k) const { return faPool[records[index].firstFA + 1 + k]; }
    // Exact mass of a heavy isotope; 0 for a user-defined isotope typed by its delta.
    double HeavyExactMass(int index, int k) const { return heavyMassPool[records[index].firstDelta + k]; }
    // Exact mass of a heavy isotope minus the lightest isotope's mass and its delta:
    // how far the isotope sits from the nominal spacing (13C: 0.00335 u). 0 where
    // no exact mass is known.
    double HeavyMassDefect(int index, int k) const;

    void ResetUserIsotopeCursors();
};

// Nominal mass number from an exact mass: the nearest whole number, halves up
// (34.96885 u of 35Cl gives 35).
int NominalMassNumber(double exactMass);

std::string_view SymbolOf(int index);

}  // namespace tarnevo::core

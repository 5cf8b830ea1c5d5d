// What keeps the fine structure's memory bounded before IsoSpec allocates it.
// IsoSpec keeps, for each element, every subisotopologue (the atoms of that
// element in one isotopic composition) down to the probability its current
// layer reaches, with the neighbours it looked at: 30 tin atoms hold a few
// million of them within the first layers, 160 some 10^11. Each layer is
// allocated whole, so the line ceiling, checked as lines come out, comes too
// late for them; the size of a layer is estimated here before it is asked for.
#pragma once

#include <cstddef>
#include <span>

namespace tarnevo::fine {

// One polyisotopic element of an ion as IsoSpec takes it.
struct MarginalShape {
    int atoms = 0;
    std::span<const double> abundances;  // of its isotopes that occur, each in (0, 1]
};

// What IsoSpec will hold for the subisotopologues of these elements whose
// log-probability lies within depth (natural log units) of each element's most
// probable one. Each element's count is the volume of the multinomial's
// Gaussian ellipsoid at that depth (the count of lattice points inside it),
// never more than all its compositions, C(atoms + isotopes - 1, isotopes - 1).
struct MarginalEstimate {
    // The most of any element. Every one of them is part of a line at least as
    // probable (with the other elements' most probable parts), so the fine
    // structure down to that depth has at least this many lines.
    double largestCount = 0.0;
    // All of them, each at the isotopes' counts and four doubles, twice for the
    // neighbours kept beside them.
    double bytes = 0.0;
};

MarginalEstimate EstimateMarginals(std::span<const MarginalShape> elements, double depth);

// A fine structure that holds more than this is "large": it takes one of a
// few places shared by the whole process (LargeComputationPlace) before it
// grows further, so that however many threads compute fine structures at once
// (a batch's --jobs, up to 256), at most that many large ones hold memory
// together: 256 small ones hold 1 GB at most, the large ones kMaxFineBytes each.
// 4 MB is some 100,000 lines, more than any ion below 10 kDa needs.
inline constexpr double kSmallFineBytes = 4.0 * 1024 * 1024;
// What one fine structure may hold at most (IsoSpec's subisotopologues and the
// lines together); beyond it the work is refused before it is allocated.
inline constexpr double kMaxFineBytes = 256.0 * 1024 * 1024;
// The large fine structures that may hold memory at once.
inline constexpr int kLargeFinePlaces = 2;

// One of the process's kLargeFinePlaces, taken on Take (waiting while all are
// held) and given back when the holder ends. A holder takes once and never
// waits for anything else while holding it, so waiting cannot deadlock.
class LargeComputationPlace {
public:
    LargeComputationPlace() = default;
    LargeComputationPlace(const LargeComputationPlace&) = delete;
    LargeComputationPlace& operator=(const LargeComputationPlace&) = delete;
    ~LargeComputationPlace();

    void Take();
    bool Held() const { return held_; }

private:
    bool held_ = false;
};

// Makes IsoSpec's table of log-factorials usable. IsoSpec maps it (10 million
// entries, 80 MB of address space) when the library loads and keeps whatever
// came back: under an address-space limit (ulimit -v) below that it keeps the
// failure value, and its first use would write through it. Then a table of
// the entries a formula can need (up to kMaxAtomsPerElement atoms, in static
// storage) takes its place. Cheap after the first call; safe from any thread;
// call it before anything of IsoSpec's runs.
void EnsureLogFactorialTable();

}  // namespace tarnevo::fine

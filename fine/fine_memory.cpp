#include "fine/fine_memory.h"

#include <IsoSpec++/isoMath.h>
#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <numbers>

#include "core/formula_parser.h"

namespace tarnevo::fine {

namespace {

// Every subisotopologue IsoSpec keeps is its isotopes' counts (an int each)
// and its log-probability, probability, mass and a pointer to it; the
// neighbours it looked at but has not taken yet, about as many again, each the
// counts, a log-probability and a pointer.
double BytesPerSubisotopologue(std::size_t isotopes) {
    return 2.0 * (4.0 * static_cast<double>(isotopes) + 32.0);
}

// log C(atoms + isotopes - 1, isotopes - 1): every composition of the element.
double LogCompositionCount(int atoms, std::size_t isotopes) {
    double log = 0.0;
    for (std::size_t j = 1; j < isotopes; ++j)
        log += std::log((atoms + static_cast<double>(j)) / static_cast<double>(j));
    return log;
}

// log of the lattice points within the multinomial's Gaussian ellipsoid
// x' S^-1 x <= 2 depth: V_d (2 depth)^(d/2) sqrt(det S), d = isotopes - 1,
// det S = atoms^d x the product of the isotopes' abundances; V_d the volume of
// the unit ball, pi^(d/2) / Gamma(d/2 + 1) (tgamma: lgamma would write the
// process-wide signgam).
double LogEllipsoidCount(const MarginalShape& element, double depth) {
    const double d = static_cast<double>(element.abundances.size() - 1);
    double logDet = d * std::log(static_cast<double>(element.atoms));
    for (const double abundance : element.abundances) logDet += std::log(abundance);
    const double logUnitBall = 0.5 * d * std::log(std::numbers::pi) - std::log(std::tgamma(0.5 * d + 1.0));
    return logUnitBall + 0.5 * d * std::log(2.0 * std::max(depth, 1e-9)) + 0.5 * logDet;
}

std::mutex& PlacesLock() {
    static std::mutex lock;
    return lock;
}
std::condition_variable& PlaceFreed() {
    static std::condition_variable freed;
    return freed;
}
int& PlacesTaken() {
    static int taken = 0;
    return taken;
}

// The substitute for IsoSpec's table: log(n!) of n up to the most atoms of one
// element a formula may hold (IsoSpec asks for counts up to the atom count).
std::array<double, core::kMaxAtomsPerElement + 2> gSubstituteTable{};
double* gFailedTable = nullptr;

// IsoSpec unmaps its table at exit, with its full size: the substitute is
// static storage, so the failure value goes back first (this handler was
// registered after IsoSpec's and runs before it).
void RestoreFailedTable() { IsoSpec::g_lfact_table = gFailedTable; }

}  // namespace

MarginalEstimate EstimateMarginals(std::span<const MarginalShape> elements, double depth) {
    MarginalEstimate estimate;
    for (const MarginalShape& element : elements) {
        const std::size_t isotopes = element.abundances.size();
        if (isotopes < 2 || element.atoms <= 0) continue;
        const double logCount =
            std::min(LogEllipsoidCount(element, depth), LogCompositionCount(element.atoms, isotopes));
        const double count = std::exp(std::max(logCount, 0.0));
        estimate.largestCount = std::max(estimate.largestCount, count);
        estimate.bytes += count * BytesPerSubisotopologue(isotopes);
    }
    return estimate;
}

LargeComputationPlace::~LargeComputationPlace() {
    if (!held_) return;
    {
        const std::lock_guard lock(PlacesLock());
        --PlacesTaken();
    }
    PlaceFreed().notify_one();
}

void LargeComputationPlace::Take() {
    if (held_) return;
    std::unique_lock lock(PlacesLock());
    PlaceFreed().wait(lock, [] { return PlacesTaken() < kLargeFinePlaces; });
    ++PlacesTaken();
    held_ = true;
}

void EnsureLogFactorialTable() {
    static std::once_flag checked;
    std::call_once(checked, [] {
        double* const table = IsoSpec::g_lfact_table;
        if (table != nullptr && table != static_cast<double*>(MAP_FAILED)) return;
        gFailedTable = table;
        IsoSpec::g_lfact_table = gSubstituteTable.data();
        std::atexit(RestoreFailedTable);
    });
}

}  // namespace tarnevo::fine

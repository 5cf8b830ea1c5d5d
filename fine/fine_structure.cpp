#include "fine/fine_structure.h"

#include <IsoSpec++/isoSpec++.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <span>
#include <utility>
#include <vector>

#include "core/formula_search.h"
#include "core/ion_mz.h"
#include "core/messages.h"
#include "fine/fine_memory.h"

namespace tarnevo::fine {
namespace {

// IsoSpec's layers: each holds the compositions whose log-probability lies
// within this of the previous layer's lowest (a factor e^3, about 20). Wider
// layers mean fewer passes but more lines generated beyond the coverage.
constexpr double kLayerLogStep = -3.0;
// IsoSpec's hash and table sizes for the marginal distributions, its defaults.
constexpr int kMarginalTableSize = 1000;
constexpr int kMarginalHashSize = 1000;
// IsoSpec sizes its first layer from a hint of the probability wanted; beyond
// this it gains nothing.
constexpr double kLargestLayerHint = 0.9999;
// How far below the most probable composition's log-probability IsoSpec's
// generator sets its first threshold.
constexpr double kFirstLayerDepth = 0.00001;

// The ion as IsoSpec takes it: the polyisotopic elements, each with its atom
// count and its isotopes' masses and FAs in one flat run, and the mass of all
// the atoms that have one isotope only.
struct IsotopeModel {
    std::vector<int> isotopeCounts;
    std::vector<int> atomCounts;
    std::vector<double> masses;
    std::vector<double> abundances;
    long double fixedMass = 0.0L;
    bool anyAtom = false;
    bool tooManyAtoms = false;
    bool undefinedElement = false;
};

struct Isotope {
    double mass = 0.0;
    double abundance = 0.0;
};

// A heavy isotope's mass: the exact one where the table knows it; a
// user-defined isotope typed by its delta sits that many u above the lightest.
double HeavyIsotopeMass(const core::ElementTable& table, int element, int k) {
    const double exact = table.HeavyExactMass(element, k);
    return exact != 0.0 ? exact : table[element].lightMass + table.HeavyDelta(element, k);
}

// The isotopes of element that occur at all: an isotope of no abundance would
// only add compositions of probability 0 (and a log of minus infinity).
std::vector<Isotope> OccurringIsotopes(const core::ElementTable& table, int element) {
    std::vector<Isotope> isotopes;
    const auto keep = [&isotopes](double mass, double abundance) {
        if (abundance > 0.0 && std::isfinite(abundance)) isotopes.push_back({mass, abundance});
    };
    keep(table[element].lightMass, table.LightFA(element));
    for (int k = 0; k < table[element].heavyCount; ++k)
        keep(HeavyIsotopeMass(table, element, k), table.HeavyFA(element, k));
    return isotopes;
}

bool IsUndefinedUserElement(const core::ElementTable& table, int element) {
    return element >= core::kFirstUserElement && !(table[element].lightMass > 0.0);
}

IsotopeModel ModelOf(const core::ElementTable& table, const core::ParsedFormula& ion) {
    IsotopeModel model;
    for (int element = 0; element < core::kElementCount; ++element) {
        const std::uint32_t atoms = ion[element];
        if (atoms == 0) continue;
        model.anyAtom = true;
        if (atoms > core::kMaxAtomsPerElement) {
            model.tooManyAtoms = true;
            continue;
        }
        const std::vector<Isotope> isotopes = OccurringIsotopes(table, element);
        if (IsUndefinedUserElement(table, element) || isotopes.empty()) {
            model.undefinedElement = true;
        } else if (isotopes.size() == 1) {
            model.fixedMass += static_cast<long double>(atoms) * isotopes.front().mass;
        } else {
            model.isotopeCounts.push_back(static_cast<int>(isotopes.size()));
            model.atomCounts.push_back(static_cast<int>(atoms));
            for (const Isotope& isotope : isotopes) {
                model.masses.push_back(isotope.mass);
                model.abundances.push_back(isotope.abundance);
            }
        }
    }
    return model;
}

struct Composition {
    double mass = 0.0;  // u, of the polyisotopic atoms only
    double abundance = 0.0;
};

bool MoreAbundant(const Composition& a, const Composition& b) { return a.abundance > b.abundance; }

// Keeps, of the compositions from layerStart on, the most abundant ones until
// the running sum (sumBefore for those before layerStart) reaches coverage.
// Every earlier composition is at least as abundant as any of these, so the
// whole is the smallest set of lines that holds the coverage. The layer is not
// sorted: halving selections find the cut in time linear in its length.
// Invariant: the compositions before `first` are the layer's most abundant
// and hold less than coverage (with sumBefore); those before `last` reach it.
void TrimLastLayer(std::vector<Composition>& compositions, std::size_t layerStart, long double sumBefore,
                   double coverage) {
    const auto at = [&compositions](std::size_t index) {
        return compositions.begin() + static_cast<std::ptrdiff_t>(index);
    };
    std::size_t first = layerStart;
    std::size_t last = compositions.size();
    long double sumToFirst = sumBefore;
    while (last - first > 1) {
        const std::size_t middle = first + (last - first) / 2;
        std::nth_element(at(first), at(middle), at(last), MoreAbundant);
        long double sumToMiddle = sumToFirst;
        for (std::size_t i = first; i < middle; ++i) sumToMiddle += compositions[i].abundance;
        if (sumToMiddle < coverage) {
            first = middle;
            sumToFirst = sumToMiddle;
        } else {
            last = middle;
        }
    }
    compositions.resize(last);
}

enum class Gathering { Complete, TooManyLines };

// Each line costs its composition while gathering (two doubles) and its line
// after (three).
constexpr double kBytesPerLine = 40.0;
// Gathering this many lines makes a fine structure large (kSmallFineBytes).
constexpr std::size_t kSmallLineCount = static_cast<std::size_t>(kSmallFineBytes / kBytesPerLine);

std::vector<MarginalShape> ShapesOf(const IsotopeModel& model) {
    std::vector<MarginalShape> shapes;
    std::size_t first = 0;
    for (std::size_t e = 0; e < model.isotopeCounts.size(); ++e) {
        const auto isotopes = static_cast<std::size_t>(model.isotopeCounts[e]);
        shapes.push_back({model.atomCounts[e], std::span(model.abundances).subspan(first, isotopes)});
        first += isotopes;
    }
    return shapes;
}

// Whether the next layer, reaching depth below the most probable composition,
// may be allocated: no element's subisotopologues (estimated) outnumber the
// lines allowed, which would be fewer than the layer's lines, and they and the
// lines gathered so far stay within kMaxFineBytes. A layer beyond
// kSmallFineBytes first takes one of the process's places for large fine
// structures.
bool LayerFits(const std::vector<MarginalShape>& shapes, double depth, std::size_t lines,
               std::size_t maxLines, LargeComputationPlace& place) {
    const MarginalEstimate estimate = EstimateMarginals(shapes, depth);
    const double bytes = estimate.bytes + kBytesPerLine * static_cast<double>(lines);
    if (estimate.largestCount > static_cast<double>(maxLines) || bytes > kMaxFineBytes) return false;
    if (bytes > kSmallFineBytes) place.Take();
    return true;
}

// Held while IsoSpec builds the ion's description and its generator. Both take
// log(n!) of atom counts from the C library's lgamma (each marginal
// distribution's constant, the estimate of its size), which also writes the
// process-wide signgam: two threads building at once would write it together,
// a data race even though nobody reads it. Building is short and done once an
// ion; the generation that follows, the long part, runs side by side.
std::mutex& IsoSpecBuilding() {
    static std::mutex building;
    return building;
}

// Walks IsoSpec's layers, each a band of lower probability than the one
// before, until the compositions gathered hold coverage (the last layer is
// walked to its end, then trimmed) or there are no more. Each layer's size is
// estimated before IsoSpec allocates it (see fine/fine_memory.h).
Gathering GatherMostProbable(const IsotopeModel& model, double coverage, std::size_t maxLines,
                             std::vector<Composition>& compositions) {
    const std::vector<MarginalShape> shapes = ShapesOf(model);
    LargeComputationPlace place;
    std::unique_lock building(IsoSpecBuilding());
    IsoSpec::IsoLayeredGenerator generator(
        IsoSpec::Iso(static_cast<int>(model.isotopeCounts.size()), model.isotopeCounts.data(),
                     model.atomCounts.data(), model.masses.data(), model.abundances.data()),
        kMarginalTableSize, kMarginalHashSize, true, std::min(coverage, kLargestLayerHint));
    building.unlock();
    // The generator starts with the most probable composition alone, its
    // threshold a hair (1E-5) below that composition's log-probability.
    const double modeLogProbability = generator.get_currentLThreshold() + kFirstLayerDepth;
    long double sum = 0.0L;
    long double sumBeforeLayer = 0.0L;
    std::size_t layerStart = 0;
    bool covered = false;
    do {
        layerStart = compositions.size();
        sumBeforeLayer = sum;
        while (generator.advanceToNextConfigurationWithinLayer()) {
            if (compositions.size() >= maxLines) return Gathering::TooManyLines;
            if (compositions.size() == kSmallLineCount) place.Take();
            compositions.push_back({generator.mass(), generator.prob()});
            sum += compositions.back().abundance;
        }
        covered = sum >= coverage;
        if (covered) break;
        const double nextDepth = modeLogProbability - (generator.get_currentLThreshold() + kLayerLogStep);
        if (!LayerFits(shapes, nextDepth, compositions.size(), maxLines, place))
            return Gathering::TooManyLines;
    } while (generator.nextLayer(kLayerLogStep));
    if (covered) TrimLastLayer(compositions, layerStart, sumBeforeLayer, coverage);
    return Gathering::Complete;
}

// The lines in m/z order: m/z grows with the mass at any charge, so the
// compositions are ordered by mass (the more abundant first among equal masses).
std::vector<core::SpectrumLine> LinesOf(std::vector<Composition>& compositions, long double fixedMass,
                                        int charge) {
    std::sort(compositions.begin(), compositions.end(), [](const Composition& a, const Composition& b) {
        return a.mass != b.mass ? a.mass < b.mass : a.abundance > b.abundance;
    });
    std::vector<core::SpectrumLine> lines;
    lines.reserve(compositions.size());
    for (const Composition& composition : compositions) {
        const long double mass = fixedMass + composition.mass;
        lines.push_back({static_cast<double>(core::MzOf(core::IonMassOf(mass, charge), charge)),
                         composition.abundance, 0.0});
    }
    return lines;
}

double SumOf(const std::vector<core::SpectrumLine>& lines) {
    long double sum = 0.0L;
    for (const core::SpectrumLine& line : lines) sum += line.abundance;
    return static_cast<double>(sum);
}

FineStatus CheckRequest(const IsotopeModel& model, int charge, double coverage) {
    if (!model.anyAtom) return FineStatus::NoAtoms;
    if (model.tooManyAtoms) return FineStatus::TooManyAtoms;
    if (charge == 0) return FineStatus::ZeroCharge;
    if (!(coverage > 0.0 && coverage <= 1.0)) return FineStatus::BadCoverage;
    if (model.undefinedElement) return FineStatus::UndefinedElement;
    return FineStatus::Computed;
}

}  // namespace

FineStructureResult FineStructure(const core::ElementTable& table, const core::ParsedFormula& ion, int charge,
                                  double coverage, std::size_t maxLines) {
    FineStructureResult result;
    const IsotopeModel model = ModelOf(table, ion);
    result.status = CheckRequest(model, charge, coverage);
    if (result.status != FineStatus::Computed) return result;

    EnsureLogFactorialTable();
    try {
        std::vector<Composition> compositions;
        if (model.isotopeCounts.empty()) {
            // Monoisotopic atoms only: a single composition, the whole ion.
            compositions.push_back({0.0, 1.0});
        } else if (GatherMostProbable(model, coverage, maxLines, compositions) == Gathering::TooManyLines) {
            result.status = FineStatus::TooManyLines;
            return result;
        }
        result.lines = LinesOf(compositions, model.fixedMass, charge);
    } catch (const std::bad_alloc&) {
        // IsoSpec's allocations and ours throw this when memory runs out.
        result.status = FineStatus::OutOfMemory;
        result.lines.clear();
        return result;
    }
    result.coveredAbundance = SumOf(result.lines);
    return result;
}

// The refusal's text names the ceilings.
static_assert(kMaxFineLines == 5'000'000 && kMaxFineBytes == 256.0 * 1024 * 1024);

std::string_view FineStatusMessage(FineStatus status) {
    switch (status) {
        case FineStatus::Computed:
            return {};
        case FineStatus::NoAtoms:
            return "The ion must contain at least one atom.";
        case FineStatus::TooManyAtoms:
            return core::messages::kTooManyAtomsOfElement;
        case FineStatus::ZeroCharge:
            return "The charge of an ion cannot be 0.";
        case FineStatus::BadCoverage:
            return "The share of the pattern to list must be greater than 0 and at most 1.";
        case FineStatus::UndefinedElement:
            return "The ion contains a user-defined element whose isotopes have not been entered.";
        case FineStatus::TooManyLines:
            return "The fine structure of this ion needs more than 5000000 lines or 256 MB.";
        case FineStatus::OutOfMemory:
            return "There is not enough memory for the fine structure of this ion.";
    }
    return {};
}

}  // namespace tarnevo::fine

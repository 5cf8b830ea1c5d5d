// Differential libFuzzer target of the cluster engine's two routes: every small
// ion decoded from the input must get the same cluster from the enumeration and
// from the convolution. The enumeration visits each composition with its own
// ratio updates and shares nothing with the convolution beyond the element data,
// so wherever they disagree one of them is wrong.
//
// The ion is prepared as the calculations prepare theirs: formula text parsed,
// user-defined elements stored into the table (typed isotopes as in the isotope
// dialogs, an enriched element as in the labelled-pattern calculation, or Jx with
// trial FAs as the enrichment fit writes them), CheckClusterLimits, then
// OrderPolyisotopicElements; optionally one element's FAs are overwritten as a
// fitting loop does. Inputs the program would refuse (a user element the dialogs
// reject, an ion without a polyisotopic element) end the run quietly.
//
// Input layout, one byte per decision (two for a choice among more than 256:
// Below(n)); bytes past the end read as 0, and every value is reduced into its
// range, so any byte string decodes to a valid ion:
//   natural element count (b % 5), then per element: ingredient (b % 24), count
//     (b < 240: 1 + b % its most; else for an element of at most three heavy
//     isotopes 1 + Below(330), enough atoms to pass [A+319])
//   user element mode (b % 4): 0 none;
//     1 typed: slot Jx..Qz (b % 6), atoms (1 + b % 40), lightest mass, heavy
//       isotopes (1 + b % 3), per heavy isotope: delta (1 + b % 25), FA byte
//     2 enriched: element of the formula, enriched atoms, slot, per heavy isotope
//       of the element (ascending mass): FA byte (0 is entered as 0)
//     3 fit: element of the formula (2 to 4 isotopes), atoms moved to Jx, then
//       after ordering one weight byte per isotope (trial FAs summing to 1)
//   overwrite (b % 2): element, total (b % 2: 1 or 0.97), one weight per FA
//   stop FA: b % 8 picks 0.9999 0.5 0.9 0.99 0.999 0.99999; 6: two bytes over
//     [0.5, 0.99999]; 7: 0.5 + (b % 8) / 16 (exact binary fractions)
//   pass limit: b % 4: 0 polyAtomCount; 1 b % (polyAtomCount + 1); 2 beyond the
//     atoms by 1 + b % 20; 3 (b % 5) - 2
// An FA byte b is 0 for b == 0, else 0.99999 x ((b & 31) + 1) / 32 x 10^-(b >> 5);
// a weight byte b < 128 is ((b & 15) + 1) x 2^-(b >> 4), b >= 128 reaches far lower,
// ((b & 7) + 1) x 2^-(16 x ((b >> 3) & 15)), down to 2^-240: dozens of atoms of
// such an isotope take the convolution's tables beyond the double range and the
// enumeration's probabilities below the extended range.
//
// Set TARNEVO_FUZZ_DESCRIBE=1 to print each decoded ion on standard error.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/cluster_convolution.h"
#include "core/cluster_engine.h"
#include "core/cluster_enumeration.h"
#include "core/cluster_stop.h"
#include "core/enriched_element.h"
#include "core/enrichment_fit.h"
#include "core/formula_parser.h"
#include "core/user_element.h"

namespace {

using namespace tarnevo::core;

// The enumeration is bounded to this many steps, which keeps an input to half a
// millisecond on average under the sanitizers; beyond it the pass limit is lowered.
constexpr double kMostEnumerationSteps = 4000;

struct Ingredient {
    const char* symbol;
    int most;          // largest of the usual counts
    bool fewIsotopes;  // at most three heavy isotopes: hundreds of atoms stay cheap
};

// Light and heavy elements, heavy-dominant ones (Li, B), many isotopes (Sn, Xe,
// Cd, Mo), only even deltas (Ce), large deltas (U) and monoisotopic ones (F, P,
// Na, I), with counts that keep the enumeration small. Hundreds of atoms of the
// elements with few isotopes reach beyond [A+319] when their FAs are enriched.
constexpr Ingredient kIngredients[] = {
    {"C", 30, true}, {"H", 40, true},  {"N", 10, true},  {"O", 12, true},  {"S", 4, true},   {"Cl", 6, true},
    {"Br", 4, true}, {"Sn", 3, false}, {"Xe", 2, false}, {"Cd", 2, false}, {"Se", 3, false}, {"Mo", 2, false},
    {"Fe", 3, true}, {"Si", 4, true},  {"K", 3, true},   {"Zn", 2, false}, {"Li", 4, true},  {"B", 4, true},
    {"U", 3, true},  {"Ce", 3, true},  {"F", 3, false},  {"P", 2, false},  {"Na", 2, false}, {"I", 2, false},
};
constexpr int kIngredientCount = static_cast<int>(std::size(kIngredients));
constexpr double kListedStopFAs[] = {0.9999, 0.5, 0.9, 0.99, 0.999, 0.99999};
// The largest FA and stop FA the dialogs accept (stop FAs from 0.5).
constexpr double kLargestDialogFA = 0.99999;

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    int Next() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }
    // A value in 0 .. bound - 1, from two bytes where one cannot reach them all.
    int Below(int bound) {
        if (bound <= 0) return 0;
        const int b = Next();
        return (bound <= 256 ? b : b * 256 + Next()) % bound;
    }
    // An FA as the dialogs accept it, spread over nine decades.
    double FA() {
        const int b = Next();
        if (b == 0) return 0.0;
        return kLargestDialogFA * ((b & 31) + 1) / 32.0 * std::pow(10.0, -(b >> 5));
    }
    double Weight() {
        const int b = Next();
        if (b < 128) return ((b & 15) + 1) * std::ldexp(1.0, -(b >> 4));
        return ((b & 7) + 1) * std::ldexp(1.0, -16 * ((b >> 3) & 15));
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

struct Ion {
    ElementTable table;
    std::string formulaText;
    ParsedFormula formula;
    std::vector<int> elements;  // table indexes of the natural elements in the formula
    std::string description;
};

void Describe(Ion& ion, const std::string& text) { ion.description += text; }

std::string Number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string Number(Extended value) {
    char text[48];
    std::snprintf(text, sizeof text, "%.20Lg", value);
    return text;
}

void DecodeNaturalElements(ByteReader& in, Ion& ion) {
    const int elements = in.Below(5);
    for (int i = 0; i < elements; ++i) {
        const Ingredient& ingredient = kIngredients[in.Below(kIngredientCount)];
        const int b = in.Next();
        const int count = b >= 240 && ingredient.fewIsotopes ? 1 + in.Below(330) : 1 + b % ingredient.most;
        ion.formulaText += ingredient.symbol;
        ion.formulaText += std::to_string(count);
    }
    // Symbols and counts from the list always parse; an empty text leaves every count 0.
    ParseFormulaText(ion.formulaText, ion.formula);
    for (int e = 0; e <= kLastNaturalElement; ++e) {
        if (ion.formula[e] > 0) ion.elements.push_back(e);
    }
    Describe(ion, ion.formulaText.empty() ? "(no natural element)" : ion.formulaText);
}

// Isotopes typed into the dialog of one user-defined element; false when the
// dialog's checks refuse them.
bool DecodeTypedElement(ByteReader& in, Ion& ion) {
    const int slot = kFirstUserElement + in.Below(kUserElementCount);
    const int atoms = 1 + in.Below(40);
    UserIsotopeEntry entry;
    entry.lightMass = 1.0 + in.Next() * (299.0 / 255.0);
    const int heavy = 1 + in.Below(3);
    Describe(ion, " + " + std::string(SymbolOf(slot)) + std::to_string(atoms) + " typed, light mass " +
                      Number(entry.lightMass) + ", heavy:");
    for (int k = 0; k < heavy; ++k) {
        entry.delta[k] = 1 + in.Below(25);
        entry.fa[k] = in.FA();
        Describe(ion, " +" + std::to_string(entry.delta[k]) + " " + Number(entry.fa[k]));
    }
    ion.table.ResetUserIsotopeCursors();
    if (StoreUserElement(ion.table, slot, entry) != UserElementStatus::Stored) return false;
    ion.formula[slot] += static_cast<unsigned>(atoms);
    return true;
}

// A natural element of the formula with atoms to label, or -1 when the formula
// has no polyisotopic element with at most mostIsotopes isotopes there.
int PickLabelledElement(ByteReader& in, const Ion& ion, int mostIsotopes) {
    if (ion.elements.empty()) return -1;
    const int element = ion.elements[in.Below(static_cast<int>(ion.elements.size()))];
    const int isotopes = ion.table[element].heavyCount + 1;
    return isotopes >= 2 && isotopes <= mostIsotopes ? element : -1;
}

// Some atoms of one element enriched to FAs the enrichment dialog accepts, in a
// slot of their own, as the labelled-pattern calculation stores them.
bool DecodeEnrichedElement(ByteReader& in, Ion& ion) {
    const int element = PickLabelledElement(in, ion, kMaxElementIsotopes);
    if (element < 0) return false;
    const auto atoms = static_cast<unsigned>(1 + in.Below(static_cast<int>(ion.formula[element])));
    const int slot = kFirstUserElement + in.Below(kUserElementCount);
    IsotopeList isotopes = NaturalIsotopesByMass(ion.table, element);
    std::vector<double> heavy(static_cast<std::size_t>(isotopes.count - 1));
    Describe(ion, " with " + std::to_string(atoms) + " " + std::string(SymbolOf(element)) + " enriched in " +
                      std::string(SymbolOf(slot)) + ", heavy FAs:");
    for (double& fa : heavy) {
        fa = in.FA();
        Describe(ion, " " + Number(fa));
    }
    std::array<double, kMaxElementIsotopes> enriched{};
    if (CompleteEnrichedFAs(isotopes, heavy, enriched) != EnrichmentStatus::Stored) return false;
    ion.table.ResetUserIsotopeCursors();
    ion.table[slot].lightMass = ion.table[element].lightMass;
    ion.formula[element] -= atoms;
    ion.formula[slot] = atoms;
    StoreEnrichedElement(ion.table, slot, isotopes, enriched);
    return true;
}

// The enrichment fit's set-up: the labelled atoms in Jx with their isotopes by
// ascending mass; the trial FAs follow once the ion is ordered.
int DecodeFittedElement(ByteReader& in, Ion& ion) {
    const int element = PickLabelledElement(in, ion, kMaxFitIsotopes);
    if (element < 0) return 0;
    const auto atoms = static_cast<unsigned>(1 + in.Below(static_cast<int>(ion.formula[element])));
    Describe(ion, " with " + std::to_string(atoms) + " " + std::string(SymbolOf(element)) + " fitted in Jx");
    ion.formula[element] -= atoms;
    ion.formula[kFirstUserElement] = atoms;
    ion.table.ResetUserIsotopeCursors();
    const IsotopeList isotopes = NaturalIsotopesByMass(ion.table, element);
    StoreIsotopesByMass(ion.table, kFirstUserElement, isotopes);
    return isotopes.count;
}

// Positive FAs summing to total, one weight byte each.
std::vector<double> DecodeFAs(ByteReader& in, int count, double total) {
    std::vector<double> fa(static_cast<std::size_t>(count));
    double sum = 0;
    for (double& value : fa) sum += value = in.Weight();
    for (double& value : fa) value = value / sum * total;
    return fa;
}

void WriteFAs(Ion& ion, ClusterWorkspace& ws, int firstEntry, const std::vector<double>& fa,
              const std::string& what) {
    SetElementTrialFAs(ws, firstEntry, fa);
    Describe(ion, what);
    for (const double value : fa) Describe(ion, " " + Number(value));
}

double DecodeStopFA(ByteReader& in) {
    const int kind = in.Below(8);
    if (kind < 6) return kListedStopFAs[kind];
    if (kind == 7) return 0.5 + in.Below(8) / 16.0;
    const int high = in.Next();  // two statements: the reads must come in this order
    const int fraction = high * 256 + in.Next();
    return 0.5 + (kLargestDialogFA - 0.5) * fraction / 65535.0;
}

int DecodePassLimit(ByteReader& in, int atoms) {
    switch (in.Below(4)) {
        case 1:
            return in.Below(atoms + 1);
        case 2:
            return atoms + 1 + in.Below(20);
        case 3:
            return in.Below(5) - 2;
        default:
            return atoms;
    }
}

// Upper bound on the enumeration's steps up to `passes` heavy atoms: the
// distributions of at most that many atoms over the K heavy slots, C(passes + K, K).
double EnumerationStepsUpTo(const ClusterWorkspace& ws, int passes) {
    double steps = 1;
    for (int k = 1; k <= ws.heavySlotCount; ++k) steps = steps * (std::max(passes, 0) + k) / k;
    return steps;
}

int MostPassesWithinBound(const ClusterWorkspace& ws) {
    int passes = 0;
    while (passes < kPeakCount && EnumerationStepsUpTo(ws, passes + 1) <= kMostEnumerationSteps) ++passes;
    return passes;
}

// The enumeration cannot represent an FA of 0 (its ratio steps divide by it) nor
// a first composition below the extended range (it would give zeros throughout);
// the engine sends such ions to the convolution whatever their size, which is
// what its route choice says for a pass limit of 0.
bool EnumerationCanRepresent(const ClusterWorkspace& ws) {
    return ChooseClusterRoute(ws, 0) == ClusterRoute::Enumeration;
}

// The convolution route's memory lives on between inputs, as in the program,
// where one workspace serves every calculation: each run must ignore what the
// one before left in it.
ConvolutionMemory& SharedConvolutionMemory() {
    static ConvolutionMemory memory;
    return memory;
}

ClusterWorkspace Convolve(const ClusterWorkspace& prepared, int passLimit, double stopFA) {
    ClusterWorkspace ws = prepared;
    static_cast<ConvolutionMemory&>(ws) = std::move(SharedConvolutionMemory());
    ComputeClusterByConvolution(ws, passLimit, stopFA);
    SharedConvolutionMemory() = std::move(static_cast<ConvolutionMemory&>(ws));
    return ws;
}

// The engine's view of the ion, one line per ordered element: atoms, then the
// FA of the lightest isotope and each heavy isotope's delta and FA, exactly.
std::string OrderedElements(const ClusterWorkspace& ws) {
    std::string text;
    for (int e = 0; e < ws.polyElementCount; ++e) {
        text += "  ordered element " + std::to_string(e) + ": " + std::to_string(ws.orderedCount[e]) +
                " atoms, light " + Number(ws.workFA[ws.firstFAEntry[e]]);
        for (int i = 0; i < ws.orderedHeavyCount[e]; ++i) {
            text += ", +" + std::to_string(ws.workDelta[ws.firstSlot[e] + i]) + " " +
                    Number(ws.workFA[ws.firstFAEntry[e] + 1 + i]);
        }
        text += "\n";
    }
    return text;
}

// What a route made of the ion, for a report: the fields compared first.
std::string Summary(const ClusterWorkspace& ws) {
    Extended largest = 0;
    int at = 0;
    for (int n = 0; n < kPeakCount; ++n) {
        if (ws.peakSum[n] > largest) largest = ws.peakSum[n], at = n;
    }
    return std::to_string(ws.passCount) + " passes, last peak [A+" + std::to_string(ws.lastPeakIndex) + "]" +
           (ws.peakOverflow ? ", overflow" : "") + (ws.underflow ? ", underflow" : "") + ", peak exponent " +
           std::to_string(ws.peakExponent) + ", largest [A+" + std::to_string(at) + "] " + Number(largest) +
           ", cumulative FA " + Number(ws.cumulativeFA);
}

struct Routes {
    const ClusterWorkspace& enumerated;
    const ClusterWorkspace& convolved;
    const std::string& ion;
};

[[noreturn]] void Disagree(const Routes& routes, const std::string& what) {
    std::fprintf(stderr, "engine routes disagree on %s\n  ion: %s\n%s  enumerated: %s\n  convolved: %s\n",
                 what.c_str(), routes.ion.c_str(), OrderedElements(routes.enumerated).c_str(),
                 Summary(routes.enumerated).c_str(), Summary(routes.convolved).c_str());
    std::abort();
}

Extended TruePeak(const ClusterWorkspace& ws, int n) {
    return ws.peakExponent == 0 ? ws.peakSum[n] : std::ldexp(ws.peakSum[n], ws.peakExponent);
}

// Peaks are compared to 1e-10 of themselves down to 2^-16000, far into the
// extended range where the clusters below the double range lie: the enrichment
// fit compares such trial clusters by their shape.
Extended RelativeFloor() { return std::ldexp(1.0L, -16000); }

// Same passes, visited shifts, overflow and underflow; every peak within 1e-12 of
// the largest and, above RelativeFloor(), within 1e-10 of itself; cumulative FA
// within 1e-12 of itself; the centroid of every peak above 1e-12 of the largest
// within 1e-9 u per unit of shift (a ppb of its mass, far below any display).
void CompareRoutes(const ClusterWorkspace& enumerated, const ClusterWorkspace& convolved,
                   const std::string& ion) {
    const Routes routes{enumerated, convolved, ion};
    if (enumerated.passCount != convolved.passCount) {
        Disagree(routes, "passes: " + std::to_string(enumerated.passCount) + " enumerated, " +
                             std::to_string(convolved.passCount) + " convolved");
    }
    if (enumerated.lastPeakIndex != convolved.lastPeakIndex) {
        Disagree(routes, "last peak index: " + std::to_string(enumerated.lastPeakIndex) + " enumerated, " +
                             std::to_string(convolved.lastPeakIndex) + " convolved");
    }
    if (enumerated.peakOverflow != convolved.peakOverflow) Disagree(routes, "the overflow flag");
    if (enumerated.underflow != convolved.underflow)
        Disagree(routes, "the peaks being below the double range");
    Extended largest = 0;
    for (int n = 0; n < kPeakCount; ++n) largest = std::max(largest, TruePeak(enumerated, n));
    if (!(largest > 0)) Disagree(routes, "an enumeration without any peak");
    for (int n = 0; n < kPeakCount; ++n) {
        const Extended a = TruePeak(enumerated, n);
        const Extended b = TruePeak(convolved, n);
        const bool close = std::fabs(a - b) <= 1e-12L * largest &&
                           (!(a > RelativeFloor()) || std::fabs(a - b) <= 1e-10L * a);
        if (!close) {
            Disagree(routes, "[A+" + std::to_string(n) + "]: " + Number(a) + " enumerated, " + Number(b) +
                                 " convolved");
        }
    }
    const Extended cumulativeA = std::ldexp(enumerated.cumulativeFA, enumerated.peakExponent);
    const Extended cumulativeB = std::ldexp(convolved.cumulativeFA, convolved.peakExponent);
    if (!(std::fabs(cumulativeA - cumulativeB) <= 1e-12L * cumulativeA))
        Disagree(routes, "the cumulative FA");
    for (int n = 0; n < kPeakCount; ++n) {
        if (TruePeak(enumerated, n) < 1e-12L * largest) continue;
        const double a = PeakCentroidMass(enumerated, n) - enumerated.ionMassA;
        const double b = PeakCentroidMass(convolved, n) - convolved.ionMassA;
        if (!(std::fabs(a - b) <= 1e-9 * (n + 1.0))) {
            Disagree(routes, "the centroid of [A+" + std::to_string(n) + "]: " + Number(a) + " and " +
                                 Number(b) + " u above [A+0]");
        }
    }
}

// The precise sums cost (passes + 1)^2 pair operations per element: checked up to
// this many passes, where nearly every decoded ion stops.
constexpr int kMostPassesCheckedExactly = 64;

// The pass count exact arithmetic gives, checked on a route's result with the
// cumulative FAs recomputed to about 128 bits: every pass before the last (from
// pass 1, the first one tested) leaves the cumulative FA, rounded to double, at or
// below the stop FA, and the last one passes it unless no further pass could run.
// The routes decide with their own sums wherever those are farther than their
// error bound from the decision point, so this also checks that bound.
void CheckPassCountIsExact(const ClusterWorkspace& prepared, const ClusterWorkspace& result, int passLimit,
                           double stopFA, const std::string& ion, const char* route) {
    const int passes = result.passCount;
    if (result.underflow || passes > kMostPassesCheckedExactly) return;
    const auto exceeds = [&](int r) {
        return CumulativeFAExceedsStop(prepared, r, PreciseCumulativeFA(prepared, r), stopFA);
    };
    const bool lastPossible = passes >= std::min({passLimit, kPeakCount, prepared.polyAtomCount});
    if ((passes >= 2 && exceeds(passes - 1)) || (passes >= 1 && !lastPossible && !exceeds(passes))) {
        std::fprintf(stderr, "the %s stopped after %d passes, not where exact sums stop\n  ion: %s\n%s",
                     route, passes, ion.c_str(), OrderedElements(prepared).c_str());
        std::abort();
    }
}

const ElementTable& NaturalTable() {
    static const ElementTable table;
    return table;
}

bool DescribeEveryIon() {
    static const bool describe = std::getenv("TARNEVO_FUZZ_DESCRIBE") != nullptr;
    return describe;
}

// Decodes the ion up to its ordered workspace; false for what the program refuses.
bool PrepareIon(ByteReader& in, Ion& ion, ClusterWorkspace& ws) {
    DecodeNaturalElements(in, ion);
    int fittedIsotopes = 0;
    switch (in.Below(4)) {
        case 1:
            if (!DecodeTypedElement(in, ion)) return false;
            break;
        case 2:
            if (!DecodeEnrichedElement(in, ion)) return false;
            break;
        case 3:
            fittedIsotopes = DecodeFittedElement(in, ion);
            if (fittedIsotopes == 0) return false;
            break;
        default:
            break;
    }
    if (CheckClusterLimits(ion.table, ws, ion.formula, 1).status != ClusterLimit::WithinLimits) return false;
    const int jxPosition = OrderPolyisotopicElements(ion.table, ws, ion.formula);
    if (fittedIsotopes > 0) WriteFAs(ion, ws, jxPosition, DecodeFAs(in, fittedIsotopes, 1.0), ", trial FAs");
    if (in.Below(2) == 1) {
        const int e = in.Below(ws.polyElementCount);
        const double total = in.Below(2) == 0 ? 1.0 : 0.97;
        WriteFAs(ion, ws, ws.firstFAEntry[e], DecodeFAs(in, ws.orderedHeavyCount[e] + 1, total),
                 ", ordered element " + std::to_string(e) + " overwritten with FAs");
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in(std::span<const std::uint8_t>(data, size));
    Ion ion{NaturalTable(), {}, {}, {}, {}};
    ClusterWorkspace prepared;
    if (!PrepareIon(in, ion, prepared)) {
        if (DescribeEveryIon()) std::fprintf(stderr, "refused: %s\n", ion.description.c_str());
        return 0;
    }
    const double stopFA = DecodeStopFA(in);
    int passLimit = DecodePassLimit(in, prepared.polyAtomCount);

    Describe(ion, ", stop FA " + Number(stopFA) + ", pass limit " + std::to_string(passLimit));
    // A stop within the bound comes at the same pass under the lowered limit.
    const int boundedPasses = MostPassesWithinBound(prepared);
    if (passLimit > boundedPasses && EnumerationStepsUpTo(prepared, passLimit) > kMostEnumerationSteps) {
        passLimit = boundedPasses;
        Describe(ion, " lowered to " + std::to_string(passLimit) + " for the enumeration");
    }
    const ClusterWorkspace convolved = Convolve(prepared, passLimit, stopFA);
    const bool comparable = EnumerationCanRepresent(prepared);
    if (!comparable) Describe(ion, " (convolution only: an FA of 0, or [A+0] below the extended range)");
    if (DescribeEveryIon()) {
        std::fprintf(stderr, "ion: %s\n%s  convolved: %d passes, last peak [A+%d]%s\n",
                     ion.description.c_str(), OrderedElements(prepared).c_str(), convolved.passCount,
                     convolved.lastPeakIndex, convolved.peakOverflow ? ", overflow" : "");
    }
    CheckPassCountIsExact(prepared, convolved, passLimit, stopFA, ion.description, "convolution");
    if (!comparable) return 0;

    ClusterWorkspace enumerated = prepared;
    ComputeClusterByEnumeration(enumerated, passLimit, stopFA);
    MarkPeaksBelowDoubleRange(enumerated);  // as ComputeCluster does after an enumeration
    CompareRoutes(enumerated, convolved, ion.description);
    return 0;
}

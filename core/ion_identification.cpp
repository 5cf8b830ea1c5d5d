#include "core/ion_identification.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <unordered_map>

#include "core/cluster_engine.h"
#include "core/identify_warnings.h"
#include "core/ion_mz.h"
#include "core/ion_type_search.h"
#include "core/measured_bounds.h"
#include "core/peak_moments.h"
#include "core/text_format.h"

namespace tarnevo::core {

namespace {

constexpr double kPpm = 1e-6;
const int kCarbon = LookupSymbolText("C", 0);

// --- The question ------------------------------------------------------------

struct Refusal {
    IdentifyStatus status = IdentifyStatus::Identified;
    std::string problem;
    bool Refused() const { return status != IdentifyStatus::Identified; }
};

IdentifyStatus PeaksStatus(PatternStatus status) {
    return status == PatternStatus::ChargeNotInferable ? IdentifyStatus::NoCharge : IdentifyStatus::BadPeaks;
}

// The signed charge: given, or |z| read from the spacing with the polarity's
// sign. Peaks given a charge must still be one cluster of it.
Refusal SettleCharge(const IdentifyQuery& query, IdentifyResult& result) {
    if (query.charge != 0) {
        result.charge = query.charge;
        const PatternRefusal refusal = CheckClusterOfCharge(query.peaks, query.charge);
        if (refusal.status == PatternStatus::Scored) return {};
        return {PeaksStatus(refusal.status), refusal.problem};
    }
    const ChargeInference inferred = InferCharge(query.peaks);
    if (inferred.status != PatternStatus::Scored) return {PeaksStatus(inferred.status), inferred.problem};
    result.charge = query.polarity < 0 ? -inferred.charge : inferred.charge;
    result.chargeInferred = true;
    return {};
}

// "+2", "-1": the charge as a number, its sign always written.
std::string SignedCharge(int charge) { return (charge > 0 ? "+" : "") + FormatInteger(charge); }

Refusal SettleIonTypes(const IdentifyQuery& query, IdentifyResult& result) {
    result.ionTypes = query.ionTypes.empty() ? CommonIonTypesOfCharge(result.charge) : query.ionTypes;
    if (result.ionTypes.empty()) {
        return {IdentifyStatus::BadIonType, "No common ion type has the charge " +
                                                SignedCharge(result.charge) +
                                                ": give the ion types to consider."};
    }
    for (const IdentifyIonType& type : result.ionTypes) {
        if (type.notation.charge == result.charge) continue;
        return {IdentifyStatus::BadIonType, "The ion type " + type.text + " has the charge " +
                                                SignedCharge(type.notation.charge) + ", not the " +
                                                SignedCharge(result.charge) + " of the peaks."};
    }
    return {};
}

Refusal SettleElements(const IdentifyQuery& query, IdentifyResult& result) {
    result.elements = query.elements.empty() ? DefaultIdentifyElements() : query.elements;
    if (result.elements.size() > static_cast<std::size_t>(kMaxSearchElements)) {
        return {IdentifyStatus::BadElements,
                "At most " + FormatInteger(kMaxSearchElements) + " elements can be searched at once."};
    }
    for (std::size_t i = 0; i < result.elements.size(); ++i) {
        const IdentifyElement& row = result.elements[i];
        if (row.element < 0 || row.element >= kElementCount) {
            return {IdentifyStatus::BadElements, "An element row names no element."};
        }
        const std::string symbol(SymbolOf(row.element));
        for (std::size_t j = 0; j < i; ++j) {
            if (result.elements[j].element == row.element) {
                return {IdentifyStatus::BadElements, "The element " + symbol + " is given twice."};
            }
        }
        if (row.minimum < 0 || row.minimum > kMaxSearchCount ||
            (row.maximum >= 0 && (row.maximum < row.minimum || row.maximum > kMaxSearchCount))) {
            return {IdentifyStatus::BadElements,
                    "The counts of " + symbol + " must run from a minimum of 0 or more up to a maximum of " +
                        FormatInteger(kMaxSearchCount) + " at most, not below the minimum."};
        }
    }
    return {};
}

Refusal CheckQuery(const IdentifyQuery& query, IdentifyResult& result) {
    if (!(query.ppm >= kMinIdentifyPpm && query.ppm <= kMaxIdentifyPpm)) {
        return {IdentifyStatus::BadAccuracy, "The mass accuracy must be from " +
                                                 FormatShortest(kMinIdentifyPpm) + " to " +
                                                 FormatShortest(kMaxIdentifyPpm) + " ppm."};
    }
    if (const PatternRefusal model = CheckErrorModel(query.errorModel);
        model.status != PatternStatus::Scored) {
        return {IdentifyStatus::BadErrorModel, model.problem};
    }
    if (Refusal charge = SettleCharge(query, result); charge.Refused()) return charge;
    if (Refusal types = SettleIonTypes(query, result); types.Refused()) return types;
    return SettleElements(query, result);
}

// --- The candidates ----------------------------------------------------------

double LowestMz(const std::vector<MeasuredPeak>& peaks) {
    return std::min_element(peaks.begin(), peaks.end(),
                            [](const MeasuredPeak& a, const MeasuredPeak& b) { return a.mz < b.mz; })
        ->mz;
}

// The computed m/z within the accuracy of the measured one: |measured -
// computed| <= ppm x computed.
IonMzWindow AccuracyWindow(double measuredMz, double ppm) {
    const Extended measured = measuredMz;
    const Extended part = static_cast<Extended>(ppm) * static_cast<Extended>(kPpm);
    return {measured / (1.0L + part), measured / (1.0L - part)};
}

MoleculeRows RowsOf(const ElementTable& table, const std::vector<IdentifyElement>& elements) {
    MoleculeRows rows;
    for (const IdentifyElement& row : elements) {
        SearchElement element;
        element.mass = table[row.element].lightMass;
        element.minimum = row.minimum;
        element.maximum = std::max(row.maximum, row.minimum);
        element.valence = table[row.element].valenceElectrons;
        rows.elements.push_back(element);
        rows.elementIndex.push_back(row.element);
        rows.defaultMaximum.push_back(row.maximum < 0);
    }
    return rows;
}

double DoubleBondEquivalents(const ParsedFormula& molecule) {
    const RuleVerdict verdict = CheckRingsPlusDoubleBonds(molecule);
    if (verdict.finding == RuleFinding::NoUsualValence) return std::numeric_limits<double>::quiet_NaN();
    return verdict.value;
}

// --- The pattern ---------------------------------------------------------------
//
// Scoring a candidate from its fine structure costs tens of microseconds, and
// a window of 5 ppm at m/z 800 holds a few thousand formulae that pass the
// filters. Each is first compared at the level of nominal peaks, from the
// mean and abundance of each (core/peak_moments.h, a few microseconds),
// against the measured peaks gathered into nominal peaks the same way: what
// no resolving power changes. Only the best of that comparison are scored
// from their fine structure as the instrument shows it.

// The nominal peaks of count atoms of each element, as the candidates of one
// identification meet them again and again (C55 in a thousand formulae).
class ElementMomentsCache {
public:
    ElementMomentsCache(const ElementTable& table, int lastShift) : table_(table), lastShift_(lastShift) {}

    const MomentDistribution& Of(int element, std::uint32_t count) {
        const std::uint64_t key = static_cast<std::uint64_t>(element) << 32U | count;
        auto found = cache_.find(key);
        if (found == cache_.end()) {
            found = cache_.emplace(key, ElementMoments(table_, element, count, lastShift_)).first;
        }
        return found->second;
    }

    int LastShift() const { return lastShift_; }

private:
    const ElementTable& table_;
    int lastShift_;
    std::unordered_map<std::uint64_t, MomentDistribution> cache_;
};

// The candidate's nominal peaks, [A+0] to two beyond the last measured one
// (where a predicted peak the measurement lacks would show).
std::vector<ResolvedPeak> NominalPattern(const ElementTable& table, ElementMomentsCache& moments,
                                         const ParsedFormula& ion, int charge) {
    MomentDistribution sum(1, MomentSums{1.0, 0.0, 0.0});
    for (int e = 0; e < kElementCount; ++e) {
        if (ion[e] == 0 || !table.IsPolyisotopic(e)) continue;
        sum = CombineMoments(sum, moments.Of(e, ion[e]), moments.LastShift());
    }
    const Extended lightest = LightestMass(table, ion);
    std::vector<ResolvedPeak> peaks;
    for (const PeakMoment& moment : MomentPeaks(sum)) {
        const Extended mass = lightest + static_cast<Extended>(moment.shift) + moment.meanDefect;
        peaks.push_back({static_cast<double>(MzOf(IonMassOf(mass, charge), charge)),
                         static_cast<double>(moment.abundance)});
    }
    return peaks;
}

// A candidate held for scoring from its fine structure, with the order in
// which it was found, which settles equal first scores the same way each run.
struct HeldCandidate {
    IdentifyCandidate candidate;
    std::size_t order = 0;
};

// The heap's order: the worse first score first; of equal ones, the later found.
bool HeldWorse(const HeldCandidate& a, const HeldCandidate& b) {
    if (a.candidate.score != b.candidate.score) return a.candidate.score > b.candidate.score;
    return a.order < b.order;
}

struct CandidateSearch {
    const ElementTable& table;
    const IdentifyQuery& query;
    const PatternLineSource& lines;
    IdentifyResult& result;
    NominalPeaks nominal;
    ElementMomentsCache moments;
    RatioBounds bounds;
    // The best kMaxResolvedCandidates by their first score, as a heap whose
    // front is the worst of them: however many formulae a window holds, no
    // more are kept.
    std::vector<HeldCandidate> held;
    std::size_t compared = 0;  // candidates given a first score
    double bestFirstScore = -std::numeric_limits<double>::infinity();
};

void Hold(CandidateSearch& search, IdentifyCandidate candidate) {
    search.bestFirstScore = std::max(search.bestFirstScore, candidate.score);
    HeldCandidate held{std::move(candidate), search.compared++};
    if (search.held.size() < kMaxResolvedCandidates) {
        search.held.push_back(std::move(held));
        std::push_heap(search.held.begin(), search.held.end(), HeldWorse);
        return;
    }
    if (!HeldWorse(held, search.held.front())) return;
    std::pop_heap(search.held.begin(), search.held.end(), HeldWorse);
    search.held.back() = std::move(held);
    std::push_heap(search.held.begin(), search.held.end(), HeldWorse);
}

double ScoreOf(const PatternScore& pattern) {
    return pattern.status == PatternStatus::Scored ? pattern.logLikelihood
                                                   : -std::numeric_limits<double>::infinity();
}

// The candidate's pattern as the instrument shows it, against the measured peaks.
PatternScore ScoreResolved(const CandidateSearch& search, const ParsedFormula& ion) {
    const std::vector<SpectrumLine> lines =
        search.lines ? search.lines(ion, search.result.charge) : std::vector<SpectrumLine>{};
    const ResolvedPattern pattern = ResolvePattern(lines, search.query.power);
    return ScorePattern(search.query.peaks, pattern.peaks, search.query.errorModel);
}

// The prior of a neutral and its ion (see kNoCarbonPrior and
// kMonoisotopicPriors).
// The element ratios are weighed on the ion: [M+NH4]+ of M and [M+H]+ of
// M + NH3 are one ion, which the ion type prior alone tells apart.
double PriorOf(const ParsedFormula& molecule, const ParsedFormula& ion, int electronClass,
               const ChemicalPriorOptions& priors) {
    double prior = priors.elementRatios ? ElementRatioPriorOf(ion) : 0.0;
    if (molecule[kCarbon] == 0) prior += kNoCarbonPrior;
    if (electronClass == kOddElectron) prior += kOddElectronPrior;
    for (const MonoisotopicPrior& element : kMonoisotopicPriors) {
        const std::uint32_t count = molecule[element.Index()];
        if (count > 0) prior += element.present + element.eachFurther * static_cast<double>(count - 1);
    }
    return prior;
}

// The rows searched for carbon counts from lowCarbon to highCarbon: each
// element with a ratio to carbon bounded by the ratios at these ends, so that
// the walk lists few of the many thousands of formulae the ratios would refuse
// (at m/z 850 within 5 ppm, of some 200,000 formulae of C H N O P S Cl Br,
// nine in ten). What the bounds let through is still judged by the filter.
// Nothing when the ratios leave an element no count.
std::optional<MoleculeRows> RowsAtCarbon(const MoleculeRows& rows, std::size_t carbonRow, int lowCarbon,
                                         int highCarbon, RatioLevel level) {
    MoleculeRows atCarbon = rows;
    for (std::size_t k = 0; k < rows.elements.size(); ++k) {
        SearchElement& element = atCarbon.elements[k];
        atCarbon.defaultMaximum[k] = false;
        if (k == carbonRow) {
            element.minimum = lowCarbon;
            element.maximum = highCarbon;
            continue;
        }
        const std::optional<CountRange> low = RatioCountRange(rows.elementIndex[k], level, lowCarbon);
        const std::optional<CountRange> high = RatioCountRange(rows.elementIndex[k], level, highCarbon);
        if (!low || !high) continue;
        element.minimum = std::max(element.minimum, low->minimum);
        element.maximum = std::min(element.maximum, high->maximum);
        if (element.minimum > element.maximum) return std::nullopt;
    }
    return atCarbon;
}

// The searches of one ion type: the rows with their maxima as this type's
// window resolves them, and, where the element ratios apply (switched on,
// carbon a row from 1 up), one search a count of carbon, each bounded by the
// ratios.
std::vector<MoleculeRows> SearchesOfType(const ElementTable& table, const MoleculeRows& rows,
                                         const IonNotation& notation, IonMzWindow window,
                                         const FormulaRuleOptions& rules, const RatioBounds& bounds) {
    MoleculeRows resolved = rows;
    const std::vector<int> maxima = SearchedMaxima(table, rows, notation, window);
    for (std::size_t k = 0; k < rows.elements.size(); ++k) {
        resolved.elements[k].maximum = maxima[k];
        resolved.defaultMaximum[k] = false;
    }
    if (!BoundByPattern(table, resolved, bounds, notation.moleculeCount)) return {};
    const int carbonIndex = LookupSymbolText("C", 0);
    const auto carbonRow = std::find(rows.elementIndex.begin(), rows.elementIndex.end(), carbonIndex);
    if (!rules.elementRatios || carbonRow == rows.elementIndex.end()) return {resolved};
    const auto row = static_cast<std::size_t>(carbonRow - rows.elementIndex.begin());
    std::vector<MoleculeRows> searches;
    if (resolved.elements[row].minimum == 0) {
        // Without carbon the ratios say nothing: the other rows as they are.
        MoleculeRows withoutCarbon = resolved;
        withoutCarbon.elements[row].maximum = 0;
        searches.push_back(std::move(withoutCarbon));
    }
    // Carbon counts in groups that double (1, 2-3, 4-7, ...): each search
    // sets up tables of its own, which a search a count would repeat some
    // seventy times at m/z 900, while the bounds of a group whose ends are a
    // factor of two apart still keep out most of what the ratios refuse.
    const int highest = resolved.elements[row].maximum;
    for (int low = std::max(resolved.elements[row].minimum, 1); low <= highest;) {
        const int high = std::min(highest, std::max(low, 2 * low - 1));
        if (std::optional<MoleculeRows> atCarbon = RowsAtCarbon(resolved, row, low, high, rules.ratioLevel)) {
            searches.push_back(std::move(*atCarbon));
        }
        low = high + 1;
    }
    return searches;
}

// Every molecule of one ion type within the window that passes the filters,
// scored at the level of nominal peaks.
bool SearchIonType(CandidateSearch& search, std::size_t typeIndex, IonMzWindow window,
                   const MoleculeRows& rows) {
    IdentifyResult& result = search.result;
    const IonNotation& notation = result.ionTypes[typeIndex].notation;
    bool tooMany = false;
    const double typePrior =
        search.query.priors.ionTypes ? IonTypePriorOf(result.ionTypes[typeIndex].text) : 0.0;
    const IonTypeVisitor visit = [&](const IonTypeMolecule& found) {
        if (++result.massMatches > kMaxIdentifyMatches) {
            tooMany = true;
            return SearchVisit::Stop;
        }
        // A molecule the filters refuse, or one that lacks what the ion type
        // loses, is no candidate.
        if (!PassesFormulaRules(found.molecule, search.query.rules)) {
            ++result.filteredOut;
            return SearchVisit::Continue;
        }
        std::optional<ParsedFormula> ion = BuildIonFormula(notation, found.molecule, "M").ion;
        if (!ion) {
            ++result.filteredOut;
            return SearchVisit::Continue;
        }
        IdentifyCandidate candidate;
        candidate.ionType = typeIndex;
        candidate.molecule = found.molecule;
        candidate.ion = *ion;
        candidate.mz = static_cast<double>(found.mz);
        candidate.errorPpm =
            static_cast<double>((static_cast<Extended>(result.monoisotopicMz) - found.mz) / found.mz * 1e6L);
        candidate.dbe = DoubleBondEquivalents(found.molecule);
        candidate.electronClass = IonElectronClass(search.table, candidate.ion, result.charge);
        candidate.prior = typePrior + PriorOf(candidate.molecule, candidate.ion, candidate.electronClass,
                                             search.query.priors);
        candidate.score =
            candidate.prior +
            ScoreOf(ScorePattern(search.nominal.peaks,
                                 NominalPattern(search.table, search.moments, candidate.ion, result.charge),
                                 search.query.errorModel));
        Hold(search, std::move(candidate));
        return SearchVisit::Continue;
    };
    for (const MoleculeRows& searched :
         SearchesOfType(search.table, rows, notation, window, search.query.rules, search.bounds)) {
        VisitIonTypeMolecules(search.table, searched, notation, window, visit);
        if (tooMany) return false;
    }
    return true;
}

// Keeps the candidates whose nominal comparison lies within reach of the best
// one, at most kMaxResolvedCandidates of them, and scores those from their
// fine structure; the rest are counted as ruled out by their pattern.
void ScoreBestResolved(CandidateSearch& search) {
    std::sort_heap(search.held.begin(), search.held.end(), HeldWorse);
    std::vector<IdentifyCandidate>& candidates = search.result.candidates;
    for (HeldCandidate& held : search.held) {
        if (held.candidate.score < search.bestFirstScore - kNominalReach) break;
        candidates.push_back(std::move(held.candidate));
    }
    search.held.clear();
    search.result.ruledOutByPattern = search.compared - candidates.size();
    for (IdentifyCandidate& candidate : candidates) {
        candidate.pattern = ScoreResolved(search, candidate.ion);
        candidate.score = candidate.prior + ScoreOf(candidate.pattern);
    }
}

// Best score first; equal scores in the order of the ion types, then of m/z.
void Rank(std::vector<IdentifyCandidate>& candidates) {
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const IdentifyCandidate& a, const IdentifyCandidate& b) {
                         if (a.score != b.score) return a.score > b.score;
                         if (a.ionType != b.ionType) return a.ionType < b.ionType;
                         return a.mz < b.mz;
                     });
}

void SetProbabilities(std::vector<IdentifyCandidate>& candidates) {
    std::vector<double> scores;
    for (const IdentifyCandidate& candidate : candidates) scores.push_back(candidate.score);
    const std::vector<double> probabilities = PosteriorProbabilities(scores);
    for (std::size_t k = 0; k < candidates.size(); ++k) candidates[k].probability = probabilities[k];
}

}  // namespace

std::vector<IdentifyElement> DefaultIdentifyElements() {
    std::vector<IdentifyElement> rows;
    for (const char* symbol : {"C", "H", "N", "O", "P", "S"}) {
        rows.push_back({LookupSymbolText(symbol, 0), 0, -1});
    }
    rows.front().minimum = 1;
    return rows;
}

std::vector<IdentifyIonType> CommonIonTypesOfCharge(int charge) {
    std::vector<IdentifyIonType> types;
    for (const CommonIonType& common : charge < 0 ? CommonNegativeIonTypes() : CommonPositiveIonTypes()) {
        const IonNotationParse parse = ParseIonNotation(common.notation);
        if (parse.notation && parse.notation->charge == charge) {
            types.push_back({std::string(common.notation), *parse.notation});
        }
    }
    return types;
}

IdentifyResult IdentifyIon(const ElementTable& table, const IdentifyQuery& query,
                           const PatternLineSource& lines) {
    IdentifyResult result;
    if (Refusal refusal = CheckQuery(query, result); refusal.Refused()) {
        result.status = refusal.status;
        result.problem = std::move(refusal.problem);
        return result;
    }
    result.monoisotopicMz = LowestMz(query.peaks);
    const IonMzWindow window = AccuracyWindow(result.monoisotopicMz, query.ppm);
    const MoleculeRows rows = RowsOf(table, result.elements);
    NominalPeaks nominal = GatherNominal(query.peaks, result.monoisotopicMz, result.charge);
    const int lastShift = nominal.lastShift + 2;
    const RatioBounds bounds = MeasuredRatioBounds(nominal, query.errorModel);
    CandidateSearch search{table,
                           query,
                           lines,
                           result,
                           std::move(nominal),
                           ElementMomentsCache(table, lastShift),
                           bounds,
                           {},
                           0,
                           -std::numeric_limits<double>::infinity()};
    for (std::size_t type = 0; type < result.ionTypes.size(); ++type) {
        if (!SearchIonType(search, type, window, rows)) {
            result.status = IdentifyStatus::TooManyMatches;
            result.problem =
                "More than " + FormatInteger(static_cast<long long>(kMaxIdentifyMatches)) +
                " formulae lie within the mass accuracy: narrow the accuracy or the element ranges.";
            result.candidates.clear();
            return result;
        }
    }
    std::vector<int> maxima = SearchedMaxima(table, rows, result.ionTypes.front().notation, window);
    for (std::size_t k = 0; k < result.elements.size() && k < maxima.size(); ++k) {
        result.elements[k].maximum = maxima[k];
    }
    ScoreBestResolved(search);
    Rank(result.candidates);
    SetProbabilities(result.candidates);
    result.warnings = IdentifyWarnings(query, result);
    return result;
}

}  // namespace tarnevo::core

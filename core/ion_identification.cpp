#include "core/ion_identification.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <queue>
#include <unordered_map>

#include "core/cluster_engine.h"
#include "core/identify_nominal.h"
#include "core/identify_question.h"
#include "core/identify_warnings.h"
#include "core/identify_window.h"
#include "core/ion_mz.h"
#include "core/ion_type_search.h"
#include "core/peak_moments.h"
#include "core/progress_span.h"
#include "core/text_format.h"

namespace tarnevo::core {

namespace {

constexpr double kPpm = 1e-6;
const int kCarbon = LookupSymbolText("C", 0);

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
    std::size_t walked = 0;    // formulae the walks of the ion types met
    std::size_t compared = 0;  // candidates given a first score
    double bestFirstScore = -std::numeric_limits<double>::infinity();
    // The first scores within kNominalReach of the best so far, lowest on
    // top: what is left of them at the end passed, listed or not. At most one
    // a formula of the window (kMaxIdentifyMatches), 8 bytes each.
    std::priority_queue<double, std::vector<double>, std::greater<>> withinReach;
};

// Counts a first score among those within reach of the best, and drops those
// a better best has put out of reach.
void CountWithinReach(CandidateSearch& search, double score) {
    search.bestFirstScore = std::max(search.bestFirstScore, score);
    const double lowest = search.bestFirstScore - kNominalReach;
    if (score >= lowest) search.withinReach.push(score);
    while (!search.withinReach.empty() && search.withinReach.top() < lowest) search.withinReach.pop();
}

void Hold(CandidateSearch& search, IdentifyCandidate candidate) {
    CountWithinReach(search, candidate.score);
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
// The window was counted first (CountWindow): no more than
// kMaxIdentifyMatches lie in it. false when progress asked to stop.
bool SearchIonType(CandidateSearch& search, std::size_t typeIndex, IonMzWindow window,
                   const MoleculeRows& rows, const ProgressSpan& progress) {
    IdentifyResult& result = search.result;
    const IonNotation& notation = result.ionTypes[typeIndex].notation;
    const double typePrior =
        search.query.priors.ionTypes ? IonTypePriorOf(result.ionTypes[typeIndex].text) : 0.0;
    const IonTypeVisitor visit = [&](const IonTypeMolecule& found) {
        ++search.walked;
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
    const std::vector<MoleculeRows> searches =
        SearchesOfType(search.table, rows, notation, window, search.query.rules, search.bounds);
    for (std::size_t k = 0; k < searches.size(); ++k) {
        ProgressSpan part = progress.Part(k, searches.size());
        const WorkStatus status =
            VisitIonTypeMolecules(search.table, searches[k], notation, window, visit, part.Watched());
        if (status == WorkStatus::Cancelled) return false;
    }
    return true;
}

// Keeps the candidates whose nominal comparison lies within reach of the best
// one, at most kMaxResolvedCandidates of them, and scores those from their
// fine structure; the rest are counted as ruled out by their pattern. false
// when progress asked to stop.
bool ScoreBestResolved(CandidateSearch& search, ProgressSpan& progress) {
    std::sort_heap(search.held.begin(), search.held.end(), HeldWorse);
    std::vector<IdentifyCandidate>& candidates = search.result.candidates;
    for (HeldCandidate& held : search.held) {
        if (held.candidate.score < search.bestFirstScore - kNominalReach) break;
        candidates.push_back(std::move(held.candidate));
    }
    search.held.clear();
    const std::size_t passed = search.withinReach.size();
    search.withinReach = {};
    search.result.ruledOutByPattern = search.compared - passed;
    search.result.notRanked = passed - candidates.size();
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        // A large ion's fine structure takes milliseconds: ask before each.
        const double done = static_cast<double>(k) / static_cast<double>(candidates.size());
        if (!progress.KeepGoing(done)) return false;
        candidates[k].pattern = ScoreResolved(search, candidates[k].ion);
        candidates[k].score = candidates[k].prior + ScoreOf(candidates[k].pattern);
    }
    return true;
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
    scores.reserve(candidates.size());
    for (const IdentifyCandidate& candidate : candidates) scores.push_back(candidate.score);
    const std::vector<double> probabilities = PosteriorProbabilities(scores);
    for (std::size_t k = 0; k < candidates.size(); ++k) candidates[k].probability = probabilities[k];
}

// The parts of the work as the progress shows them: the count of the
// windows, their walk (most of the time), then the fine structure of the best
// candidates.
constexpr double kCountEnd = 0.3;
constexpr double kWalkEnd = 0.9;

IdentifyResult Stopped(IdentifyResult& result, IdentifyRefusal refusal) {
    result.status = refusal.status;
    result.problem = std::move(refusal.problem);
    result.candidates.clear();
    return std::move(result);
}

IdentifyRefusal CancelledRefusal() { return {IdentifyStatus::Cancelled, kIdentifyCancelled}; }

// What the count of the window says beside what the walks met: a formula of
// the window beyond the pattern's bounds was ruled out by its pattern, and
// one the walks met not (kept out by the bounds of the element ratios) by the
// filters.
void Account(const WindowCount& count, const CandidateSearch& search, IdentifyResult& result) {
    result.massMatches = count.formulae;
    result.filteredOut += count.formulae - count.beyondPattern - search.walked;
    result.ruledOutByPattern += count.beyondPattern;
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
                           const PatternLineSource& lines, WorkProgress* progress) {
    IdentifyResult result;
    if (IdentifyRefusal refusal = CheckIdentifyQuery(query, result); refusal.Refused())
        return Stopped(result, std::move(refusal));
    // Intensities on any scale, up to 1e308: the sums below are of fractions
    // of the largest, which neither overflow nor change the comparison.
    IdentifyQuery scaled = query;
    scaled.peaks = ScaledToLargest(query.peaks);
    result.monoisotopicMz = LowestMz(scaled.peaks);
    const IonMzWindow window = AccuracyWindow(result.monoisotopicMz, query.ppm);
    const MoleculeRows rows = RowsOf(table, result.elements);
    std::vector<double> estimates;
    if (IdentifyRefusal refusal =
            CheckWindowReach(table, rows, result.ionTypes, window, result.monoisotopicMz, estimates);
        refusal.Refused())
        return Stopped(result, std::move(refusal));
    NominalPeaks nominal = GatherNominal(scaled.peaks, result.monoisotopicMz, result.charge);
    const int lastShift = nominal.lastShift + 2;
    const RatioBounds bounds = MeasuredRatioBounds(nominal, scaled.errorModel);

    const ProgressSpan whole(progress, 0.0, 1.0);
    WindowCount count;
    switch (CountWindow(table, rows, result.ionTypes, window, bounds, estimates,
                        whole.Between(0.0, kCountEnd), count)) {
        case WindowCountEnd::Counted:
            break;
        case WindowCountEnd::TooMany:
            return Stopped(result, TooManyMatchesRefusal());
        case WindowCountEnd::Cancelled:
            return Stopped(result, CancelledRefusal());
    }
    CandidateSearch search{table,
                           scaled,
                           lines,
                           result,
                           std::move(nominal),
                           ElementMomentsCache(table, lastShift),
                           bounds,
                           {},
                           0,
                           0,
                           -std::numeric_limits<double>::infinity(),
                           {}};
    const std::vector<ProgressSpan> walks = SharedOut(whole.Between(kCountEnd, kWalkEnd), estimates);
    for (std::size_t type = 0; type < result.ionTypes.size(); ++type) {
        if (!SearchIonType(search, type, window, rows, walks[type]))
            return Stopped(result, CancelledRefusal());
    }
    std::vector<int> maxima = SearchedMaxima(table, rows, result.ionTypes.front().notation, window);
    for (std::size_t k = 0; k < result.elements.size() && k < maxima.size(); ++k) {
        result.elements[k].maximum = maxima[k];
    }
    ProgressSpan scoring = whole.Between(kWalkEnd, 1.0);
    if (!ScoreBestResolved(search, scoring)) return Stopped(result, CancelledRefusal());
    Account(count, search, result);
    Rank(result.candidates);
    SetProbabilities(result.candidates);
    result.warnings = IdentifyWarnings(query, result);
    if (progress != nullptr) progress->KeepGoing(1.0);
    return result;
}

}  // namespace tarnevo::core

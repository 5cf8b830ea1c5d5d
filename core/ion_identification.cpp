#include "core/ion_identification.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "core/cluster_engine.h"
#include "core/ion_mz.h"
#include "core/ion_type_search.h"
#include "core/peak_moments.h"
#include "core/text_format.h"

namespace tarnevo::core {

namespace {

constexpr double kPpm = 1e-6;

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

// The nominal peak a measured peak belongs to: its distance from the
// monoisotopic peak in isotope steps of about 1.003 / |z|.
constexpr double kIsotopeStep = 1.0013;

// The measured peaks gathered by nominal peak: each group's intensities
// summed at their weighted mean m/z. Nominal peaks [A+0] .. [A+lastShift].
struct NominalPeaks {
    std::vector<MeasuredPeak> peaks;
    int lastShift = 0;
};

NominalPeaks GatherNominal(const std::vector<MeasuredPeak>& measured, double monoisotopicMz, int charge) {
    const double z = std::abs(static_cast<double>(charge));
    std::vector<double> weightedMz;
    NominalPeaks nominal;
    for (const MeasuredPeak& peak : measured) {
        const int shift =
            std::max(0, static_cast<int>(std::lround((peak.mz - monoisotopicMz) * z / kIsotopeStep)));
        if (static_cast<std::size_t>(shift) >= nominal.peaks.size()) {
            nominal.peaks.resize(static_cast<std::size_t>(shift) + 1);
            weightedMz.resize(static_cast<std::size_t>(shift) + 1);
        }
        nominal.peaks[static_cast<std::size_t>(shift)].intensity += peak.intensity;
        weightedMz[static_cast<std::size_t>(shift)] += peak.mz * peak.intensity;
        nominal.lastShift = std::max(nominal.lastShift, shift);
    }
    std::vector<MeasuredPeak> present;
    for (std::size_t n = 0; n < nominal.peaks.size(); ++n) {
        if (nominal.peaks[n].intensity <= 0.0) continue;
        present.push_back({weightedMz[n] / nominal.peaks[n].intensity, nominal.peaks[n].intensity});
    }
    nominal.peaks = std::move(present);
    return nominal;
}

// The candidate's nominal peaks, [A+0] to two beyond the last measured one
// (where a predicted peak the measurement lacks would show).
std::vector<ResolvedPeak> NominalPattern(const ElementTable& table, const ParsedFormula& ion, int charge,
                                         int lastShift) {
    const Extended lightest = LightestMass(table, ion);
    std::vector<ResolvedPeak> peaks;
    for (const PeakMoment& moment : PeakMoments(table, ion, lastShift + 2)) {
        const Extended mass = lightest + static_cast<Extended>(moment.shift) + moment.meanDefect;
        peaks.push_back({static_cast<double>(MzOf(IonMassOf(mass, charge), charge)),
                         static_cast<double>(moment.abundance)});
    }
    return peaks;
}

struct CandidateSearch {
    const ElementTable& table;
    const IdentifyQuery& query;
    const PatternLineSource& lines;
    IdentifyResult& result;
    NominalPeaks nominal;
};

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

// Every molecule of one ion type within the window that passes the filters,
// scored at the level of nominal peaks.
bool SearchIonType(CandidateSearch& search, std::size_t typeIndex, IonMzWindow window,
                   const MoleculeRows& rows) {
    IdentifyResult& result = search.result;
    const IonNotation& notation = result.ionTypes[typeIndex].notation;
    bool tooMany = false;
    VisitIonTypeMolecules(search.table, rows, notation, window, [&](const IonTypeMolecule& found) {
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
        candidate.score = ScoreOf(
            ScorePattern(search.nominal.peaks,
                         NominalPattern(search.table, candidate.ion, result.charge, search.nominal.lastShift),
                         search.query.errorModel));
        result.candidates.push_back(std::move(candidate));
        return SearchVisit::Continue;
    });
    return !tooMany;
}

// Keeps the candidates whose nominal comparison lies within reach of the best
// one, at most kMaxResolvedCandidates of them, and scores those from their
// fine structure; the rest are counted as ruled out by their pattern.
void ScoreBestResolved(CandidateSearch& search) {
    std::vector<IdentifyCandidate>& candidates = search.result.candidates;
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [](const IdentifyCandidate& a, const IdentifyCandidate& b) { return a.score > b.score; });
    std::size_t kept = 0;
    while (kept < candidates.size() && kept < kMaxResolvedCandidates &&
           candidates[kept].score >= candidates.front().score - kNominalReach) {
        ++kept;
    }
    search.result.ruledOutByPattern = candidates.size() - kept;
    candidates.resize(kept);
    for (IdentifyCandidate& candidate : candidates) {
        candidate.pattern = ScoreResolved(search, candidate.ion);
        candidate.score = ScoreOf(candidate.pattern);
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

}  // namespace

std::vector<IdentifyElement> DefaultIdentifyElements() {
    std::vector<IdentifyElement> rows;
    for (const char* symbol : {"C", "H", "N", "O", "P", "S"}) {
        rows.push_back({LookupSymbolText(symbol, 0), 0, -1});
    }
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
    CandidateSearch search{table, query, lines, result, {}};
    search.nominal = GatherNominal(query.peaks, result.monoisotopicMz, result.charge);
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
    return result;
}

}  // namespace tarnevo::core

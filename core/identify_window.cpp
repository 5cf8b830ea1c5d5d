#include "core/identify_window.h"

#include <algorithm>
#include <numeric>

#include "core/text_format.h"

namespace tarnevo::core {

namespace {

// Each type's least share of the progress, against its estimate's.
constexpr double kLeastShare = 0.02;

MoleculeRows ResolvedRows(const ElementTable& table, const MoleculeRows& rows, const IonNotation& notation,
                          IonMzWindow window) {
    MoleculeRows resolved = rows;
    const std::vector<int> maxima = SearchedMaxima(table, rows, notation, window);
    for (std::size_t k = 0; k < rows.elements.size(); ++k) {
        resolved.elements[k].maximum = maxima[k];
        resolved.defaultMaximum[k] = false;
    }
    return resolved;
}

bool WithinMaxima(const MoleculeRows& rows, const AtomCounts& counts) {
    for (std::size_t k = 0; k < rows.elements.size(); ++k) {
        if (counts[k] > rows.elements[k].maximum) return false;
    }
    return true;
}

}  // namespace

IdentifyRefusal TooManyMatchesRefusal() {
    return {IdentifyStatus::TooManyMatches,
            "More than " + FormatInteger(static_cast<long long>(kMaxIdentifyMatches)) +
                " formulae lie within the mass accuracy: narrow the accuracy or the element ranges."};
}

IdentifyRefusal CheckWindowReach(const ElementTable& table, const MoleculeRows& rows,
                                 const std::vector<IdentifyIonType>& types, IonMzWindow window,
                                 double monoisotopicMz, std::vector<double>& estimates) {
    estimates.clear();
    Extended highest = 0.0L;
    std::size_t heaviestType = 0;
    for (std::size_t t = 0; t < types.size(); ++t) {
        const Extended reach = HighestIonMz(table, rows, types[t].notation);
        if (t == 0 || reach > highest) {
            highest = reach;
            heaviestType = t;
        }
    }
    if (window.low > highest) {
        return {IdentifyStatus::OutOfReach,
                "No ion of the element rows reaches m/z " + FormatShortest(monoisotopicMz) +
                    ": the heaviest they allow, as " + types[heaviestType].text + ", lies at m/z " +
                    FormatFixed(static_cast<double>(highest), 4) +
                    ". Check the peaks, or widen the element ranges."};
    }
    double total = 0.0;
    for (const IdentifyIonType& type : types) {
        estimates.push_back(EstimatedMoleculeCount(table, rows, type.notation, window));
        total += estimates.back();
    }
    if (total > kEstimateMargin * static_cast<double>(kMaxIdentifyMatches)) return TooManyMatchesRefusal();
    return {};
}

std::vector<ProgressSpan> SharedOut(const ProgressSpan& progress, const std::vector<double>& estimates) {
    const double total = std::accumulate(estimates.begin(), estimates.end(), 0.0);
    std::vector<double> weights;
    for (const double estimate : estimates) {
        const double share = total > 0.0 ? estimate / total : 0.0;
        weights.push_back(std::max(share, kLeastShare));
    }
    const double sum = std::accumulate(weights.begin(), weights.end(), 0.0);
    std::vector<ProgressSpan> spans;
    double from = 0.0;
    for (std::size_t t = 0; t < weights.size(); ++t) {
        // The last ends at 1 exactly: the next part of the work starts there.
        const double to = t + 1 == weights.size() ? 1.0 : std::min(1.0, from + weights[t] / sum);
        spans.push_back(progress.Between(from, to));
        from = to;
    }
    return spans;
}

WindowCountEnd CountWindow(const ElementTable& table, const MoleculeRows& rows,
                           const std::vector<IdentifyIonType>& types, IonMzWindow window,
                           const RatioBounds& bounds, const std::vector<double>& estimates,
                           const ProgressSpan& progress, WindowCount& count) {
    std::vector<ProgressSpan> shares = SharedOut(progress, estimates);
    for (std::size_t t = 0; t < types.size(); ++t) {
        const IonNotation& notation = types[t].notation;
        const MoleculeRows resolved = ResolvedRows(table, rows, notation, window);
        MoleculeRows bounded = resolved;
        const bool anyWithinPattern = BoundByPattern(table, bounded, bounds, notation.moleculeCount);
        bool tooMany = false;
        const IonTypeVisitor visit = [&](const IonTypeMolecule& found) {
            if (++count.formulae > kMaxIdentifyMatches) {
                tooMany = true;
                return SearchVisit::Stop;
            }
            if (!anyWithinPattern || !WithinMaxima(bounded, found.counts)) ++count.beyondPattern;
            return SearchVisit::Continue;
        };
        const WorkStatus status =
            VisitIonTypeMolecules(table, resolved, notation, window, visit, shares[t].Watched(), kUncapped,
                                  MoleculeDetail::CountsOnly);
        if (tooMany) return WindowCountEnd::TooMany;
        if (status == WorkStatus::Cancelled) return WindowCountEnd::Cancelled;
    }
    return WindowCountEnd::Counted;
}

}  // namespace tarnevo::core

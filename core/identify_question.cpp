#include "core/identify_question.h"

#include <algorithm>
#include <vector>

#include "core/formula_search.h"
#include "core/text_format.h"

namespace tarnevo::core {

namespace {

IdentifyStatus PeaksStatus(PatternStatus status) {
    return status == PatternStatus::ChargeNotInferable ? IdentifyStatus::NoCharge : IdentifyStatus::BadPeaks;
}

// The signed charge: given, or |z| read from the spacing with the polarity's
// sign. Peaks given a charge must still be one cluster of it.
IdentifyRefusal SettleCharge(const IdentifyQuery& query, IdentifyResult& result) {
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

// The ion types given, each once: a repeat (the same notation, however
// written) would list its candidates twice and count its window twice.
std::vector<IdentifyIonType> DistinctIonTypes(const std::vector<IdentifyIonType>& given) {
    std::vector<IdentifyIonType> distinct;
    std::vector<std::string> notations;
    for (const IdentifyIonType& type : given) {
        std::string notation = IonNotationText(type.notation);
        if (std::find(notations.begin(), notations.end(), notation) != notations.end()) continue;
        notations.push_back(std::move(notation));
        distinct.push_back(type);
    }
    return distinct;
}

IdentifyRefusal SettleIonTypes(const IdentifyQuery& query, IdentifyResult& result) {
    result.ionTypes =
        query.ionTypes.empty() ? CommonIonTypesOfCharge(result.charge) : DistinctIonTypes(query.ionTypes);
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

IdentifyRefusal SettleElements(const IdentifyQuery& query, IdentifyResult& result) {
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

}  // namespace

IdentifyRefusal CheckIdentifyQuery(const IdentifyQuery& query, IdentifyResult& result) {
    if (!(query.ppm >= kMinIdentifyPpm && query.ppm <= kMaxIdentifyPpm)) {
        return {IdentifyStatus::BadAccuracy, "The mass accuracy must be from " +
                                                 FormatShortest(kMinIdentifyPpm) + " to " +
                                                 FormatShortest(kMaxIdentifyPpm) + " ppm."};
    }
    if (const PatternRefusal model = CheckErrorModel(query.errorModel);
        model.status != PatternStatus::Scored) {
        return {IdentifyStatus::BadErrorModel, model.problem};
    }
    if (IdentifyRefusal charge = SettleCharge(query, result); charge.Refused()) return charge;
    if (IdentifyRefusal types = SettleIonTypes(query, result); types.Refused()) return types;
    return SettleElements(query, result);
}

}  // namespace tarnevo::core

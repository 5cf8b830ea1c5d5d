#include "bench/identify_simulation.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>

#include "core/ion_notation.h"
#include "fine/fine_structure.h"

namespace tarnevo::evaluation {
namespace {

// The share of the ion its fine structure holds: what is left out (1E-8) lies
// far under the detection limit, so no peak an instrument reports is missing.
constexpr double kSimulationCoverage = 0.99999999;

std::vector<std::string> SplitTabs(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = text.find('\t', start);
        fields.push_back(text.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

std::string LineProblem(std::size_t line, std::string_view what) {
    return "line " + std::to_string(line) + ": " + std::string(what);
}

// The SplitMix64 finaliser: a bijection of 64-bit words in which each input
// bit flips about half of the output bits.
std::uint64_t SplitMix(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30U)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27U)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31U);
}

bool IonCanBeBuilt(const core::ParsedFormula& molecule, std::string_view ionTypeText) {
    const core::IonNotationParse parse = core::ParseIonNotation(ionTypeText);
    return parse.notation && core::BuildIonFormula(*parse.notation, molecule, "M").ion.has_value();
}

// A number for an ion type that is the same on every platform (std::hash is
// not): its place in the simulated list, the negative ones after the positive.
std::uint64_t IonTypeKey(std::string_view ionType, int polarity) {
    const std::vector<std::string_view>& order = SimulatedIonTypes(polarity);
    const auto place =
        static_cast<std::uint64_t>(std::find(order.begin(), order.end(), ionType) - order.begin());
    return polarity > 0 ? place : SimulatedIonTypes(1).size() + place;
}

struct NoisyPeak {
    double mz = 0.0;
    double relative = 0.0;  // of the exact base peak
};

// The peaks an instrument detects: those whose exact intensity reaches the
// detection fraction of the base peak. Detection is not left to the noise: the
// absolute part of the intensity noise is the scatter of a signal that is
// there, and applied to the dozens of peaks far under the limit it would lift
// one now and then over it, a peak several units above the cluster that no
// instrument reports.
std::vector<core::ResolvedPeak> DetectablePeaks(std::span<const core::ResolvedPeak> exact, double fraction) {
    double base = 0.0;
    for (const core::ResolvedPeak& peak : exact) base = std::max(base, peak.abundance);
    std::vector<core::ResolvedPeak> detectable;
    if (base <= 0.0) return detectable;
    for (const core::ResolvedPeak& peak : exact) {
        if (peak.abundance >= fraction * base) detectable.push_back({peak.mz, peak.abundance / base});
    }
    return detectable;
}

// Relative intensities (base 1) in, noisy ones out, with three deviates a
// peak in m/z order: the m/z, the proportional and the absolute part.
std::vector<NoisyPeak> AddNoise(std::span<const core::ResolvedPeak> relative, const InstrumentModel& model,
                                NormalDeviates& noise) {
    std::vector<NoisyPeak> noisy;
    noisy.reserve(relative.size());
    for (const core::ResolvedPeak& peak : relative) {
        const double mzDeviate = noise.Next();
        const double proportionalDeviate = noise.Next();
        const double floorDeviate = noise.Next();
        noisy.push_back({peak.mz * (1.0 + model.mzSigmaPpm * 1e-6 * mzDeviate),
                         peak.abundance + model.intensityFraction * peak.abundance * proportionalDeviate +
                             model.intensityFloor * floorDeviate});
    }
    return noisy;
}

}  // namespace

CompoundList ReadCompoundList(const std::string& path) {
    CompoundList list;
    std::ifstream file(path);
    if (!file) {
        list.problem = path + ": cannot be read";
        return list;
    }
    std::string text;
    std::size_t line = 0;
    while (std::getline(file, text)) {
        ++line;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (line == 1 || text.empty()) continue;
        const std::vector<std::string> fields = SplitTabs(text);
        if (fields.size() < 3) {
            list.problem = LineProblem(line, "expected name, formula and class separated by tabs");
            return list;
        }
        KnownCompound compound{fields[0], fields[1], {}, fields[2]};
        if (core::ParseFormulaText(compound.formulaText, compound.formula) != core::FormulaSyntax::Valid) {
            list.problem = LineProblem(line, "\"" + compound.formulaText + "\" is not a formula");
            return list;
        }
        list.compounds.push_back(std::move(compound));
    }
    if (list.compounds.empty()) list.problem = path + ": no compounds";
    return list;
}

const std::vector<std::string_view>& SimulatedIonTypes(int polarity) {
    static const std::vector<std::string_view> positive = {"[M+H]+", "[M+Na]+", "[M+NH4]+", "[M+K]+"};
    static const std::vector<std::string_view> negative = {"[M-H]-", "[M+Cl]-", "[M+HCOO]-"};
    return polarity > 0 ? positive : negative;
}

double NormalDeviates::UniformOpenAtZero() {
    // The top 53 bits as an integer 0 .. 2^53 - 1, shifted to 1 .. 2^53.
    constexpr double kScale = 1.0 / 9007199254740992.0;  // 2^-53
    return static_cast<double>((engine_() >> 11U) + 1U) * kScale;
}

double NormalDeviates::Next() {
    if (hasSpare_) {
        hasSpare_ = false;
        return spare_;
    }
    const double radius = std::sqrt(-2.0 * std::log(UniformOpenAtZero()));
    const double angle = 2.0 * std::numbers::pi * UniformOpenAtZero();
    spare_ = radius * std::sin(angle);
    hasSpare_ = true;
    return radius * std::cos(angle);
}

std::uint64_t MixSeed(std::initializer_list<std::uint64_t> parts) {
    std::uint64_t seed = 0;
    for (const std::uint64_t part : parts) seed = SplitMix(seed ^ SplitMix(part));
    return seed;
}

std::vector<std::string_view> ChooseIonTypes(const core::ParsedFormula& molecule, int polarity,
                                             std::size_t count, std::uint64_t seed) {
    std::vector<std::string_view> possible;
    for (const std::string_view ionType : SimulatedIonTypes(polarity)) {
        if (IonCanBeBuilt(molecule, ionType)) possible.push_back(ionType);
    }
    // A partial Fisher-Yates shuffle: the first count places get a uniform
    // choice without repetition. The modulo's bias is below 2^-60.
    std::mt19937_64 engine(seed);
    const std::size_t chosen = std::min(count, possible.size());
    for (std::size_t place = 0; place < chosen; ++place) {
        const std::size_t left = possible.size() - place;
        std::swap(possible[place], possible[place + static_cast<std::size_t>(engine() % left)]);
    }
    possible.resize(chosen);
    const std::vector<std::string_view>& order = SimulatedIonTypes(polarity);
    std::sort(possible.begin(), possible.end(), [&](std::string_view left, std::string_view right) {
        return std::find(order.begin(), order.end(), left) < std::find(order.begin(), order.end(), right);
    });
    return possible;
}

SimulatedIon SimulateIon(const core::ElementTable& table, const core::ParsedFormula& molecule,
                         std::string_view moleculeText, std::string_view ionTypeText,
                         const core::ResolvingPower& power) {
    SimulatedIon simulated;
    const core::IonNotationParse parse = core::ParseIonNotation(ionTypeText);
    if (!parse.notation) {
        simulated.problem = parse.problem;
        return simulated;
    }
    const core::IonFormulaBuild build = core::BuildIonFormula(*parse.notation, molecule, moleculeText);
    if (!build.ion) {
        simulated.problem = build.problem;
        return simulated;
    }
    simulated.ion = *build.ion;
    simulated.charge = parse.notation->charge;
    const fine::FineStructureResult fine =
        fine::FineStructure(table, simulated.ion, simulated.charge, kSimulationCoverage);
    if (fine.status != fine::FineStatus::Computed || fine.lines.empty()) {
        simulated.problem = std::string(fine::FineStatusMessage(fine.status));
        return simulated;
    }
    // The lines come in ascending m/z: the first is the composition of the
    // lightest isotopes alone.
    simulated.monoisotopicMz = fine.lines.front().mz;
    simulated.peaks = core::ResolvePattern(fine.lines, power).peaks;
    return simulated;
}

std::vector<core::MeasuredPeak> MeasurePeaks(std::span<const core::ResolvedPeak> exact,
                                             const InstrumentModel& model, NormalDeviates& noise) {
    std::vector<NoisyPeak> noisy = AddNoise(DetectablePeaks(exact, model.detectionFraction), model, noise);
    // A peak at the limit (0.005) lies 2.5 standard deviations of the
    // absolute part above 0: now and then the noise takes it below.
    std::erase_if(noisy, [](const NoisyPeak& peak) { return peak.relative <= 0.0; });
    if (noisy.size() > core::kMaxMeasuredPeaks) {
        std::stable_sort(noisy.begin(), noisy.end(), [](const NoisyPeak& left, const NoisyPeak& right) {
            return left.relative > right.relative;
        });
        noisy.resize(core::kMaxMeasuredPeaks);
        std::sort(noisy.begin(), noisy.end(),
                  [](const NoisyPeak& left, const NoisyPeak& right) { return left.mz < right.mz; });
    }
    std::vector<core::MeasuredPeak> measured;
    measured.reserve(noisy.size());
    for (const NoisyPeak& peak : noisy) measured.push_back({peak.mz, 100.0 * peak.relative});
    return measured;
}

std::vector<SimulationCase> EnumerateCases(std::span<const KnownCompound> compounds,
                                           std::span<const double> resolutions, const CaseChoice& choice) {
    struct CompoundIon {
        std::size_t compound;
        std::string_view ionType;
        int polarity;
    };
    std::vector<CompoundIon> ions;
    for (std::size_t index = 0; index < compounds.size(); ++index) {
        for (const int polarity : {1, -1}) {
            const std::size_t count = polarity > 0 ? choice.positiveIonTypes : choice.negativeIonTypes;
            const std::uint64_t seed = MixSeed({choice.runSeed, index, polarity > 0 ? 1U : 2U});
            for (const std::string_view ionType :
                 ChooseIonTypes(compounds[index].formula, polarity, count, seed)) {
                ions.push_back({index, ionType, polarity});
            }
        }
    }
    std::vector<SimulationCase> cases;
    cases.reserve(ions.size() * resolutions.size());
    for (const double resolution : resolutions) {
        for (const CompoundIon& ion : ions) {
            const auto resolutionKey = static_cast<std::uint64_t>(std::llround(resolution));
            cases.push_back({ion.compound, ion.ionType, ion.polarity, resolution,
                             MixSeed({choice.runSeed, ion.compound, IonTypeKey(ion.ionType, ion.polarity),
                                      resolutionKey})});
        }
    }
    return cases;
}

}  // namespace tarnevo::evaluation

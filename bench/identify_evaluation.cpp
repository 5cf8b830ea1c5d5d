// How often the ion identification names the true ion of a simulated
// measurement: for every case of the known compounds (bench/identify_simulation.h)
// the question a user would ask (the polarity and charge known, the common ion
// types of that charge, a fixed element set with every maximum left to fit,
// 5 ppm, the resolving power of the measurement), and where the true neutral
// formula and ion type rank among the answers. Beside it, on the same
// candidates, where ranking by the mass error alone puts them: the pattern
// score's own share of the result.
//
// Prints Markdown tables by resolving power, polarity and m/z band, by ion
// type, the reasons of the misses and the most frequent confusions.
//
//   tarnevo_identify_evaluation [--compounds FILE] [--limit N] [--resolutions R,R,...]
//                               [--elements SYM,SYM,...] [--error-model default|simulation]
//                               [--failures N] [--seed S] [--cases FILE]
//                               [--positive N] [--negative N]   (ion types per compound, 1 each)
//   tarnevo_identify_evaluation --write-batch FILE [--batch-count N] [--seed S]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <numeric>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench/identify_simulation.h"
#include "calc/ion_identify_run.h"
#include "core/formula_rules.h"
#include "core/ion_identification.h"
#include "core/ion_notation.h"

namespace {

using namespace tarnevo;
using evaluation::KnownCompound;
using evaluation::SimulationCase;

constexpr double kQueryPpm = 5.0;

struct Options {
    std::string compounds = TARNEVO_COMPOUND_LIST;
    std::size_t limit = 0;  // compounds, evenly spread over the list; 0 for all
    std::vector<double> resolutions = {17500.0, 60000.0, 240000.0};
    std::vector<std::string> elements = {"C", "H", "N", "O", "P", "S", "F", "Cl"};
    bool simulationErrorModel = false;
    std::size_t failures = 25;
    std::uint64_t seed = evaluation::CaseChoice{}.runSeed;
    std::string writeBatch;
    std::size_t batchCount = 1000;
    std::string casesFile;  // every case's outcome, tab-separated, for a closer look
    std::size_t positiveIonTypes = evaluation::CaseChoice{}.positiveIonTypes;
    std::size_t negativeIonTypes = evaluation::CaseChoice{}.negativeIonTypes;
};

// ---- the command line -------------------------------------------------------

std::vector<std::string> SplitCommas(std::string_view text) {
    std::vector<std::string> parts;
    std::stringstream stream{std::string(text)};
    std::string part;
    while (std::getline(stream, part, ',')) parts.push_back(part);
    return parts;
}

std::optional<double> PositiveNumber(const std::string& text) {
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used == text.size() && std::isfinite(value) && value > 0.0) return value;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

// The options that take a whole number; the problem, or empty.
std::string ApplyCountOption(Options& options, std::string_view name, const std::string& value) {
    const std::optional<double> number = PositiveNumber(value);
    if (!number && value != "0")
        return std::string(name) + ": expected a whole number, got \"" + value + "\"";
    const auto count = number ? static_cast<std::size_t>(*number) : 0U;
    if (name == "--seed") {
        options.seed = count;
    } else if (name == "--positive") {
        options.positiveIonTypes = count;
    } else if (name == "--negative") {
        options.negativeIonTypes = count;
    } else if (name == "--limit") {
        options.limit = count;
    } else if (name == "--failures") {
        options.failures = count;
    } else {
        options.batchCount = count;
    }
    return {};
}

std::string ApplyResolutions(Options& options, const std::string& value) {
    options.resolutions.clear();
    for (const std::string& part : SplitCommas(value)) {
        const std::optional<double> resolution = PositiveNumber(part);
        if (!resolution) return "--resolutions: \"" + part + "\" is not a positive number";
        options.resolutions.push_back(*resolution);
    }
    return {};
}

// Reads one option and its value into options; the problem, or empty.
std::string ApplyOption(Options& options, std::string_view name, const std::string& value) {
    if (name == "--limit" || name == "--failures" || name == "--batch-count" || name == "--seed" ||
        name == "--positive" || name == "--negative") {
        return ApplyCountOption(options, name, value);
    }
    if (name == "--resolutions") return ApplyResolutions(options, value);
    if (name == "--error-model") {
        if (value != "default" && value != "simulation")
            return "--error-model: expected default or simulation";
        options.simulationErrorModel = value == "simulation";
    } else if (name == "--compounds") {
        options.compounds = value;
    } else if (name == "--elements") {
        options.elements = SplitCommas(value);
    } else if (name == "--cases") {
        options.casesFile = value;
    } else if (name == "--write-batch") {
        options.writeBatch = value;
    } else {
        return "unknown option " + std::string(name);
    }
    return {};
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int index = 1; index < argc; index += 2) {
        const std::string_view name = argv[index];
        if (index + 1 >= argc) {
            std::cerr << "tarnevo_identify_evaluation: " << name << " needs a value\n";
            return std::nullopt;
        }
        const std::string problem = ApplyOption(options, name, argv[index + 1]);
        if (!problem.empty()) {
            std::cerr << "tarnevo_identify_evaluation: " << problem << '\n';
            return std::nullopt;
        }
    }
    return options;
}

// ---- the question a user would ask ------------------------------------------

std::optional<std::vector<core::IdentifyElement>> ElementRows(const std::vector<std::string>& symbols) {
    std::vector<core::IdentifyElement> rows;
    for (const std::string& symbol : symbols) {
        const int element = core::LookupSymbolText(symbol, 0);
        if (element == core::kNoSymbol) {
            std::cerr << "tarnevo_identify_evaluation: --elements: \"" << symbol << "\" is not an element\n";
            return std::nullopt;
        }
        rows.push_back({element, 0, -1});
    }
    return rows;
}

bool HoldsOnlyElementsOf(const core::ParsedFormula& formula, const std::vector<core::IdentifyElement>& rows) {
    for (int element = 0; element < core::kElementCount; ++element) {
        if (formula[element] == 0) continue;
        const bool searched = std::any_of(rows.begin(), rows.end(), [&](const core::IdentifyElement& row) {
            return row.element == element;
        });
        if (!searched) return false;
    }
    return true;
}

// What the simulation does to a measurement, as a user who knows the
// instrument would set the score's error model.
core::PatternErrorModel SimulationErrorModel() {
    const evaluation::InstrumentModel instrument;
    core::PatternErrorModel model;
    model.mzPpm = instrument.mzSigmaPpm;
    model.intensityFraction = instrument.intensityFraction;
    model.intensityFloor = instrument.intensityFloor;
    model.noiseLevel = instrument.detectionFraction;
    return model;
}

core::ResolvingPower OrbitrapAt200(double resolution) {
    return {resolution, core::ResolvingPowerModel::Orbitrap, 200.0};
}

// ---- one case ----------------------------------------------------------------

enum class Miss {
    None,
    Refused,          // the identification refused the question
    OutsideWindow,    // the measured [A+0] lies more than 5 ppm from the true m/z
    FilteredOut,      // in the window, but a chemistry filter refuses the true M
    NotACandidate,    // in the window, passing the filters, yet not listed
    SameIonFormula,   // another M with another ion type of the same ion formula ranks first
    OtherIonFormula,  // another ion formula ranks first
};

struct CaseOutcome {
    std::size_t caseIndex = 0;
    double trueMz = 0.0;
    bool searchable = true;  // every element of the compound is in the element set
    bool inWindow = false;
    std::size_t rank = 0;      // of the true pair, 1 = first; 0 = not a candidate
    std::size_t massRank = 0;  // the same, the candidates sorted by |error ppm| alone
    bool ionFormulaFirst = false;
    bool ambiguous = false;  // another molecule with another searched ion type gives the true ion formula
    std::size_t candidates = 0;
    double seconds = 0.0;
    Miss miss = Miss::None;
    std::string problem;
    core::IdentifyCandidate trueCandidate;
    core::IdentifyCandidate top;
    std::string topIonType;
    std::vector<core::MeasuredPeak> peaks;  // as measured, to ask the command line again
};

std::size_t MassOnlyRank(const core::IdentifyResult& result, std::size_t trueIndex) {
    std::vector<std::size_t> order(result.candidates.size());
    std::iota(order.begin(), order.end(), 0U);
    // Equal errors (one ion formula, several ion types) keep the engine's
    // tie order: the ion types as listed, then m/z.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t left, std::size_t right) {
        const core::IdentifyCandidate& a = result.candidates[left];
        const core::IdentifyCandidate& b = result.candidates[right];
        if (std::abs(a.errorPpm) != std::abs(b.errorPpm)) return std::abs(a.errorPpm) < std::abs(b.errorPpm);
        if (a.ionType != b.ionType) return a.ionType < b.ionType;
        return a.mz < b.mz;
    });
    return static_cast<std::size_t>(std::find(order.begin(), order.end(), trueIndex) - order.begin()) + 1;
}

bool SameFormula(const core::ParsedFormula& left, const core::ParsedFormula& right) {
    return left.counts == right.counts;
}

Miss ClassifyMiss(const CaseOutcome& outcome, const core::ParsedFormula& molecule,
                  const core::IdentifyQuery& query) {
    if (outcome.rank == 1) return Miss::None;
    if (outcome.rank > 1) return outcome.ionFormulaFirst ? Miss::SameIonFormula : Miss::OtherIonFormula;
    if (!outcome.inWindow) return Miss::OutsideWindow;
    return core::CheckFormulaRules(molecule, query.rules).Passes() ? Miss::NotACandidate : Miss::FilteredOut;
}

void ReadRanking(CaseOutcome& outcome, const core::IdentifyResult& result,
                 const core::ParsedFormula& molecule, const core::ParsedFormula& ion) {
    outcome.candidates = result.candidates.size();
    if (result.candidates.empty()) return;
    outcome.top = result.candidates.front();
    outcome.topIonType = result.ionTypes[outcome.top.ionType].text;
    outcome.ionFormulaFirst = SameFormula(outcome.top.ion, ion);
    for (std::size_t index = 0; index < result.candidates.size(); ++index) {
        const core::IdentifyCandidate& candidate = result.candidates[index];
        if (!SameFormula(candidate.ion, ion)) continue;
        if (SameFormula(candidate.molecule, molecule)) {
            outcome.rank = index + 1;
            outcome.trueCandidate = candidate;
            outcome.massRank = MassOnlyRank(result, index);
        }
    }
}

// The molecule M' whose ion of this type is the ion: k x M' = ion - additions
// + losses, element by element; nothing when a count goes negative or does
// not divide by k.
std::optional<core::ParsedFormula> MoleculeOfIon(const core::ParsedFormula& ion,
                                                 const core::IonNotation& type) {
    core::ParsedFormula molecule;
    for (int element = 0; element < core::kElementCount; ++element) {
        long count = ion[element];
        for (const core::IonGroup& group : type.groups) {
            count -= static_cast<long>(group.sign) * group.count * static_cast<long>(group.formula[element]);
        }
        if (count < 0 || count % type.moleculeCount != 0) return std::nullopt;
        molecule[element] = static_cast<std::uint32_t>(count / type.moleculeCount);
    }
    return molecule;
}

// Whether no measurement of this ion can tell the truth from another answer:
// another molecule of the element set, passing the chemistry filters, gives
// the same ion formula with another of the searched ion types ([M+NH4]+ of M
// is [M+H]+ of M+NH3). Worked out here from the ion types alone, so that it
// holds as well for the cases the identification refused or missed.
bool IonFormulaIsAmbiguous(const core::ParsedFormula& ion, const core::ParsedFormula& molecule, int charge,
                           const std::vector<core::IdentifyElement>& rows,
                           const core::FormulaRuleOptions& rules) {
    for (const core::IdentifyIonType& type : core::CommonIonTypesOfCharge(charge)) {
        const std::optional<core::ParsedFormula> other = MoleculeOfIon(ion, type.notation);
        if (!other || SameFormula(*other, molecule) || !HoldsOnlyElementsOf(*other, rows)) continue;
        const bool anyAtom =
            std::any_of(other->counts.begin(), other->counts.end(), [](auto n) { return n > 0; });
        if (anyAtom && core::CheckFormulaRules(*other, rules).Passes()) return true;
    }
    return false;
}

struct Evaluation {
    Options options;
    std::vector<KnownCompound> compounds;
    std::vector<core::IdentifyElement> rows;
    std::vector<SimulationCase> cases;
};

CaseOutcome RunCase(const Evaluation& run, std::size_t caseIndex) {
    const SimulationCase& simulation = run.cases[caseIndex];
    const KnownCompound& compound = run.compounds[simulation.compound];
    const core::ResolvingPower power = OrbitrapAt200(simulation.resolution);
    const evaluation::SimulatedIon ion = evaluation::SimulateIon(
        calc::IdentificationTable(), compound.formula, compound.formulaText, simulation.ionType, power);
    CaseOutcome outcome;
    outcome.caseIndex = caseIndex;
    outcome.trueMz = ion.monoisotopicMz;
    outcome.searchable = HoldsOnlyElementsOf(compound.formula, run.rows);
    outcome.ambiguous =
        IonFormulaIsAmbiguous(ion.ion, compound.formula, ion.charge, run.rows, core::FormulaRuleOptions{});
    evaluation::NormalDeviates noise(simulation.seed);
    core::IdentifyQuery query;
    query.peaks = evaluation::MeasurePeaks(ion.peaks, evaluation::InstrumentModel{.power = power}, noise);
    query.charge = ion.charge;
    query.polarity = simulation.polarity;
    query.elements = run.rows;
    query.ppm = kQueryPpm;
    query.power = power;
    if (run.options.simulationErrorModel) query.errorModel = SimulationErrorModel();
    const double measuredMonoisotopic = query.peaks.empty() ? 0.0 : query.peaks.front().mz;
    outcome.inWindow =
        std::abs(measuredMonoisotopic - ion.monoisotopicMz) <= kQueryPpm * 1e-6 * ion.monoisotopicMz;

    outcome.peaks = query.peaks;
    const auto start = std::chrono::steady_clock::now();
    const core::IdentifyResult result = calc::IdentifyMeasuredIon(query);
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (result.status != core::IdentifyStatus::Identified) {
        outcome.miss = Miss::Refused;
        outcome.problem = result.problem;
        return outcome;
    }
    ReadRanking(outcome, result, compound.formula, ion.ion);
    outcome.miss = ClassifyMiss(outcome, compound.formula, query);
    return outcome;
}

// ---- the tables --------------------------------------------------------------

struct Tally {
    std::size_t cases = 0;
    std::size_t inWindow = 0;
    std::size_t top1 = 0;
    std::size_t top5 = 0;
    std::size_t massTop1 = 0;
    std::size_t massTop5 = 0;
    std::size_t ionFormulaFirst = 0;
    std::size_t unambiguous = 0;
    std::size_t unambiguousTop1 = 0;
    std::size_t candidates = 0;

    void Add(const CaseOutcome& outcome) {
        ++cases;
        inWindow += outcome.inWindow ? 1U : 0U;
        top1 += outcome.rank == 1 ? 1U : 0U;
        top5 += outcome.rank >= 1 && outcome.rank <= 5 ? 1U : 0U;
        massTop1 += outcome.massRank == 1 ? 1U : 0U;
        massTop5 += outcome.massRank >= 1 && outcome.massRank <= 5 ? 1U : 0U;
        ionFormulaFirst += outcome.ionFormulaFirst ? 1U : 0U;
        if (!outcome.ambiguous) {
            ++unambiguous;
            unambiguousTop1 += outcome.rank == 1 ? 1U : 0U;
        }
        candidates += outcome.candidates;
    }
};

std::string Percent(std::size_t part, std::size_t whole) {
    if (whole == 0) return "-";
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 100.0 * static_cast<double>(part) / static_cast<double>(whole));
    return text;
}

std::string_view BandOf(double mz) {
    if (mz < 300.0) return "< 300";
    if (mz < 600.0) return "300-600";
    if (mz < 1000.0) return "600-1000";
    return "> 1000";
}

std::string ResolutionText(double resolution) {
    return std::to_string(static_cast<long>(std::lround(resolution)));
}

void PrintTallyHeader(std::string_view firstColumns) {
    std::cout << "| " << firstColumns
              << " | cases | in window % | top-1 % | top-5 % | mass-only top-1 % | mass-only top-5 % "
                 "| ion formula first % | unambiguous cases | unambiguous top-1 % | mean candidates |\n|";
    const std::size_t columns =
        static_cast<std::size_t>(std::count(firstColumns.begin(), firstColumns.end(), '|')) + 11;
    for (std::size_t column = 0; column < columns; ++column) std::cout << "---|";
    std::cout << '\n';
}

void PrintTallyRow(std::string_view firstColumns, const Tally& tally) {
    std::cout << "| " << firstColumns << " | " << tally.cases << " | " << Percent(tally.inWindow, tally.cases)
              << " | " << Percent(tally.top1, tally.cases) << " | " << Percent(tally.top5, tally.cases)
              << " | " << Percent(tally.massTop1, tally.cases) << " | "
              << Percent(tally.massTop5, tally.cases) << " | " << Percent(tally.ionFormulaFirst, tally.cases)
              << " | " << tally.unambiguous << " | " << Percent(tally.unambiguousTop1, tally.unambiguous)
              << " | " << (tally.cases == 0 ? 0 : tally.candidates / tally.cases) << " |\n";
}

void PrintMainTable(const Evaluation& run, const std::vector<CaseOutcome>& outcomes) {
    std::map<std::tuple<double, int, int>, Tally> byGroup;  // resolution, -polarity (+ first), band order
    std::map<double, Tally> byResolution;
    Tally overall;
    const std::vector<std::string_view> bands = {"< 300", "300-600", "600-1000", "> 1000"};
    for (const CaseOutcome& outcome : outcomes) {
        if (!outcome.searchable) continue;
        const SimulationCase& simulation = run.cases[outcome.caseIndex];
        const auto band =
            static_cast<int>(std::find(bands.begin(), bands.end(), BandOf(outcome.trueMz)) - bands.begin());
        byGroup[{simulation.resolution, -simulation.polarity, band}].Add(outcome);
        byResolution[simulation.resolution].Add(outcome);
        overall.Add(outcome);
    }
    PrintTallyHeader("R (m/z 200) | polarity | m/z");
    for (const auto& [key, tally] : byGroup) {
        const auto& [resolution, negativePolarity, band] = key;
        PrintTallyRow(ResolutionText(resolution) + " | " + (negativePolarity < 0 ? "+" : "-") + " | " +
                          std::string(bands[static_cast<std::size_t>(band)]),
                      tally);
    }
    for (const auto& [resolution, tally] : byResolution) {
        PrintTallyRow("**" + ResolutionText(resolution) + "** | all | all", tally);
    }
    PrintTallyRow("**all** | all | all", overall);
}

void PrintIonTypeTable(const Evaluation& run, const std::vector<CaseOutcome>& outcomes) {
    // In the simulated list's order: the positive ion types, then the negative.
    std::map<std::pair<int, std::size_t>, Tally> byIonType;
    for (const CaseOutcome& outcome : outcomes) {
        if (!outcome.searchable) continue;
        const SimulationCase& simulation = run.cases[outcome.caseIndex];
        const std::vector<std::string_view>& order = evaluation::SimulatedIonTypes(simulation.polarity);
        const auto place = static_cast<std::size_t>(
            std::find(order.begin(), order.end(), simulation.ionType) - order.begin());
        byIonType[{-simulation.polarity, place}].Add(outcome);
    }
    PrintTallyHeader("ion type");
    for (const auto& [key, tally] : byIonType) {
        PrintTallyRow(evaluation::SimulatedIonTypes(-key.first)[key.second], tally);
    }
}

std::string_view MissText(Miss miss) {
    switch (miss) {
        case Miss::None:
            return "true ion first";
        case Miss::Refused:
            return "refused";
        case Miss::OutsideWindow:
            return "[A+0] measured outside 5 ppm";
        case Miss::FilteredOut:
            return "true M refused by a chemistry filter";
        case Miss::NotACandidate:
            return "true M in the window, passing the filters, not listed";
        case Miss::SameIonFormula:
            return "same ion formula, another ion type first";
        case Miss::OtherIonFormula:
            return "another ion formula first";
    }
    return "";
}

// The top ion less the true one, element by element: "+C3H-2O-2" style text
// with the signs of each element written out.
std::string FormulaDifference(const core::ParsedFormula& top, const core::ParsedFormula& truth) {
    core::ParsedFormula gained;
    core::ParsedFormula lost;
    for (int element = 0; element < core::kElementCount; ++element) {
        if (top[element] > truth[element]) gained[element] = top[element] - truth[element];
        if (truth[element] > top[element]) lost[element] = truth[element] - top[element];
    }
    const bool anyGained =
        std::any_of(gained.counts.begin(), gained.counts.end(), [](auto n) { return n > 0; });
    const bool anyLost = std::any_of(lost.counts.begin(), lost.counts.end(), [](auto n) { return n > 0; });
    return (anyGained ? "+" + core::HillFormulaText(gained) : std::string()) +
           (anyLost ? " -" + core::HillFormulaText(lost) : std::string());
}

void PrintMisses(const std::vector<CaseOutcome>& outcomes) {
    std::map<Miss, std::size_t> counts;
    std::map<Miss, std::size_t>
        tied;  // the true candidate scored as high as the first, ranked lower by the tie order
    std::map<std::string, std::size_t> confusions;
    std::size_t searchable = 0;
    for (const CaseOutcome& outcome : outcomes) {
        if (!outcome.searchable) continue;
        ++searchable;
        ++counts[outcome.miss];
        if (outcome.rank > 1 && outcome.trueCandidate.score == outcome.top.score) ++tied[outcome.miss];
        if (outcome.miss == Miss::OtherIonFormula)
            ++confusions[FormulaDifference(outcome.top.ion, outcome.trueCandidate.ion)];
    }
    std::cout << "| outcome | cases | % | of them tied with the first's score |\n|---|---|---|---|\n";
    for (const auto& [miss, count] : counts) {
        std::cout << "| " << MissText(miss) << " | " << count << " | " << Percent(count, searchable) << " | "
                  << tied[miss] << " |\n";
    }
    std::vector<std::pair<std::size_t, std::string>> frequent;
    frequent.reserve(confusions.size());
    for (const auto& [difference, count] : confusions) frequent.emplace_back(count, difference);
    std::sort(frequent.rbegin(), frequent.rend());
    std::cout << "\nThe top candidate's ion less the true ion, where another ion formula ranks first "
                 "(the 15 most frequent):\n\n| difference | cases |\n|---|---|\n";
    for (std::size_t index = 0; index < std::min<std::size_t>(15, frequent.size()); ++index) {
        std::cout << "| " << frequent[index].second << " | " << frequent[index].first << " |\n";
    }
}

std::string Fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void PrintFailureList(const Evaluation& run, const std::vector<CaseOutcome>& outcomes) {
    std::cout << "| compound | true ion | ion formula | R | m/z | miss | rank | mass rank | top candidate | "
                 "difference | true score | top score | true match | top match | true ppm | top ppm |\n"
                 "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n";
    std::size_t listed = 0;
    for (const CaseOutcome& outcome : outcomes) {
        if (listed >= run.options.failures) break;
        if (!outcome.searchable || outcome.miss == Miss::None || outcome.miss == Miss::SameIonFormula)
            continue;
        ++listed;
        const SimulationCase& simulation = run.cases[outcome.caseIndex];
        const KnownCompound& compound = run.compounds[simulation.compound];
        const bool ranked = outcome.rank > 0;
        std::cout << "| " << compound.name << " | " << simulation.ionType << " of " << compound.formulaText
                  << " | " << (ranked ? core::HillFormulaText(outcome.trueCandidate.ion) : "") << " | "
                  << ResolutionText(simulation.resolution) << " | " << Fixed(outcome.trueMz, 4) << " | "
                  << MissText(outcome.miss) << (outcome.problem.empty() ? "" : ": " + outcome.problem)
                  << " | " << outcome.rank << " | " << outcome.massRank << " | "
                  << (outcome.candidates == 0
                          ? std::string("none")
                          : outcome.topIonType + " of " + core::HillFormulaText(outcome.top.molecule))
                  << " | " << (ranked ? FormulaDifference(outcome.top.ion, outcome.trueCandidate.ion) : "")
                  << " | " << (ranked ? Fixed(outcome.trueCandidate.score, 2) : "") << " | "
                  << Fixed(outcome.top.score, 2) << " | "
                  << (ranked ? Fixed(outcome.trueCandidate.pattern.patternMatch, 1) : "") << " | "
                  << Fixed(outcome.top.pattern.patternMatch, 1) << " | "
                  << (ranked ? Fixed(outcome.trueCandidate.errorPpm, 2) : "") << " | "
                  << Fixed(outcome.top.errorPpm, 2) << " |\n";
    }
}

void PrintTimes(const Evaluation& run, const std::vector<CaseOutcome>& outcomes) {
    std::cout
        << "| R (m/z 200) | identifications | mean ms | max ms | slowest case |\n|---|---|---|---|---|\n";
    for (const double resolution : run.options.resolutions) {
        double total = 0.0;
        double slowest = 0.0;
        std::size_t slowestCase = 0;
        std::size_t count = 0;
        for (const CaseOutcome& outcome : outcomes) {
            if (run.cases[outcome.caseIndex].resolution != resolution) continue;
            ++count;
            total += outcome.seconds;
            if (outcome.seconds >= slowest) {
                slowest = outcome.seconds;
                slowestCase = outcome.caseIndex;
            }
        }
        if (count == 0) continue;
        const SimulationCase& simulation = run.cases[slowestCase];
        std::cout << "| " << ResolutionText(resolution) << " | " << count << " | "
                  << Fixed(1000.0 * total / static_cast<double>(count), 2) << " | "
                  << Fixed(1000.0 * slowest, 1) << " | " << simulation.ionType << " of "
                  << run.compounds[simulation.compound].name << " |\n";
    }
}

void PrintReport(const Evaluation& run, const std::vector<CaseOutcome>& outcomes, double wallSeconds) {
    const auto outside = static_cast<std::size_t>(std::count_if(
        outcomes.begin(), outcomes.end(), [](const CaseOutcome& outcome) { return !outcome.searchable; }));
    std::string elementText;
    for (const std::string& symbol : run.options.elements)
        elementText += (elementText.empty() ? "" : " ") + symbol;
    std::cout << "# Identify Ion from Pattern: evaluation on simulated measurements\n\n"
              << run.compounds.size() << " compounds, " << outcomes.size() << " cases; elements "
              << elementText << " (each 0 to what fits), the common ion types of the charge, " << kQueryPpm
              << " ppm, the Orbitrap resolving power of the simulation, score error model: "
              << (run.options.simulationErrorModel ? "as simulated" : "the default") << ". " << outside
              << " cases whose compound holds an element outside the set are left out of the tables. "
              << "Run seed " << run.options.seed << ", " << Fixed(wallSeconds, 0) << " s.\n\n"
              << "## By resolving power, polarity and m/z band\n\n";
    PrintMainTable(run, outcomes);
    std::cout << "\n## By ion type\n\n";
    PrintIonTypeTable(run, outcomes);
    std::cout << "\n## Outcomes\n\n";
    PrintMisses(outcomes);
    std::cout << "\n## Misses other than ion-type ambiguity (the first " << run.options.failures << ")\n\n";
    PrintFailureList(run, outcomes);
    std::cout << "\n## Time per identification\n\n";
    PrintTimes(run, outcomes);
}

// The measured peaks as the command line's --peaks takes them: MZ:I,MZ:I,...
std::string PeaksOption(const std::vector<core::MeasuredPeak>& peaks) {
    std::string text;
    for (const core::MeasuredPeak& peak : peaks) {
        text += (text.empty() ? "" : ",") + Fixed(peak.mz, 6) + ":" + Fixed(peak.intensity, 3);
    }
    return text;
}

// One line per case: what the tables count, and the scores of the true and
// the top candidate, for sorting and filtering elsewhere.
void WriteCases(const Evaluation& run, const std::vector<CaseOutcome>& outcomes) {
    std::ofstream file(run.options.casesFile);
    if (!file) {
        std::cerr << "tarnevo_identify_evaluation: " << run.options.casesFile << ": cannot be written\n";
        return;
    }
    file << "compound\tformula\tion_type\tresolution\tmz\tsearchable\tin_window\toutcome\trank\tmass_rank\t"
            "ambiguous\tcandidates\tms\ttop_ion_type\ttop_formula\ttrue_score\ttop_score\ttrue_match\t"
            "top_match\ttrue_ppm\ttop_ppm\tproblem\tpeaks\n";
    for (const CaseOutcome& outcome : outcomes) {
        const SimulationCase& simulation = run.cases[outcome.caseIndex];
        const KnownCompound& compound = run.compounds[simulation.compound];
        const bool ranked = outcome.rank > 0;
        const bool anyCandidate = outcome.candidates > 0;
        file << compound.name << '\t' << compound.formulaText << '\t' << simulation.ionType << '\t'
             << ResolutionText(simulation.resolution) << '\t' << Fixed(outcome.trueMz, 6) << '\t'
             << outcome.searchable << '\t' << outcome.inWindow << '\t' << MissText(outcome.miss) << '\t'
             << outcome.rank << '\t' << outcome.massRank << '\t' << outcome.ambiguous << '\t'
             << outcome.candidates << '\t' << Fixed(1000.0 * outcome.seconds, 3) << '\t' << outcome.topIonType
             << '\t' << (anyCandidate ? core::HillFormulaText(outcome.top.molecule) : "") << '\t'
             << (ranked ? Fixed(outcome.trueCandidate.score, 3) : "") << '\t'
             << (anyCandidate ? Fixed(outcome.top.score, 3) : "") << '\t'
             << (ranked ? Fixed(outcome.trueCandidate.pattern.patternMatch, 2) : "") << '\t'
             << (anyCandidate ? Fixed(outcome.top.pattern.patternMatch, 2) : "") << '\t'
             << (ranked ? Fixed(outcome.trueCandidate.errorPpm, 3) : "") << '\t'
             << (anyCandidate ? Fixed(outcome.top.errorPpm, 3) : "") << '\t' << outcome.problem << '\t'
             << PeaksOption(outcome.peaks) << '\n';
    }
}

// ---- the cases ----------------------------------------------------------------

std::vector<KnownCompound> EvenlySpread(std::vector<KnownCompound> compounds, std::size_t limit) {
    if (limit == 0 || limit >= compounds.size()) return compounds;
    std::vector<KnownCompound> spread;
    for (std::size_t index = 0; index < limit; ++index)
        spread.push_back(compounds[index * compounds.size() / limit]);
    return spread;
}

// ---- the batch input of the command line's benchmark -------------------------

// One JSON line of `tarnevo-cli identify --batch`: the case's id, its peaks,
// its signed charge and its resolving power (constant over m/z, the command
// line's default model).
std::string BatchLine(const std::string& id, const std::vector<core::MeasuredPeak>& peaks, int charge,
                      double resolution) {
    std::string line = "{\"id\": \"" + id + "\", \"peaks\": [";
    for (std::size_t index = 0; index < peaks.size(); ++index) {
        line += (index == 0 ? "[" : ", [") + Fixed(peaks[index].mz, 6) + ", " +
                Fixed(peaks[index].intensity, 3) + "]";
    }
    return line + "], \"charge\": " + std::to_string(charge) +
           ", \"resolvingPower\": " + ResolutionText(resolution) + "}";
}

int WriteBatch(const Evaluation& run) {
    std::ofstream file(run.options.writeBatch);
    if (!file) {
        std::cerr << "tarnevo_identify_evaluation: " << run.options.writeBatch << ": cannot be written\n";
        return 1;
    }
    std::vector<std::size_t> chosen;
    for (std::size_t index = 0; index < run.cases.size(); ++index) {
        if (HoldsOnlyElementsOf(run.compounds[run.cases[index].compound].formula, run.rows))
            chosen.push_back(index);
    }
    const std::size_t count = std::min(run.options.batchCount, chosen.size());
    for (std::size_t line = 0; line < count; ++line) {
        const SimulationCase& simulation = run.cases[chosen[line * chosen.size() / count]];
        const KnownCompound& compound = run.compounds[simulation.compound];
        const core::ResolvingPower power{simulation.resolution, core::ResolvingPowerModel::Constant, 200.0};
        const evaluation::SimulatedIon ion = evaluation::SimulateIon(
            calc::IdentificationTable(), compound.formula, compound.formulaText, simulation.ionType, power);
        evaluation::NormalDeviates noise(simulation.seed);
        const std::vector<core::MeasuredPeak> peaks =
            evaluation::MeasurePeaks(ion.peaks, evaluation::InstrumentModel{.power = power}, noise);
        // The id names the true answer, for checking the output; the command
        // line reads nothing from it.
        const std::string id = "q" + std::to_string(line + 1) + " " + std::string(simulation.ionType) +
                               " of " + compound.formulaText;
        file << BatchLine(id, peaks, ion.charge, simulation.resolution) << '\n';
    }
    std::cerr << "wrote " << count << " lines to " << run.options.writeBatch << '\n';
    return 0;
}

int Evaluate(const Evaluation& run) {
    std::vector<CaseOutcome> outcomes;
    outcomes.reserve(run.cases.size());
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t index = 0; index < run.cases.size(); ++index) {
        outcomes.push_back(RunCase(run, index));
        if ((index + 1) % 500 == 0) std::cerr << index + 1 << " of " << run.cases.size() << " cases\n";
    }
    PrintReport(run, outcomes,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!run.options.casesFile.empty()) WriteCases(run, outcomes);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) return 2;
    Evaluation run;
    run.options = *options;
    const std::optional<std::vector<core::IdentifyElement>> rows = ElementRows(options->elements);
    if (!rows) return 2;
    run.rows = *rows;
    evaluation::CompoundList list = evaluation::ReadCompoundList(options->compounds);
    if (!list.problem.empty()) {
        std::cerr << "tarnevo_identify_evaluation: " << list.problem << '\n';
        return 1;
    }
    run.compounds = EvenlySpread(std::move(list.compounds), options->limit);
    evaluation::CaseChoice choice;
    choice.runSeed = options->seed;
    choice.positiveIonTypes = options->positiveIonTypes;
    choice.negativeIonTypes = options->negativeIonTypes;
    run.cases = evaluation::EnumerateCases(run.compounds, options->resolutions, choice);
    return options->writeBatch.empty() ? Evaluate(run) : WriteBatch(run);
}

#include "fuzz/cli_fuzz_input.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>

#include "core/element_table.h"
#include "core/formula_parser.h"
#include "core/ion_identification.h"
#include "core/ion_notation.h"
#include "core/pattern_score.h"
#include "fuzz/json_check.h"

// Why a fuzzed command line's work is bounded here, in the harness, and not by
// the command line: each bound below stands for a limit the command line has
// already, and a user may well reach (4,000,000 formulae in an identification's
// window, a million fine-structure lines, 256 batch workers), at the cost of
// seconds in a release build. Under ASan and UBSan, ten to thirty times slower,
// the same input runs for minutes, past libFuzzer's 10 s hang limit, and an
// input of even a second would starve the gate's fixed number of runs. So an
// input whose work, estimated from its options alone before running, is beyond
// about a second under the sanitizers is skipped (neither a finding nor new
// coverage). The estimates are coarse and on the large side; the bounds lie far
// beyond the seeds, so every path of the code stays in reach of small inputs.
namespace tarnevo::fuzz {

namespace {

constexpr std::string_view kStandardInputMarker = "<<<";
constexpr std::size_t kMostBatchLines = 8;
constexpr int kMostFitCycles = 100;
// The formula search visits at most about this many boxes of element counts.
constexpr double kMostFormulaCandidates = 2e5;
// Each batch worker is a thread, started for every input: 256 of them cost
// more than the answers; four already run the lines side by side.
constexpr double kMostBatchJobs = 4;
// The resolved pattern of an ion is drawn from its fine structure, one line an
// isotopic composition, up to a million lines (beyond them, from the moments of
// its nominal peaks): 2 s under the sanitizers for Xe6Hg6Cl100Br100C300. The
// lines grow with the atoms, fastest with those of elements of four isotopes or
// more (S, Fe, Sn, Xe, Hg, ...).
constexpr double kMostResolvedAtoms = 1000;
constexpr double kMostResolvedRichAtoms = 20;
// The profile (--profile) is sampled 20 times a FWHM around each group of
// lines, and a higher resolving power parts the lines into more groups: the
// same ion takes 27 s at R 10^7, 2 s at R 60,000.
constexpr double kMostProfileResolution = 1e5;
// An identification scores up to 200 candidates from their fine structures: a
// second under the sanitizers at an ion of 400 u, nine at 850 u.
constexpr double kMostIdentifyIonMass = 450;
// ... and walks every formula in its window, some 90 us each under the
// sanitizers: a few thousand are a fraction of a second.
constexpr double kMostIdentifyMatches = 3000;

bool StartsWith(const std::string& word, std::string_view prefix) { return word.rfind(prefix, 0) == 0; }

constexpr const char* kMissingFile = "/nonexistent/tarnevo-cli-fuzz-input.txt";

// The value of --name FILE or --name=FILE at arguments[i], pointed at `to`
// (standard input stays standard input when keepStandardInput); i moves past it.
void Redirect(std::vector<std::string>& arguments, std::size_t& i, const std::string& name,
              const std::string& to, bool keepStandardInput) {
    std::string& word = arguments[i];
    const std::string joined = "--" + name + "=";
    if (word == "--" + name && i + 1 < arguments.size()) {
        std::string& value = arguments[++i];
        if (!(keepStandardInput && value == "-")) value = to;
    } else if (StartsWith(word, joined) && !(keepStandardInput && word == joined + "-")) {
        word = joined + to;
    }
}

const core::ElementTable& NaturalTable() {
    static const core::ElementTable table;
    return table;
}

// How many element-count combinations the formula search may visit: for each
// --element SYM[:MIN[:MAX]], the counts from MIN to MAX, or to as many atoms as fit
// under m/z x |charge| when MAX is 0 (Jx's mass from --jx). An overestimate: the
// search prunes by mass.
double FormulaSearchBox(const std::vector<std::string>& arguments) {
    if (arguments.size() < 2) return 0;
    const double mz = std::fabs(NumberOr(arguments[1], 0));
    const std::vector<std::string> charges = ValuesOf(arguments, "charge");
    const double charge = charges.empty() ? 1 : std::max(1.0, std::fabs(NumberOr(charges.back(), 1)));
    const std::vector<std::string> jx = ValuesOf(arguments, "jx");
    const double jxMass = jx.empty() ? 1 : std::fabs(NumberOr(jx.back(), 1));
    const double mass = (mz + 1) * charge;
    double box = 1;
    for (const std::string& element : ValuesOf(arguments, "element")) {
        const std::size_t colon = element.find(':');
        const std::string symbol = element.substr(0, colon);
        const int index = core::LookupSymbolText(symbol, 1);
        double lightMass = index == core::kFirstUserElement ? jxMass : 1;
        if (index >= 0 && index <= core::kLastNaturalElement) lightMass = NaturalTable()[index].lightMass;
        double most = mass / std::max(lightMass, 1e-3);
        if (colon != std::string::npos) {
            const std::size_t second = element.find(':', colon + 1);
            if (second != std::string::npos) {
                const double given = NumberOr(element.substr(second + 1), 0);
                if (given > 0) most = std::min(most, given);
            }
        }
        box *= std::max(1.0, most + 1);
    }
    return box;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream split(text);
    for (std::string word; split >> word;) words.push_back(word);
    return words;
}

// A word and, for --name=VALUE, its value: where a formula or an ion type may be.
std::vector<std::string> WordsAndValues(const CommandLine& line) {
    std::vector<std::string> words(line.arguments.begin(), line.arguments.end());
    for (std::string& word : Words(line.standardInput)) words.push_back(std::move(word));
    const std::size_t count = words.size();
    for (std::size_t k = 0; k < count; ++k) {
        if (const std::size_t equals = words[k].find('='); equals != std::string::npos)
            words.push_back(words[k].substr(equals + 1));
    }
    return words;
}

// The resolving powers of the command line and of its batch lines.
std::vector<double> ResolvingPowers(const CommandLine& line) {
    std::vector<std::string> words = line.arguments;
    for (std::string& word : Words(line.standardInput)) words.push_back(std::move(word));
    std::vector<double> powers;
    for (const std::string& text : ValuesOf(words, "resolution")) powers.push_back(NumberOr(text, 0));
    return powers;
}

// Whether every formula the run may resolve stays within the bounds above, with
// the largest multiplier of an ion type ([20M+H]+) anywhere.
bool ResolvedIonsAreSmall(const CommandLine& line) {
    const bool profile =
        HasWord(line.arguments, "--profile") || line.standardInput.find("--profile") != std::string::npos;
    for (const double power : ResolvingPowers(line)) {
        if (profile && power > kMostProfileResolution) return false;
    }
    const std::vector<std::string> words = WordsAndValues(line);
    double multiplier = 1;
    for (const std::string& word : words) {
        const core::IonNotationParse notation = core::ParseIonNotation(word);
        if (notation.notation) multiplier = std::max(multiplier, 1.0 * notation.notation->moleculeCount);
    }
    for (const std::string& word : words) {
        core::ParsedFormula formula;
        if (core::ParseFormulaText(word, formula) != core::FormulaSyntax::Valid) continue;
        double atoms = 0;
        double rich = 0;
        for (int element = 0; element < core::kElementCount; ++element) {
            atoms += formula[element];
            const bool richElement =
                element >= core::kFirstUserElement || NaturalTable()[element].heavyCount >= 3;
            if (richElement) rich += formula[element];
        }
        if (atoms * multiplier > kMostResolvedAtoms || rich * multiplier > kMostResolvedRichAtoms)
            return false;
    }
    return true;
}

bool MentionsResolution(const CommandLine& line) {
    return !ValuesOf(line.arguments, "resolution").empty() ||
           line.standardInput.find("--resolution") != std::string::npos ||
           line.standardInput.find("resolvingPower") != std::string::npos;
}

// What the cost of one identification depends on, as its options give it.
struct IdentifyWork {
    double highestMz = 0.0;  // of the measured peaks
    std::optional<double> charge;
    std::vector<std::string> adducts;
    std::vector<std::string> elements;
    double ppm = core::kDefaultIdentifyPpm;
};

void TakeMz(double mz, IdentifyWork& work) {
    if (std::isfinite(mz)) work.highestMz = std::max(work.highestMz, mz);
}

// Peaks as --peaks writes them (MZ:I,MZ:I,...) or a peaks file's lines (MZ I).
void TakePeakText(const std::string& text, char peakEnd, IdentifyWork& work) {
    std::istringstream peaks(text);
    for (std::string peak; std::getline(peaks, peak, peakEnd);) {
        const std::size_t start = peak.find_first_not_of(" \t\r");
        if (start != std::string::npos) TakeMz(NumberOr(peak.substr(start), 0), work);
    }
}

IdentifyWork CommandLineIdentifyWork(const CommandLine& line) {
    const std::vector<std::string>& arguments = line.arguments;
    IdentifyWork work;
    for (const std::string& peaks : ValuesOf(arguments, "peaks")) TakePeakText(peaks, ',', work);
    if (!ValuesOf(arguments, "peaks-file").empty()) TakePeakText(line.standardInput, '\n', work);
    if (const auto charges = ValuesOf(arguments, "charge"); !charges.empty())
        work.charge = NumberOr(charges.back(), 0);
    work.adducts = ValuesOf(arguments, "adduct");
    work.elements = ValuesOf(arguments, "element");
    if (const auto ppm = ValuesOf(arguments, "ppm"); !ppm.empty()) work.ppm = NumberOr(ppm.back(), 0);
    return work;
}

std::vector<std::string> Strings(const JsonTree& array) {
    std::vector<std::string> texts;
    for (const JsonTree& item : array.items) texts.push_back(item.text);
    return texts;
}

// A batch line's fields in place of the options they replace.
IdentifyWork LineIdentifyWork(const JsonTree& question, IdentifyWork work) {
    work.highestMz = 0.0;
    if (const JsonTree* peaks = question.Find("peaks"); peaks != nullptr) {
        for (const JsonTree& peak : peaks->items) {
            if (!peak.items.empty()) TakeMz(peak.items[0].number, work);
        }
    }
    if (const JsonTree* charge = question.Find("charge"); charge != nullptr) work.charge = charge->number;
    if (question.Find("polarity") != nullptr) work.charge.reset();
    if (const JsonTree* adducts = question.Find("adducts"); adducts != nullptr)
        work.adducts = Strings(*adducts);
    if (const JsonTree* elements = question.Find("elements"); elements != nullptr)
        work.elements = Strings(*elements);
    if (const JsonTree* ppm = question.Find("ppm"); ppm != nullptr) work.ppm = ppm->number;
    return work;
}

double Factorial(int n) { return n <= 1 ? 1.0 : n * Factorial(n - 1); }

// About how many formulae lie in the window, all ion types together: the
// element-count vectors of k rows whose mass lies within the window of width w
// at mass M number about w x M^(k-1) / ((k-1)! x product of the masses), the
// face of the simplex of masses up to M (maxima and minima left out: more).
// Within a few times the true count for C H N O S P Na Cl at 300 u.
double IdentifyMatchEstimate(const IdentifyWork& work) {
    if (!(work.highestMz > 0.0)) return 0.0;  // refused before any search
    // The charge given, else the ion types', else the most the spacing may say.
    double z = 0;
    if (work.charge) {
        z = std::fabs(*work.charge);
    } else {
        for (const std::string& adduct : work.adducts) {
            const core::IonNotationParse notation = core::ParseIonNotation(adduct);
            if (notation.notation) z = std::max(z, std::fabs(1.0 * notation.notation->charge));
        }
    }
    if (z == 0) z = core::kMaxInferredCharge;
    const double mass = work.highestMz * std::max(z, 1.0);
    if (mass > kMostIdentifyIonMass) return HUGE_VAL;
    const double width = 2.0 * mass * std::clamp(work.ppm, 0.0, core::kMaxIdentifyPpm) * 1e-6;
    std::vector<double> masses;
    for (const std::string& row : work.elements) {
        const int element = core::LookupSymbolText(row.substr(0, row.find(':')), 0);
        if (element < 0 || element > core::kLastNaturalElement) return 0.0;  // refused
        masses.push_back(NaturalTable()[element].lightMass);
    }
    if (masses.empty()) {
        for (const core::IdentifyElement& row : core::DefaultIdentifyElements())
            masses.push_back(NaturalTable()[row.element].lightMass);
    }
    const int k = static_cast<int>(masses.size());
    double density = std::pow(mass, k - 1) / Factorial(k - 1);
    for (const double elementMass : masses) density /= std::max(elementMass, 1.0);
    const int signedZ = static_cast<int>(std::clamp(z, 1.0, 1.0 * core::kMaxNotationCharge));
    const double types = work.adducts.empty()
                             ? static_cast<double>(std::max(core::CommonIonTypesOfCharge(signedZ).size(),
                                                            core::CommonIonTypesOfCharge(-signedZ).size()))
                             : static_cast<double>(work.adducts.size());
    return types * width * density;
}

bool IdentificationsAreSmall(const CommandLine& line) {
    const IdentifyWork defaults = CommandLineIdentifyWork(line);
    if (ValuesOf(line.arguments, "batch").empty())
        return IdentifyMatchEstimate(defaults) <= kMostIdentifyMatches;
    for (const std::string& text : InputLines(line.standardInput)) {
        const std::optional<JsonTree> question = ReadJson(text);
        if (!question || !question->IsObject()) continue;  // refused as it is read
        if (IdentifyMatchEstimate(LineIdentifyWork(*question, defaults)) > kMostIdentifyMatches) return false;
    }
    return true;
}

}  // namespace

CommandLine Decode(std::string_view text) {
    CommandLine line;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view word = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (word == kStandardInputMarker) {
            line.standardInput = text;
            break;
        }
        line.arguments.emplace_back(word);
    }
    return line;
}

const std::string& ScratchReportPath() {
    static const std::string path = [] {
        const char* directory = std::getenv("TMPDIR");
        return std::string(directory != nullptr && *directory != '\0' ? directory : "/tmp") +
               "/tarnevo-cli-fuzz-report-" + std::to_string(getpid()) + ".txt";
    }();
    return path;
}

void KeepFilesAway(std::vector<std::string>& arguments) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        Redirect(arguments, i, "report", ScratchReportPath(), false);
        Redirect(arguments, i, "batch", kMissingFile, true);
        Redirect(arguments, i, "peaks-file", kMissingFile, true);
    }
}

void BoundFitCycles(std::vector<std::string>& arguments) {
    if (arguments.empty() || arguments[0] != "enrich" || !ValuesOf(arguments, "max-cycles").empty()) return;
    arguments.push_back("--max-cycles=" + std::to_string(kMostFitCycles));
}

void KeepOneWorkerIfAsked(std::vector<std::string>& arguments) {
    static const bool oneWorker = std::getenv("TARNEVO_FUZZ_ONE_WORKER") != nullptr;
    if (!oneWorker || arguments.empty() || ValuesOf(arguments, "batch").empty()) return;
    bool given = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string& word = arguments[i];
        const bool separate = word == "--jobs" && i + 1 < arguments.size();
        if (!separate && !StartsWith(word, "--jobs=")) continue;
        given = true;
        std::string& value = separate ? arguments[++i] : word;
        const std::string number = separate ? value : value.substr(std::string("--jobs=").size());
        const double jobs = NumberOr(number, 0);
        if (jobs >= 1 && jobs <= kMostBatchJobs && jobs == std::floor(jobs))
            value = separate ? "1" : "--jobs=1";
    }
    if (!given) arguments.push_back("--jobs=1");
}

bool ExpectedWorkIsBounded(const CommandLine& line) {
    const std::vector<std::string>& arguments = line.arguments;
    if (arguments.empty()) return true;
    if (InputLines(line.standardInput).size() > kMostBatchLines) return false;
    for (const std::string& jobs : ValuesOf(arguments, "jobs")) {
        if (NumberOr(jobs, 0) > kMostBatchJobs) return false;
    }
    const std::string& command = arguments[0];
    if (command == "formulas") return FormulaSearchBox(arguments) <= kMostFormulaCandidates;
    if (command == "enrich") {
        const std::vector<std::string> cycles = ValuesOf(arguments, "max-cycles");
        return cycles.empty() || NumberOr(cycles.back(), 0) <= kMostFitCycles;
    }
    if (command == "identify") return IdentificationsAreSmall(line);
    return !MentionsResolution(line) || ResolvedIonsAreSmall(line);
}

bool HasWord(const std::vector<std::string>& words, std::string_view wanted) {
    return std::find(words.begin(), words.end(), wanted) != words.end();
}

std::vector<std::string> ValuesOf(const std::vector<std::string>& arguments, const std::string& name) {
    std::vector<std::string> values;
    const std::string joined = "--" + name + "=";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--" + name && i + 1 < arguments.size()) values.push_back(arguments[i + 1]);
        if (StartsWith(arguments[i], joined)) values.push_back(arguments[i].substr(joined.size()));
    }
    return values;
}

double NumberOr(const std::string& text, double fallback) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && std::isfinite(value) ? value : fallback;
}

std::vector<std::string> InputLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

}  // namespace tarnevo::fuzz

#include "cli/identify_options.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

#include "cli/adduct_option.h"
#include "cli/cli.h"
#include "cli/resolution_option.h"
#include "core/formula_parser.h"
#include "core/formula_search.h"
#include "core/instrument_error_model.h"
#include "core/text_format.h"

namespace tarnevo::cli {

namespace {

std::optional<long long> WholeNumberWithin(const std::string& text, long long low, long long high) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high)
        return std::nullopt;
    return value;
}

// The charge as given, signed and never 0: 0 would mean "read it from the
// peaks", which leaving --charge out says.
std::string ReadCharge(const std::string& text, int& charge) {
    const int most = core::kMaxNotationCharge;
    const std::optional<long long> value = WholeNumberWithin(text, -most, most);
    if (!value) {
        return "--charge: an integer from " + std::to_string(-most) + " to " + std::to_string(most) +
               " is required, not '" + Echoed(text) + "'";
    }
    if (*value == 0) {
        return "--charge: 0 is no ion's charge; leave --charge out to read the charge from the spacing of "
               "the peaks";
    }
    charge = static_cast<int>(*value);
    return {};
}

std::string ReadPolarity(const std::string& text, int& polarity) {
    if (text != "+" && text != "-") return "--polarity: + or - is required, not '" + Echoed(text) + "'";
    polarity = text == "+" ? 1 : -1;
    return {};
}

// Each --adduct as the engine takes it; a notation that is not one, or one
// that disagrees with --charge, refused with the other commands' message.
std::string ReadIonTypes(const Arguments& arguments, std::vector<core::IdentifyIonType>& ionTypes) {
    const std::optional<std::string> charge = arguments.Value("charge");
    for (const std::string& text : arguments.AllValues("adduct")) {
        // The ion type alone, on a molecule every notation's syntax accepts.
        const AdductResolution resolution = ResolveAdduct("C", text, charge);
        if (resolution.exitStatus == kExitUsage) return resolution.problem;
        const core::IonNotationParse parse = core::ParseIonNotation(text);
        if (!parse.notation) return "--adduct: " + parse.problem;
        ionTypes.push_back({core::IonNotationText(*parse.notation), *parse.notation});
    }
    for (const core::IdentifyIonType& type : ionTypes) {
        const core::IdentifyIonType& first = ionTypes.front();
        if (type.notation.charge != first.notation.charge) {
            return "--adduct " + first.text + " carries charge " + std::to_string(first.notation.charge) +
                   " and --adduct " + type.text + " charge " + std::to_string(type.notation.charge) +
                   ": the ion types of one identification carry one charge";
        }
    }
    return {};
}

// The signed charge of the query (0: read from the peaks) and the polarity
// that gives an inferred charge its sign; --polarity must agree with a charge
// given, directly or by the ion types.
std::string ReadChargeAndPolarity(const Arguments& arguments, core::IdentifyQuery& query) {
    if (const auto charge = arguments.Value("charge")) {
        if (std::string problem = ReadCharge(*charge, query.charge); !problem.empty()) return problem;
    } else if (!query.ionTypes.empty()) {
        query.charge = query.ionTypes.front().notation.charge;
    }
    const auto polarity = arguments.Value("polarity");
    if (!polarity) {
        if (query.charge != 0) query.polarity = query.charge > 0 ? 1 : -1;
        return {};
    }
    if (std::string problem = ReadPolarity(*polarity, query.polarity); !problem.empty()) return problem;
    if (query.charge != 0 && (query.charge > 0) != (query.polarity > 0)) {
        const std::string source = arguments.Value("charge") ? "--charge " + *arguments.Value("charge")
                                                             : "the charge of " + query.ionTypes.front().text;
        return "--polarity " + *polarity + " disagrees with " + source + "; give one or the other";
    }
    return {};
}

std::string ElementSyntaxProblem() {
    return "an element is written SYM[:MIN[:MAX]], e.g. --element C:0:30 (no MAX: as many as fit)";
}

// A count of --element: a whole number of atoms a formula may hold.
std::string ReadCount(const std::string& text, int& count) {
    const auto most = static_cast<long long>(core::kMaxAtomsPerElement);
    const std::optional<long long> value = WholeNumberWithin(text, 0, most);
    if (!value) {
        return "--element: a count is a whole number from 0 to " + core::FormatInteger(most) + ", not '" +
               Echoed(text) + "'";
    }
    count = static_cast<int>(*value);
    return {};
}

// SYM, SYM:MIN, SYM:MIN: (no maximum) or SYM:MIN:MAX.
std::string ReadElementRow(const std::string& text, core::IdentifyElement& row) {
    const std::vector<std::string> parts = Split(text, ':');
    if (parts.size() > 3 || parts[0].empty()) return ElementSyntaxProblem();
    row.element = core::LookupSymbolText(parts[0], 0);
    if (row.element == core::kNoSymbol) {
        if (core::LookupSymbolText(parts[0], core::kUserElementCount) != core::kNoSymbol) {
            return "--element: " + parts[0] +
                   " is a user-defined element; identify searches the natural elements, whose exact masses "
                   "it knows";
        }
        return "--element: '" + Echoed(parts[0]) + "' is no element symbol";
    }
    if (parts.size() > 1 && !parts[1].empty()) {
        if (std::string problem = ReadCount(parts[1], row.minimum); !problem.empty()) return problem;
    }
    if (parts.size() > 2 && !parts[2].empty()) {
        if (std::string problem = ReadCount(parts[2], row.maximum); !problem.empty()) return problem;
        // formulas reads a MAX of 0 as "as many as fit"; here that is a MAX
        // left out, and a 0 taken at its word would drop the element unseen.
        if (row.maximum == 0) {
            return "--element " + Echoed(text) + ": a MAX of 0 allows no " + parts[0] + "; leave MAX out (" +
                   parts[0] + ":" + std::to_string(row.minimum) + ":) for as many as fit";
        }
        if (row.maximum < row.minimum)
            return "--element " + Echoed(text) + ": the maximum is below the minimum";
    }
    return {};
}

std::string ReadElements(const Arguments& arguments, std::vector<core::IdentifyElement>& elements) {
    const std::vector<std::string> texts = arguments.AllValues("element");
    if (texts.size() > static_cast<std::size_t>(core::kMaxSearchElements)) {
        return "at most " + std::to_string(core::kMaxSearchElements) + " --element options";
    }
    for (const std::string& text : texts) {
        core::IdentifyElement row;
        if (std::string problem = ReadElementRow(text, row); !problem.empty()) return problem;
        const auto same = [&row](const core::IdentifyElement& other) { return other.element == row.element; };
        if (std::any_of(elements.begin(), elements.end(), same))
            return "--element: " + std::string(core::SymbolOf(row.element)) + " is given twice";
        elements.push_back(row);
    }
    return {};
}

// --instrument NAME: the error model of that analyser, and its usual mass
// accuracy unless --ppm says otherwise. Without it the model stays the one of
// IdentifyQuery (custom).
std::string ReadInstrument(const Arguments& arguments, core::IdentifyQuery& query) {
    const auto text = arguments.Value("instrument");
    if (!text) return {};
    const std::optional<core::Instrument> instrument = core::InstrumentNamed(*text);
    if (!instrument) {
        return "--instrument: " + core::InstrumentNameList() + " is required, not '" + Echoed(*text) + "'";
    }
    const core::InstrumentModel& model = core::InstrumentModelOf(*instrument);
    query.instrument = *instrument;
    query.errorModel = model.errorModel;
    query.priors = model.priors;
    query.ppm = model.windowPpm;
    return {};
}

// --prior ratios|ion-types switches a prior on, --no-prior switches it off
// (each repeatable, --no-prior last): the analysers' models switch on the ion
// types'.
std::string ReadPriors(const Arguments& arguments, core::ChemicalPriorOptions& priors) {
    for (const std::string& name : arguments.AllValues("prior")) {
        if (name == "ratios") {
            priors.elementRatios = true;
        } else if (name == "ion-types") {
            priors.ionTypes = true;
        } else {
            return "--prior: ratios or ion-types is required, not '" + Echoed(name) + "'";
        }
    }
    for (const std::string& name : arguments.AllValues("no-prior")) {
        if (name == "ratios") {
            priors.elementRatios = false;
        } else if (name == "ion-types") {
            priors.ionTypes = false;
        } else {
            return "--no-prior: ratios or ion-types is required, not '" + Echoed(name) + "'";
        }
    }
    return {};
}

std::string ReadAccuracy(const Arguments& arguments, double& ppm) {
    const auto text = arguments.Value("ppm");
    if (!text) return {};
    const std::optional<double> value = NumberWithin(*text, core::kMinIdentifyPpm, core::kMaxIdentifyPpm);
    if (!value) {
        return "--ppm: a number from " + core::FormatShortest(core::kMinIdentifyPpm) + " to " +
               core::FormatShortest(core::kMaxIdentifyPpm) + " is required, not '" + Echoed(*text) + "'";
    }
    ppm = *value;
    return {};
}

std::string ReadResolvingPower(const Arguments& arguments, core::ResolvingPower& power) {
    const ResolutionParse resolution = ParseResolution(arguments);
    if (resolution.request) power = resolution.request->power;
    return resolution.problem;
}

// --no-filter rdbe|ratios|lewis-senior (repeatable) and --strict-ratios.
std::string ReadFilters(const Arguments& arguments, core::FormulaRuleOptions& rules) {
    for (const std::string& name : arguments.AllValues("no-filter")) {
        if (name == "rdbe") {
            rules.ringsPlusDoubleBonds = false;
        } else if (name == "ratios") {
            rules.elementRatios = false;
        } else if (name == "lewis-senior") {
            rules.lewisSenior = false;
        } else {
            return "--no-filter: rdbe, ratios or lewis-senior is required, not '" + Echoed(name) + "'";
        }
    }
    if (arguments.Has("strict-ratios")) {
        if (!rules.elementRatios)
            return "--strict-ratios sharpens the filter that --no-filter ratios switches off";
        rules.ratioLevel = core::RatioLevel::KnownCompounds997;
    }
    return {};
}

std::string ReadTop(const Arguments& arguments, std::optional<std::size_t>& top) {
    const auto text = arguments.Value("top");
    if (arguments.Has("all")) {
        if (text) return "give at most one of --top and --all";
        top.reset();
        return {};
    }
    if (!text) return {};
    const std::optional<long long> value =
        WholeNumberWithin(*text, 1, static_cast<long long>(kMaxIdentifyTop));
    if (!value) {
        return "--top: a whole number from 1 to " +
               core::FormatInteger(static_cast<long long>(kMaxIdentifyTop)) + " is required, not '" +
               Echoed(*text) + "' (--all lists every candidate)";
    }
    top = static_cast<std::size_t>(*value);
    return {};
}

}  // namespace

IdentifyRequestParse ReadIdentifyRequest(const Arguments& arguments) {
    IdentifyRequest request;
    core::IdentifyQuery& query = request.query;
    // The ion types first: the charge may be theirs.
    std::string problem = ReadIonTypes(arguments, query.ionTypes);
    if (problem.empty()) problem = ReadChargeAndPolarity(arguments, query);
    if (problem.empty()) problem = ReadElements(arguments, query.elements);
    if (problem.empty()) problem = ReadInstrument(arguments, query);
    if (problem.empty()) problem = ReadPriors(arguments, query.priors);
    if (problem.empty()) problem = ReadAccuracy(arguments, query.ppm);
    if (problem.empty()) problem = ReadResolvingPower(arguments, query.power);
    if (problem.empty()) problem = ReadFilters(arguments, query.rules);
    if (problem.empty()) problem = ReadTop(arguments, request.top);
    return {std::move(request), std::move(problem)};
}

std::size_t KeepTopCandidates(core::IdentifyResult& result, std::optional<std::size_t> top) {
    const std::size_t count = result.candidates.size();
    if (top && *top < count) result.candidates.resize(*top);
    return count;
}

}  // namespace tarnevo::cli

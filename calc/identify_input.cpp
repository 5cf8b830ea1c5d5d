#include "calc/identify_input.h"

#include "calc/peak_columns.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <deque>
#include <mutex>
#include <optional>

#include "core/formula_parser.h"
#include "core/text_format.h"

namespace tarnevo::calc {

namespace {

using port::FieldSpec;
using port::FieldType;
using Peaks = IdentifyPeaksInput;
using Options = IdentifyOptionsInput;

// Field descriptions made once for the whole run: their keys and labels must
// outlive every record that binds them, and the ion-type boxes take their
// labels from the ion-type table. Each table of descriptions is built the
// first time it is asked for, and two threads identifying at once may build
// two tables at the same moment, both keeping texts here: hence the lock.
class FieldTexts {
public:
    std::string_view Keep(std::string text) {
        const std::lock_guard lock(mutex_);
        return texts_.emplace_back(std::move(text));
    }

private:
    std::mutex mutex_;
    std::deque<std::string> texts_;  // a deque never moves what it holds
};

FieldTexts& KeptTexts() {
    static FieldTexts texts;
    return texts;
}

std::vector<FieldSpec> MakePeakSpecs() {
    std::vector<FieldSpec> specs;
    for (int row = 1; row <= Peaks::kRows; ++row) {
        const std::string number = std::to_string(row);
        specs.push_back(
            {KeptTexts().Keep("mz" + number), Peaks::kMzHeading, FieldType::Text, 0, 0, Peaks::kCellLength});
        specs.push_back({KeptTexts().Keep("intensity" + number), Peaks::kIntensityHeading, FieldType::Text, 0,
                         0, Peaks::kCellLength});
    }
    return specs;
}

const std::vector<FieldSpec>& PeakSpecs() {
    static const std::vector<FieldSpec> specs = MakePeakSpecs();
    return specs;
}

// "[M+Na]+  sodium adduct"
std::vector<FieldSpec> MakeTypeSpecs(const std::vector<core::CommonIonType>& types, std::string_view prefix) {
    std::vector<FieldSpec> specs;
    for (std::size_t k = 0; k < types.size(); ++k) {
        const std::string_view key = KeptTexts().Keep(std::string(prefix) + std::to_string(k + 1));
        const std::string_view label =
            KeptTexts().Keep(std::string(types[k].notation) + "  " + std::string(types[k].name));
        specs.push_back({key, label, FieldType::Check, 0, 1, 0});
    }
    return specs;
}

const std::vector<FieldSpec>& PositiveTypeSpecs() {
    static const std::vector<FieldSpec> specs = MakeTypeSpecs(core::CommonPositiveIonTypes(), "pos");
    return specs;
}

const std::vector<FieldSpec>& NegativeTypeSpecs() {
    static const std::vector<FieldSpec> specs = MakeTypeSpecs(core::CommonNegativeIonTypes(), "neg");
    return specs;
}

std::vector<FieldSpec> MakeElementSpecs() {
    std::vector<FieldSpec> specs;
    for (int row = 1; row <= Options::kElementRows; ++row) {
        const std::string number = std::to_string(row);
        specs.push_back({KeptTexts().Keep("symbol" + number), Options::kSymbolHeading, FieldType::Text, 0, 0,
                         Options::kSymbolLength});
        specs.push_back({KeptTexts().Keep("min" + number), Options::kMinimumHeading, FieldType::Integer, 0,
                         Options::kMaxAtoms, 0});
        specs.push_back({KeptTexts().Keep("max" + number), Options::kMaximumHeading, FieldType::Integer, 0,
                         Options::kMaxAtoms, 0});
    }
    return specs;
}

const std::vector<FieldSpec>& ElementSpecs() {
    static const std::vector<FieldSpec> specs = MakeElementSpecs();
    return specs;
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string PeakName(int row) { return "Peak " + std::to_string(row); }

// The problem of one cell, or nothing when it holds a number above 0.
std::optional<std::string> CellProblem(int row, std::string_view what, std::string_view text,
                                       std::optional<double>& value) {
    value = PeakNumberText(Trimmed(text));
    if (!value) return PeakName(row) + ": the " + std::string(what) + " must be a number.";
    if (!(*value > 0.0)) return PeakName(row) + ": the " + std::string(what) + " must be greater than 0.";
    return std::nullopt;
}

// The symbol of a row without the blanks around it; empty for a blank row.
std::string_view RowSymbol(const Options::ElementRow& row) { return Trimmed(row.symbol); }

std::optional<std::string> ReadElementRows(const Options& input,
                                           std::vector<core::IdentifyElement>& elements) {
    for (const Options::ElementRow& row : input.elements) {
        const std::string_view symbol = RowSymbol(row);
        if (symbol.empty()) continue;
        const int element = core::LookupSymbolText(symbol, 0);
        if (element == core::kNoSymbol) {
            if (core::LookupSymbolText(symbol, core::kElementCount - core::kFirstUserElement) !=
                core::kNoSymbol) {
                return "The user-defined element " + std::string(symbol) +
                       " cannot take part in an identification: its isotopes are not known to the "
                       "full-precision masses the search uses.";
            }
            return "\"" + core::EchoedText(symbol) + "\" is not the symbol of an element.";
        }
        const bool repeated =
            std::any_of(elements.begin(), elements.end(),
                        [element](const core::IdentifyElement& e) { return e.element == element; });
        if (repeated) return "The element " + std::string(symbol) + " is entered twice.";
        if (row.maximum != 0 && row.minimum > row.maximum) {
            return "The minimum number of " + std::string(symbol) + " atoms is larger than the maximum.";
        }
        elements.push_back({element, row.minimum, row.maximum == 0 ? -1 : row.maximum});
    }
    if (elements.empty()) return std::string("Enter at least one element of the molecule.");
    return std::nullopt;
}

// The checked boxes of the polarity whose types carry the charge.
void AddCheckedTypes(const Options& input, int charge, std::vector<core::IdentifyIonType>& types) {
    const bool positive = input.polarity == Options::kPositive;
    const std::vector<core::CommonIonType>& common =
        positive ? core::CommonPositiveIonTypes() : core::CommonNegativeIonTypes();
    const std::deque<bool>& checked = positive ? input.positiveTypes : input.negativeTypes;
    for (std::size_t k = 0; k < common.size() && k < checked.size(); ++k) {
        if (!checked[k]) continue;
        const core::IonNotationParse parse = core::ParseIonNotation(common[k].notation);
        if (parse.notation && parse.notation->charge == charge) {
            types.push_back({std::string(common[k].notation), *parse.notation});
        }
    }
}

std::string SignedCharge(int charge) { return (charge > 0 ? "+" : "") + std::to_string(charge); }

// The ion types typed in the free field, separated by commas; each must carry
// the ion's charge, which the peaks (or the charge field) fixed.
std::optional<std::string> AddTypedTypes(const Options& input, int charge,
                                         std::vector<core::IdentifyIonType>& types) {
    std::string_view rest = input.otherTypes;
    while (!rest.empty()) {
        const std::size_t comma = std::min(rest.find(','), rest.size());
        const std::string_view text = Trimmed(rest.substr(0, comma));
        rest = comma < rest.size() ? rest.substr(comma + 1) : std::string_view{};
        if (text.empty()) continue;
        const core::IonNotationParse parse = core::ParseIonNotation(text);
        if (!parse.notation) return parse.problem;
        if (parse.notation->charge != charge) {
            return std::string(text) + " carries the charge " + SignedCharge(parse.notation->charge) +
                   ", but the ion's charge is " + SignedCharge(charge) + ".";
        }
        const std::string written = core::IonNotationText(*parse.notation);
        const bool repeated =
            std::any_of(types.begin(), types.end(),
                        [&written](const core::IdentifyIonType& t) { return t.text == written; });
        if (!repeated) types.push_back({written, *parse.notation});
    }
    return std::nullopt;
}

// Boxes of a polarity as the presets keep them: none kept means all checked.
std::deque<bool> CheckedBoxes(const std::vector<bool>& kept, std::size_t count) {
    if (kept.size() != count) return std::deque<bool>(count, true);
    return {kept.begin(), kept.end()};
}

}  // namespace

std::vector<port::FieldBinding> IdentifyPeaksInput::Fields() {
    const std::vector<FieldSpec>& specs = PeakSpecs();
    std::vector<port::FieldBinding> fields;
    fields.reserve(specs.size());
    for (std::size_t row = 0; row < kRows; ++row) {
        fields.push_back({&specs[2 * row], &mz[row]});
        fields.push_back({&specs[2 * row + 1], &intensity[row]});
    }
    return fields;
}

PeakReading ReadPeakGrid(const IdentifyPeaksInput& input) {
    PeakReading reading;
    for (int row = 1; row <= IdentifyPeaksInput::kRows; ++row) {
        const auto at = static_cast<std::size_t>(row - 1);
        const std::string_view mzText = Trimmed(input.mz[at]);
        const std::string_view intensityText = Trimmed(input.intensity[at]);
        if (mzText.empty() && intensityText.empty()) continue;
        if (mzText.empty() || intensityText.empty()) {
            reading.problem = PeakName(row) + ": enter both its m/z and its intensity, or neither.";
            return reading;
        }
        std::optional<double> mz;
        std::optional<double> intensity;
        if (auto problem = CellProblem(row, "m/z", mzText, mz)) {
            reading.problem = *problem;
            return reading;
        }
        if (auto problem = CellProblem(row, "intensity", intensityText, intensity)) {
            reading.problem = *problem;
            return reading;
        }
        reading.peaks.push_back({*mz, *intensity});
    }
    if (reading.peaks.empty()) reading.problem = "Enter at least one peak: its m/z and its intensity.";
    return reading;
}

PeakReading ReadPeakColumns(std::string_view text) {
    PeakColumnsRead read = ParsePeakColumns(text, "The pasted text");
    if (read.outcome == PeakColumnsOutcome::Read && read.peaks.empty()) {
        read.problem =
            "The pasted text holds no peaks: two columns of numbers, m/z and intensity, were expected.";
    }
    return {std::move(read.peaks), std::move(read.problem)};
}

void FillPeakGrid(IdentifyPeaksInput& input, const std::vector<core::MeasuredPeak>& peaks) {
    for (std::size_t row = 0; row < IdentifyPeaksInput::kRows; ++row) {
        const bool filled = row < peaks.size();
        input.mz[row] = filled ? core::FormatShortest(peaks[row].mz) : std::string();
        input.intensity[row] = filled ? core::FormatShortest(peaks[row].intensity) : std::string();
    }
}

// A record opens as the first question of a run does.
IdentifyOptionsInput::IdentifyOptionsInput() { PresetIdentifyOptions(doc::ViewState{}, *this); }

std::size_t IdentifyOptionsInput::PositiveTypeCount() { return core::CommonPositiveIonTypes().size(); }
std::size_t IdentifyOptionsInput::NegativeTypeCount() { return core::CommonNegativeIonTypes().size(); }

std::vector<port::FieldBinding> IdentifyOptionsInput::Fields() {
    std::vector<port::FieldBinding> fields = {{&kPolarity, &polarity}, {&kCharge, &charge}};
    for (std::size_t k = 0; k < positiveTypes.size() && k < PositiveTypeSpecs().size(); ++k) {
        fields.push_back({&PositiveTypeSpecs()[k], &positiveTypes[k]});
    }
    for (std::size_t k = 0; k < negativeTypes.size() && k < NegativeTypeSpecs().size(); ++k) {
        fields.push_back({&NegativeTypeSpecs()[k], &negativeTypes[k]});
    }
    fields.push_back({&kOtherTypes, &otherTypes});
    const std::vector<FieldSpec>& elementSpecs = ElementSpecs();
    for (std::size_t row = 0; row < elements.size(); ++row) {
        fields.push_back({&elementSpecs[3 * row], &elements[row].symbol});
        fields.push_back({&elementSpecs[3 * row + 1], &elements[row].minimum});
        fields.push_back({&elementSpecs[3 * row + 2], &elements[row].maximum});
    }
    fields.insert(fields.end(), {{&kPpm, &ppm},
                                 {&kResolution, &resolution},
                                 {&kPowerModel, &powerModel},
                                 {&kReferenceMz, &referenceMz},
                                 {&kRdbe, &rdbe},
                                 {&kRatios, &ratios},
                                 {&kStrictRatios, &strictRatios},
                                 {&kLewisSenior, &lewisSenior},
                                 {&kListed, &listed},
                                 {&kReminder, &saveReminder}});
    return fields;
}

bool IdentifyOptionsInput::IsFieldEnabled(std::string_view key) const {
    if (key.starts_with("pos")) return polarity == kPositive;
    if (key.starts_with("neg")) return polarity == kNegative;
    if (key == kReferenceMz.key) return powerModel == kOrbitrapPower;
    if (key == kStrictRatios.key) return ratios;
    return true;
}

void PresetIdentifyPeaks(const doc::IdentifyPresets& presets, IdentifyPeaksInput& input) {
    input.mz = presets.mz;
    input.intensity = presets.intensity;
}

void KeepIdentifyPeaks(const IdentifyPeaksInput& input, doc::IdentifyPresets& presets) {
    presets.mz = input.mz;
    presets.intensity = input.intensity;
}

void PresetIdentifyOptions(const doc::ViewState& view, IdentifyOptionsInput& input) {
    const doc::IdentifyPresets& presets = view.identify;
    input.polarity = presets.polarity;
    input.charge = presets.charge;
    input.positiveTypes = CheckedBoxes(presets.positiveTypes, IdentifyOptionsInput::PositiveTypeCount());
    input.negativeTypes = CheckedBoxes(presets.negativeTypes, IdentifyOptionsInput::NegativeTypeCount());
    input.otherTypes = presets.otherTypes;
    for (std::size_t row = 0; row < input.elements.size(); ++row) {
        input.elements[row] = {presets.elements[row].symbol, presets.elements[row].minimum,
                               presets.elements[row].maximum};
    }
    input.ppm = presets.ppm;
    input.resolution = presets.resolution;
    input.powerModel = presets.powerModel;
    input.referenceMz = presets.referenceMz;
    input.rdbe = presets.rdbe;
    input.ratios = presets.ratios;
    input.strictRatios = presets.strictRatios;
    input.lewisSenior = presets.lewisSenior;
    input.listed = presets.listed;
    input.saveReminder = view.saveReminder;
}

void KeepIdentifyOptions(const IdentifyOptionsInput& input, doc::ViewState& view) {
    doc::IdentifyPresets& presets = view.identify;
    presets.polarity = input.polarity;
    presets.charge = input.charge;
    presets.positiveTypes.assign(input.positiveTypes.begin(), input.positiveTypes.end());
    presets.negativeTypes.assign(input.negativeTypes.begin(), input.negativeTypes.end());
    presets.otherTypes = input.otherTypes;
    for (std::size_t row = 0; row < input.elements.size(); ++row) {
        presets.elements[row] = {input.elements[row].symbol, input.elements[row].minimum,
                                 input.elements[row].maximum};
    }
    presets.ppm = input.ppm;
    presets.resolution = input.resolution;
    presets.powerModel = input.powerModel;
    presets.referenceMz = input.referenceMz;
    presets.rdbe = input.rdbe;
    presets.ratios = input.ratios;
    presets.strictRatios = input.strictRatios;
    presets.lewisSenior = input.lewisSenior;
    presets.listed = input.listed;
    view.saveReminder = input.saveReminder;
}

OptionsReading ReadIdentifyOptions(const IdentifyOptionsInput& input, int charge) {
    OptionsReading reading;
    core::IdentifyQuery& query = reading.query;
    if (auto problem = ReadElementRows(input, query.elements)) {
        reading.problem = *problem;
        return reading;
    }
    AddCheckedTypes(input, charge, query.ionTypes);
    if (auto problem = AddTypedTypes(input, charge, query.ionTypes)) {
        reading.problem = *problem;
        return reading;
    }
    if (query.ionTypes.empty()) {
        reading.problem = "None of the ion types checked or entered carries the ion's charge " +
                          SignedCharge(charge) + ": check or enter at least one that does.";
        return reading;
    }
    query.polarity = input.polarity == IdentifyOptionsInput::kNegative ? -1 : 1;
    query.ppm = input.ppm;
    query.power = {input.resolution,
                   input.powerModel == IdentifyOptionsInput::kOrbitrapPower
                       ? core::ResolvingPowerModel::Orbitrap
                       : core::ResolvingPowerModel::Constant,
                   input.referenceMz};
    query.rules.ringsPlusDoubleBonds = input.rdbe;
    query.rules.elementRatios = input.ratios;
    query.rules.lewisSenior = input.lewisSenior;
    query.rules.ratioLevel =
        input.strictRatios ? core::RatioLevel::KnownCompounds997 : core::RatioLevel::KnownCompounds9999;
    return reading;
}

}  // namespace tarnevo::calc

// Input records of the two dialogs of Identify Ion from Pattern: the measured
// peaks of one ion's cluster (a grid of m/z and intensity, typed or pasted
// from instrument software) and the question's options (polarity and charge,
// the ion types, the element rows, the mass accuracy, the resolving power and
// the chemistry filters). The grid's cells are texts, so that a row may stay
// blank; what they hold is read into peaks, with a sentence for every cell
// that holds no usable number, once the dialog is accepted.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "calc/resolved_pattern.h"
#include "calc/shared_fields.h"
#include "core/ion_identification.h"
#include "document/view_state.h"
#include "output/identification_text.h"
#include "port/input_record.h"

namespace tarnevo::calc {

// The measured peaks: rows 1 to 30, each an m/z and an intensity on any scale
// (only the ratios count). Blank rows are skipped wherever they are.
class IdentifyPeaksInput : public port::InputRecord {
public:
    static constexpr int kRows = static_cast<int>(core::kMaxMeasuredPeaks);
    static constexpr int kCellLength = 24;
    static constexpr std::string_view kCaption = "Measured Peaks of the Ion";
    static constexpr std::array<std::string_view, 4> kGuidance = {
        "Enter the m/z and the intensity of each peak of one ion's isotope cluster (1 to 30 peaks).",
        "The intensities may be on any scale; blank rows are ignored.",
        "Paste reads two columns copied from instrument software (blanks, tabs, commas or semicolons).",
        "Ctrl+V in a cell spreads a copied table over the grid from that cell.",
    };
    static constexpr std::string_view kMzHeading = "m/z";
    static constexpr std::string_view kIntensityHeading = "Intensity";
    static constexpr std::string_view kPasteButton = "Paste";
    static constexpr std::string_view kClearButton = "Clear";

    std::array<std::string, kRows> mz{};
    std::array<std::string, kRows> intensity{};

    std::string Caption() const override { return std::string(kCaption); }
    std::string_view DialogName() const override { return "CIdentifyPeaksDlg"; }
    // Row by row: "mz1", "intensity1", "mz2", ... "intensity30".
    std::vector<port::FieldBinding> Fields() override;
};

// The peaks the grid holds, in row order, or the first problem found.
struct PeakReading {
    std::vector<core::MeasuredPeak> peaks;
    std::string problem;  // empty when the peaks were read
};

// Reads the grid: a row with both cells blank is skipped; a row with one cell
// blank, a cell that is not a number, an m/z or intensity not above 0, and a
// grid without a peak are refused, naming the row: "Peak 3: the intensity
// must be greater than 0."
PeakReading ReadPeakGrid(const IdentifyPeaksInput& input);

// Two columns of text as instrument software copies them, read by the rule of
// a peaks file (calc/peak_columns.h); no peak at all is refused too.
PeakReading ReadPeakColumns(std::string_view text);

// Fills the grid from the top with the peaks (as the numbers read back), the
// rows below emptied.
void FillPeakGrid(IdentifyPeaksInput& input, const std::vector<core::MeasuredPeak>& peaks);

// The question's options.
class IdentifyOptionsInput : public port::InputRecord {
public:
    static constexpr std::string_view kCaption = "Options for the Identification";
    static constexpr int kPositive = 0;
    static constexpr int kNegative = 1;
    static constexpr int kConstantPower = 0;
    static constexpr int kOrbitrapPower = 1;
    static constexpr int kElementRows = doc::IdentifyPresets::kElementRows;
    static constexpr int kRowsPerColumn = 4;
    static constexpr int kMaxAtoms = 1000;
    static constexpr int kSymbolLength = 4;

    static constexpr std::array<std::string_view, 2> kPolarityChoices = {"Positive ions (+)",
                                                                         "Negative ions (-)"};
    static constexpr std::array<std::string_view, 2> kPowerChoices = {
        "The same resolving power at every m/z",
        "Orbitrap: R falls with the square root of m/z from its value at the reference m/z"};
    static constexpr std::string_view kPositiveTypesGroup = "Positive ion types";
    static constexpr std::string_view kNegativeTypesGroup = "Negative ion types";
    static constexpr std::string_view kTypesGuidance =
        "Only the ion types checked for the polarity and of the ion's charge are considered.";
    static constexpr std::string_view kElementsGroup = "Elements of the neutral molecule M";
    static constexpr std::array<std::string_view, 2> kElementsGuidance = {
        "A maximum of 0 gives the most atoms of the element that fit; blank symbols are ignored.",
        "Cl, Br, F, Si, Na, K and the other natural elements may be entered (at most eight rows).",
    };
    static constexpr std::string_view kSymbolHeading = "Symbol";
    static constexpr std::string_view kMinimumHeading = "Min";
    static constexpr std::string_view kMaximumHeading = "Max";
    static constexpr std::string_view kFiltersGroup = "Chemistry filters of the neutral molecule M";
    static constexpr std::string_view kAllButton = "All";
    static constexpr std::string_view kNoneButton = "None";

    static constexpr port::FieldSpec kPolarity{.key = "polarity",
                                               .label = "Polarity",
                                               .type = port::FieldType::Choice,
                                               .minimum = 0,
                                               .maximum = 1,
                                               .group = "Polarity",
                                               .choices = kPolarityChoices};
    static constexpr port::FieldSpec kCharge{"charge",
                                             "Charge (0: read from the spacing of the peaks):",
                                             port::FieldType::Integer,
                                             0,
                                             core::kMaxInferredCharge,
                                             0};
    static constexpr port::FieldSpec kOtherTypes{
        "adducts",
        "Other ion types, separated by commas (e.g. [M+Li]+, [M+H-NH3]+):",
        port::FieldType::Text,
        0,
        0,
        128};
    static constexpr port::FieldSpec kPpm{
        "ppm", "Mass accuracy (ppm):", port::FieldType::Number, core::kMinIdentifyPpm, core::kMaxIdentifyPpm,
        0};
    static constexpr port::FieldSpec kResolution{
        "resolution",       "Resolving power (FWHM):", port::FieldType::Number,
        kMinResolvingPower, kMaxResolvingPower,        0};
    static constexpr port::FieldSpec kPowerModel{.key = "model",
                                                 .label = "Resolving power model",
                                                 .type = port::FieldType::Choice,
                                                 .minimum = 0,
                                                 .maximum = 1,
                                                 .group = "Resolving power model",
                                                 .choices = kPowerChoices};
    static constexpr port::FieldSpec kReferenceMz{
        "at", "Reference m/z of the Orbitrap's resolving power:", port::FieldType::Number, 1, 10000, 0};
    static constexpr port::FieldSpec kRdbe{
        "rdbe",
        "Rings plus double bonds (RDBE) at least 0 and whole for an even-electron M",
        port::FieldType::Check,
        0,
        1,
        0};
    static constexpr port::FieldSpec kRatios{
        "ratios",
        "Element ratios to carbon (Seven Golden Rules, 99.99 % of known compounds)",
        port::FieldType::Check,
        0,
        1,
        0};
    static constexpr port::FieldSpec kStrictRatios{
        "strict",
        "Stricter ratios (99.7 %: refuses glucose 6-phosphate, ATP, taurine)",
        port::FieldType::Check,
        0,
        1,
        0};
    static constexpr port::FieldSpec kLewisSenior{
        "lewis", "LEWIS and SENIOR rules", port::FieldType::Check, 0, 1, 0};
    // As the command line's --top N: from 1 to 1,000,000 (the identification
    // itself keeps at most core::kMaxResolvedCandidates).
    static constexpr port::FieldSpec kListed{
        "top", "Candidates to list, the best first:", port::FieldType::Integer, 1, 1'000'000, 0};
    static constexpr const port::FieldSpec& kReminder = kSaveReminderField;

    struct ElementRow {
        std::string symbol;
        int minimum = 0;
        int maximum = 0;  // 0: as many as fit
    };

    int polarity = kPositive;
    int charge = 0;
    // One box per common ion type of each polarity, in the ion-type table's
    // order (a deque: its elements are bools a field can be bound to).
    std::deque<bool> positiveTypes;
    std::deque<bool> negativeTypes;
    std::string otherTypes;
    std::array<ElementRow, kElementRows> elements{};
    double ppm = core::kDefaultIdentifyPpm;
    double resolution = core::kDefaultIdentifyResolvingPower;
    int powerModel = kConstantPower;
    double referenceMz = 200.0;
    bool rdbe = true;
    bool ratios = true;
    bool strictRatios = false;
    bool lewisSenior = true;
    int listed = static_cast<int>(output::kListedCandidates);
    bool saveReminder = true;

    IdentifyOptionsInput();

    std::string Caption() const override { return std::string(kCaption); }
    std::string_view DialogName() const override { return "CIdentifyOptionsDlg"; }
    // Polarity, charge, the positive boxes ("pos1" ..), the negative boxes
    // ("neg1" ..), other types, the element rows ("symbol1", "min1", "max1",
    // ...), ppm, resolution, model, reference m/z, the four filter boxes, the
    // number of candidates to list ("top") and the save reminder.
    std::vector<port::FieldBinding> Fields() override;
    // The boxes of the other polarity are greyed; so is the reference m/z
    // unless the Orbitrap model is chosen.
    bool IsFieldEnabled(std::string_view key) const override;

    // The number of ion-type boxes and the element-row fields in Fields().
    static std::size_t PositiveTypeCount();
    static std::size_t NegativeTypeCount();
};

// The dialogs open with the last entries of this run (or the defaults: C H N
// O P S, every common ion type checked) and give them back to the view on OK,
// before anything is checked.
void PresetIdentifyPeaks(const doc::IdentifyPresets& presets, IdentifyPeaksInput& input);
void KeepIdentifyPeaks(const IdentifyPeaksInput& input, doc::IdentifyPresets& presets);
void PresetIdentifyOptions(const doc::ViewState& view, IdentifyOptionsInput& input);
void KeepIdentifyOptions(const IdentifyOptionsInput& input, doc::ViewState& view);

// The options as a question (everything but the peaks), or the first problem:
// an unknown symbol, a user-defined element, a repeated element, a minimum
// above its maximum, no element, an ion type that is no notation or carries
// the other polarity, no ion type left. charge is the ion's signed charge
// (given, or read from the peaks) and chooses which checked types apply.
struct OptionsReading {
    core::IdentifyQuery query;
    std::string problem;  // empty when read
};
OptionsReading ReadIdentifyOptions(const IdentifyOptionsInput& input, int charge);

}  // namespace tarnevo::calc

// Which ion is this measured pattern? The reverse of the cluster calculation:
// from the peaks of one ion's isotope cluster, the neutral formulae M and ion
// types whose ion explains them, ranked by how well.
//
//  1. The charge: given, or read from the spacing of the peaks (1/|z|) with
//     the polarity given.
//  2. The candidates: for each ion type (k x M + additions - losses, of that
//     charge), every neutral M of the element rows whose ion's monoisotopic
//     m/z lies within the mass accuracy of the measured monoisotopic peak, the
//     lowest in m/z: the exact formula search walked over the window on M's
//     mass that the ion window maps to, with each M's ion then checked against
//     the window itself.
//  3. The chemistry filters (core/formula_rules.h) on each neutral M; each may
//     be switched off. What fails is counted, not scored.
//  4. The score: each candidate's pattern as the instrument would show it (its
//     lines from the caller's source, merged at the resolving power), against
//     the measured peaks (core/pattern_score.h): a log-likelihood that is 0
//     for a perfect match and falls with each deviation in standard deviations.
//     Only the best of a first comparison of nominal peaks are scored so:
//     see kNominalReach.
//  5. The prior: what is known of molecules before any measurement, as the
//     log of a probability ratio added to the score (kNoCarbonPrior,
//     kOddElectronPrior, kMonoisotopicPriors).
//  6. The ranking: by score, best first; equal scores keep the order of the
//     ion types as given (the more common first) and then the order of m/z.
//
// Two ion types of different molecules can give the same ion formula
// ([M+NH4]+ of M is [M+H]+ of M+NH3): their patterns are one and the same, and
// no measurement of this ion tells them apart; both are listed, the ion type
// given first ranked first.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/chemical_priors.h"
#include "core/element_table.h"
#include "core/formula_parser.h"
#include "core/formula_rules.h"
#include "core/instrument_error_model.h"
#include "core/ion_notation.h"
#include "core/pattern_score.h"
#include "core/resolving_power.h"
#include "core/work_progress.h"

namespace tarnevo::core {

// The mass accuracies the identification accepts, ppm of the monoisotopic m/z.
inline constexpr double kMinIdentifyPpm = 0.01;
inline constexpr double kMaxIdentifyPpm = 1000.0;
inline constexpr double kDefaultIdentifyPpm = 5.0;
inline constexpr double kDefaultIdentifyResolvingPower = 60000.0;

// One element row of the search: the element (index in the table) and the
// counts of it M may hold. maximum < 0 leaves it to the element alone: the
// most atoms of it that fit under M's highest mass.
struct IdentifyElement {
    int element = 0;
    int minimum = 0;
    int maximum = -1;
};

// The default rows: C H N O P S, each from 0 to what fits, but carbon from 1.
// Molecules without carbon are searched when asked for (a carbon minimum of
// 0): no element ratio bounds them, and at m/z 850 within 5 ppm they are some
// 200,000 formulae of these elements, arithmetic almost all of them.
std::vector<IdentifyElement> DefaultIdentifyElements();

// One ion type as the user gave it (or as the defaults list it).
struct IdentifyIonType {
    std::string text;  // as written back: "[M+Na]+"
    IonNotation notation;
};

// The common ion types of the ion-type table with this signed charge.
std::vector<IdentifyIonType> CommonIonTypesOfCharge(int charge);

struct IdentifyQuery {
    std::vector<MeasuredPeak> peaks;  // 1 to kMaxMeasuredPeaks, any order
    int charge = 0;                   // signed; 0: read |z| from the spacing, the sign from polarity
    int polarity = 1;                 // +1 or -1; the sign of an inferred charge
    // Empty: the common ion types of the charge. Each must carry the charge.
    std::vector<IdentifyIonType> ionTypes;
    std::vector<IdentifyElement> elements;  // empty: DefaultIdentifyElements(); 1 to 8 rows
    double ppm = kDefaultIdentifyPpm;
    ResolvingPower power{kDefaultIdentifyResolvingPower, ResolvingPowerModel::Constant, 200.0};
    FormulaRuleOptions rules;
    // The analyser whose errors errorModel describes (Custom: as set).
    Instrument instrument = Instrument::Custom;
    PatternErrorModel errorModel;
    ChemicalPriorOptions priors;  // the switchable priors (core/chemical_priors.h)
};

enum class IdentifyStatus {
    Identified,      // candidates were searched (there may be none)
    BadPeaks,        // the peaks were refused (see the pattern score's refusals)
    NoCharge,        // the charge could not be read from the spacing
    BadIonType,      // an ion type does not carry the charge
    BadElements,     // no rows, too many, a bad range or a repeated element
    BadAccuracy,     // ppm out of range
    BadErrorModel,   // the error model was refused
    TooManyMatches,  // more molecules lie in the window than the identification will score
    OutOfReach,      // no ion of the element rows reaches the monoisotopic m/z
    Cancelled,       // the caller's progress asked to stop; nothing is listed
};

// Formulae within the window (all ion types, counted before any is judged)
// the identification takes at most. What it holds stays bounded however many
// there are (the best kMaxResolvedCandidates of the first comparison), but
// each costs about a microsecond to walk and judge: eight elements without
// maxima at m/z 1200 within 1 ppm are some 2.5 million, and beyond the limit
// the element ranges were surely meant otherwise.
inline constexpr std::size_t kMaxIdentifyMatches = 4'000'000;

// Of the candidates that pass the filters, those whose nominal peaks (the
// abundance and mean m/z of each, which no resolving power changes) compare
// with the measured ones worse than the best by more than this log-likelihood
// are ruled out by their pattern: e^-40, beyond any doubt. Of the rest, the
// best kMaxResolvedCandidates are scored from their fine structure and listed.
inline constexpr double kNominalReach = 40.0;

// The prior, in the score's units (natural log). A neutral without carbon is
// rare among the compounds an organic analysis meets but most of the
// arithmetic of a window when carbon may be absent: ln(0.003 / 0.997), as one
// of the 0.3 % of known compounds beyond the strict element ratios. (Those
// strict ratios themselves, tried as a prior, moved no true ion up on the
// simulated measurements: what they would weigh, the pattern already has.) An
// odd-electron ion (a radical ion, [M]+) is rare under the soft ionisations
// that make even-electron ions ([M+H]+, [M+Na]+): one in twenty, ln(1 / 20).
inline constexpr double kNoCarbonPrior = -5.8;
inline constexpr double kOddElectronPrior = -3.0;

// Fluorine and phosphorus have one isotope each, so nothing in a pattern pays
// for them, while the arithmetic of a few ppm trades them for common atoms
// (F3 for H2NaO2 within 0.2 ppm at m/z 200, FN2 for CH4P): without a prior
// the window's fluorinated and phosphorylated formulae outrank the true ion
// of every other molecule. Each costs the log of its share among known
// compounds: fluorine present in some 5 % of them, ln 0.05; phosphorus in some
// 10 %, ln 0.1; each further atom less again (fluorine comes in CF3 groups,
// so little).
struct MonoisotopicPrior {
    const char* symbol;
    double present;      // when the molecule holds the element at all
    double eachFurther;  // for each atom beyond the first
    int Index() const { return LookupSymbolText(symbol, 0); }
};
inline constexpr MonoisotopicPrior kMonoisotopicPriors[] = {{"F", -3.0, -0.5}, {"P", -2.3, -1.0}};
inline constexpr std::size_t kMaxResolvedCandidates = 200;

struct IdentifyCandidate {
    std::size_t ionType = 0;  // index into IdentifyResult::ionTypes
    ParsedFormula molecule;   // the neutral M
    ParsedFormula ion;        // the ion's formula
    double mz = 0.0;          // the ion's monoisotopic m/z (full-precision masses)
    double errorPpm = 0.0;    // (measured - computed) / computed of the monoisotopic m/z, ppm
    double dbe = 0.0;         // rings plus double bonds of M; NaN when an element has no usual valence
    int electronClass = 0;    // of the ion: kEvenElectron, kOddElectron or kIndeterminateElectrons
    PatternScore pattern;     // the comparison, peak by peak
    double prior = 0.0;       // the prior, 0 or negative
    double score = 0.0;  // what the ranking sorts by: the pattern's log-likelihood plus the prior, 0 best
    double probability = 0.0;  // exp(score) normalised over the candidates ranked
};

struct IdentifyResult {
    IdentifyStatus status = IdentifyStatus::Identified;
    std::string problem;  // the refusal for the user; empty when identified
    int charge = 0;       // signed, as given or inferred
    bool chargeInferred = false;
    double monoisotopicMz = 0.0;  // the measured peak taken as the monoisotopic one
    std::vector<IdentifyIonType> ionTypes;
    std::vector<IdentifyElement> elements;  // as searched (maxima resolved)
    // Formulae within the window, all ion types: of the window alone (the ion
    // types, element rows, accuracy and monoisotopic m/z), whatever the
    // filters and the rest of the pattern.
    std::size_t massMatches = 0;
    std::size_t filteredOut = 0;  // of them, refused by a chemistry filter or lacking what the ion type loses
    std::size_t ruledOutByPattern = 0;  // of the rest, too far from the measured pattern to score
    // Of the rest, those that passed but lie beyond the best
    // kMaxResolvedCandidates of the first comparison: neither scored from
    // their fine structure nor listed.
    std::size_t notRanked = 0;
    std::vector<IdentifyCandidate> candidates;  // ranked, best first
    // Sentences for the user when the best candidate does not explain the
    // pattern (core/identify_warnings.h); empty otherwise.
    std::vector<std::string> warnings;
};

// The lines of an ion's pattern (any order, abundances on any scale) at a
// signed charge: the caller's fine structure. Empty when there is none.
using PatternLineSource = std::function<std::vector<SpectrumLine>(const ParsedFormula& ion, int charge)>;

// What a cancelled identification tells the user.
inline constexpr const char* kIdentifyCancelled = "The identification was cancelled: no candidate is listed.";

// Identifies the ion of the measured peaks. table gives the masses of the
// search and of the m/z printed (full precision for this work); lines gives
// each candidate's pattern. progress (may be null) is asked every few
// milliseconds how far the work has come; when it answers false the
// identification stops with IdentifyStatus::Cancelled and no candidates.
IdentifyResult IdentifyIon(const ElementTable& table, const IdentifyQuery& query,
                           const PatternLineSource& lines, WorkProgress* progress = nullptr);

}  // namespace tarnevo::core

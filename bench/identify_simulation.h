// Simulated measurements of known compounds, the evidence on which the ion
// identification is judged: for each compound of a list and a few of the usual
// ion types, the peaks an Orbitrap-like instrument would report for the ion,
// with the scatter of a real measurement in m/z and intensity.
//
// The ion's pattern is its exact fine structure (every isotopic composition to
// 99.999999 %, on the full-precision isotope masses), merged at the resolving
// power into the peaks centroiding software reports; then each peak's m/z and
// intensity get Gaussian noise; the peaks an instrument would not detect
// (under 0.5 % of the base peak) are left out.
//
// Everything is reproducible from a run seed: the ion types chosen for a
// compound and the noise of every case come from std::mt19937_64, whose output
// the standard fixes bit for bit, turned into normal deviates by a Box-Muller
// written here (std::normal_distribution differs between standard libraries).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/element_table.h"
#include "core/formula_parser.h"
#include "core/pattern_score.h"
#include "core/resolving_power.h"

namespace tarnevo::evaluation {

// One line of the compound list (tests/identify/compounds.tsv: name, formula,
// class, note; the first line a header).
struct KnownCompound {
    std::string name;
    std::string formulaText;  // the neutral molecule, Hill order
    core::ParsedFormula formula;
    std::string compoundClass;
};

struct CompoundList {
    std::vector<KnownCompound> compounds;
    std::string problem;  // why the list could not be read whole; empty when it was
};

CompoundList ReadCompoundList(const std::string& path);

// The ion types simulated: the usual ones of electrospray, the more common
// first. polarity +1 or -1.
const std::vector<std::string_view>& SimulatedIonTypes(int polarity);

// How the instrument is simulated. The resolving power follows the Orbitrap
// model (R falls with the square root of m/z, quoted at m/z 200), as the
// usual settings 17,500, 60,000 and 240,000 of such instruments are quoted.
struct InstrumentModel {
    core::ResolvingPower power{60000.0, core::ResolvingPowerModel::Orbitrap, 200.0};
    // A peak is reported when its exact intensity reaches this fraction of the
    // base peak.
    double detectionFraction = 0.005;
    // Standard deviation of each peak's m/z, ppm; the mean error is 0: a
    // calibrated instrument, no systematic shift shared by the peaks.
    double mzSigmaPpm = 2.0;
    // The intensity of a peak of relative intensity a (base 1) scatters by
    // two independent Gaussian parts: intensityFraction x a and
    // intensityFloor, so its standard deviation is
    // sqrt((0.03 a)^2 + 0.002^2).
    double intensityFraction = 0.03;
    double intensityFloor = 0.002;
};

// Normal deviates from a seed, the same sequence on every platform up to the
// last bit of log and cos: Box-Muller on 53-bit uniforms taken from the top
// bits of std::mt19937_64's words.
class NormalDeviates {
public:
    explicit NormalDeviates(std::uint64_t seed) : engine_(seed) {}
    double Next();

private:
    double UniformOpenAtZero();  // in (0, 1]
    std::mt19937_64 engine_;
    double spare_ = 0.0;
    bool hasSpare_ = false;
};

// A seed made of several numbers, each bit of which moves the whole result
// (the SplitMix64 finaliser applied in turn), so that neighbouring cases get
// unrelated noise.
std::uint64_t MixSeed(std::initializer_list<std::uint64_t> parts);

// The ion types of one compound for one polarity: up to count of
// SimulatedIonTypes(polarity), chosen by the seed among those whose ion can be
// built (a compound without hydrogen has no [M-H]-), in the table's order.
std::vector<std::string_view> ChooseIonTypes(const core::ParsedFormula& molecule, int polarity,
                                             std::size_t count, std::uint64_t seed);

// An ion and its noise-free peaks as the instrument resolves them.
struct SimulatedIon {
    std::string problem;  // why there is no ion; empty when there is
    core::ParsedFormula ion;
    int charge = 0;
    double monoisotopicMz = 0.0;            // of the lightest composition, from the table's masses
    std::vector<core::ResolvedPeak> peaks;  // every resolved peak, m/z order, abundances summing to about 1
};

// The ion of the notation (e.g. "[M+Na]+") on molecule, its fine structure on
// table (the full-precision one), merged at power.
SimulatedIon SimulateIon(const core::ElementTable& table, const core::ParsedFormula& molecule,
                         std::string_view moleculeText, std::string_view ionTypeText,
                         const core::ResolvingPower& power);

// What the instrument reports of exact peaks: the peaks whose exact intensity
// reaches the detection fraction of the base peak, each with noise on its m/z
// and intensity (three deviates per peak, in m/z order: m/z, the proportional
// and the absolute intensity part), less any the noise took to 0 or below;
// at most core::kMaxMeasuredPeaks of them (the most intense), in m/z order.
// Intensities in percent of the exact base peak.
std::vector<core::MeasuredPeak> MeasurePeaks(std::span<const core::ResolvedPeak> exact,
                                             const InstrumentModel& model, NormalDeviates& noise);

// One simulated measurement of the evaluation.
struct SimulationCase {
    std::size_t compound = 0;  // index into the compound list
    std::string_view ionType;  // one of SimulatedIonTypes
    int polarity = 1;
    double resolution = 0.0;  // R at m/z 200
    std::uint64_t seed = 0;   // of its noise
};

// How many ion types of each polarity each compound gets: one of each keeps
// the full evaluation (770 compounds, three resolving powers, 4,620 cases)
// within ten minutes on one core at some 100 ms an identification.
struct CaseChoice {
    std::size_t positiveIonTypes = 1;
    std::size_t negativeIonTypes = 1;
    std::uint64_t runSeed = 20261207;
};

// Every case of the compounds at each resolution: per compound the ion types
// of ChooseIonTypes (the same at every resolution, so the resolutions are
// compared on one set), each with its own noise seed.
std::vector<SimulationCase> EnumerateCases(std::span<const KnownCompound> compounds,
                                           std::span<const double> resolutions, const CaseChoice& choice);

}  // namespace tarnevo::evaluation

#include "core/instrument_error_model.h"

#include <array>
#include <cstddef>

#include "core/ion_identification.h"

namespace tarnevo::core {

namespace {

// One row an analyser; see the header for how each figure was reached. The
// columns of PatternErrorModel in order: m/z scatter of a peak around the
// spectrum's offset (ppm), the offset's spread (ppm), intensity deviation as a
// fraction of the peak, its floor (fraction of the base peak), its growth for
// the largest peaks, the detection limit, the match window (sigmas of the
// combined m/z deviation), the growth of a peak's m/z scatter as a^-p, the tail's degrees of freedom, the
// most a missing peak costs within the measured cluster and beyond its last peak (natural log).
PatternErrorModel Model(double mzPpm, double power, double offsetPpm, double fraction, double floor,
                        double large, double noise) {
    PatternErrorModel model;
    model.mzPpm = mzPpm;
    model.mzIntensityPower = power;
    model.mzOffsetPpm = offsetPpm;
    model.intensityFraction = fraction;
    model.intensityFloor = floor;
    model.intensityLargeFraction = large;
    model.noiseLevel = noise;
    model.matchWindowSigmas = 4.0;
    model.tailDof = 3.0;
    model.missingCap = 3.0;
    model.missingBeyondCap = 1.0;
    return model;
}

// The ion type prior; the element ratio prior, which lost Q-TOF clusters of
// the fit part (top-1 70 % without it, 66 % with), is left to --prior ratios.
constexpr ChemicalPriorOptions kPriors{false, true};

const std::array<InstrumentModel, 6>& Table() {
    static const std::array<InstrumentModel, 6> table = {{
        {Instrument::Custom, "custom", "custom", kDefaultIdentifyPpm, PatternErrorModel{}, {}},
        {Instrument::Orbitrap, "orbitrap", "Orbitrap", 5.0, Model(0.5, 0.5, 1.5, 0.08, 0.008, 0.0, 0.003),
         kPriors},
        {Instrument::FtIcr, "ft-icr", "FT-ICR", 3.0, Model(0.3, 0.5, 0.8, 0.05, 0.005, 0.0, 0.002), kPriors},
        {Instrument::QTof, "q-tof", "Q-TOF", 10.0, Model(1.7, 0.0, 2.7, 0.10, 0.012, 0.0, 0.005), kPriors},
        {Instrument::Tof, "tof", "TOF", 15.0, Model(1.2, 0.5, 4.0, 0.15, 0.015, 0.05, 0.005), kPriors},
        {Instrument::ItTof, "it-tof", "IT-TOF", 10.0, Model(1.6, 0.5, 3.5, 0.10, 0.012, 0.0, 0.005), kPriors},
    }};
    return table;
}

}  // namespace

const InstrumentModel* InstrumentModels(std::size_t& count) {
    count = Table().size();
    return Table().data();
}

const InstrumentModel& InstrumentModelOf(Instrument instrument) {
    for (const InstrumentModel& row : Table()) {
        if (row.instrument == instrument) return row;
    }
    return Table().front();
}

std::optional<Instrument> InstrumentNamed(std::string_view name) {
    for (const InstrumentModel& row : Table()) {
        if (row.name == name) return row.instrument;
    }
    return std::nullopt;
}

std::string InstrumentNameList() {
    // The analysers first, custom last, as the option's help lists them.
    std::string list;
    const auto& table = Table();
    for (std::size_t k = 1; k < table.size(); ++k) list += std::string(table[k].name) + ", ";
    list.resize(list.size() - 2);
    return list + " or " + std::string(table.front().name);
}

}  // namespace tarnevo::core

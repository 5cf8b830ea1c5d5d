// How each kind of mass analyser errs, as the pattern score weighs it: the
// error model an identification uses when the user names the instrument.
//
// Real spectra differ from a simulation in three ways this table models:
//  - the peaks share the spectrum's calibration offset (2-5 ppm on TOF
//    analysers), around which each peak scatters less (mzOffsetPpm, mzPpm);
//  - intensities are off by 10-30 % of the peak on TOF analysers, more for
//    small peaks and now and then far more (a heavy tail: intensityTailDof);
//  - peaks go missing: below the detection limit, or left out of the cluster
//    given (a missing peak costs at most missingCap, beyond the last measured
//    peak at most missingBeyondCap).
//
// How the parameters were fitted (bench/identify_real/residuals.py on the fit
// part of the real clusters, the records of one laboratory: Q-TOF 69, IT-TOF
// 3, Orbitrap 2): the true ion of each cluster compared peak by peak; the
// spread of the monoisotopic m/z errors gives mzOffsetPpm, the spread of the
// other peaks' errors around their cluster's mean (1.37 ppm, x sqrt(3/2) for
// the mean's share of three peaks) mzPpm; the errors grow for small peaks
// (rms against the monoisotopic one 1.1 ppm for peaks of 30-100 %, 2.5 of
// 10-30 %, 3.3 of 3-10 %, as a^-1/2), but scoring the Q-TOF's so ranked the
// fit part worse (top-1 67 % against 73 %): its row keeps one scatter, the
// analysers of narrower or coarser centroids the a^-1/2; the median
// relative intensity error of peaks of 30-100 % gives intensityFraction and
// that of peaks of 3-10 % the floor (0.19 x 5 % ~ 0.01), the ratio of the
// 95 % quantile to the median (about 3.5 against the Gaussian's 2.9, and up to
// 6 for small peaks) a Student t of 3 degrees of freedom. The Orbitrap, FT-ICR
// and IT-TOF rows, whose laboratories the fit part barely holds, take the
// Q-TOF's shapes scaled by the analysers' usual figures (an Orbitrap within
// 1-3 ppm and a few % of intensity; FT-ICR within 1 ppm; IT-TOF centroids of
// 10000 resolving power scattering twice as far as a Q-TOF's). The figures
// per part are in bench/PERFORMANCE.md.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/chemical_priors.h"
#include "core/pattern_score.h"

namespace tarnevo::core {

// Custom: the model as the caller sets it (the program's default model, a
// pure Gaussian with no offset, unless changed).
enum class Instrument { Custom, Orbitrap, FtIcr, QTof, Tof, ItTof };

struct InstrumentModel {
    Instrument instrument = Instrument::Custom;
    std::string_view name;   // as the option takes it: "q-tof"
    std::string_view label;  // as a page shows it: "Q-TOF"
    double windowPpm = 0.0;  // the mass accuracy searched when none is given
    PatternErrorModel errorModel;
    ChemicalPriorOptions priors;  // the switchable priors (core/chemical_priors.h)
};

// Every instrument's row, Custom first.
const InstrumentModel* InstrumentModels(std::size_t& count);

const InstrumentModel& InstrumentModelOf(Instrument instrument);

// The instrument of a name as the option takes it, or none.
std::optional<Instrument> InstrumentNamed(std::string_view name);

// "orbitrap, ft-icr, q-tof, tof, it-tof or custom", for a usage message.
std::string InstrumentNameList();

}  // namespace tarnevo::core

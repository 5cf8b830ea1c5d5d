// An ion as an instrument of a given resolving power sees it: the peaks it
// resolves and, if asked, its profile. Ions up to myoglobin's size are drawn
// from their exact fine structure (every isotopic composition, the most
// probable first until they hold 99.99 % of the ion); larger ones, whose
// fine structure runs to millions of lines, from the mean and spread of each
// nominal peak, which is all an instrument can tell of them: each nominal
// peak's spread is far narrower than any FWHM that could resolve it.
#pragma once

#include <string>

#include "core/element_table.h"
#include "core/formula_parser.h"
#include "core/resolving_power.h"

namespace tarnevo::calc {

enum class PatternModel {
    FineStructure,  // one line per isotopic composition
    PeakMoments,    // one line per nominal peak, widened by its own spread
};

// "fine structure" or "peak moments", as the outputs name the model.
std::string_view PatternModelName(PatternModel model);

// The share of the ion the fine structure holds: what is left out (1E-8)
// cannot move even a peak of 0.01 % of the ion by more than a few ppm, where
// 99.99 % moved the weak peaks' m/z by up to 0.3 ppm of the whole.
inline constexpr double kResolvedCoverage = 0.99999999;

// Above this lightest-isotope mass the moments serve: a 20 kDa protein has
// some 20,000 fine-structure lines at 99.99 %, serum albumin two million.
inline constexpr double kFineStructureMassLimit = 20000.0;
inline constexpr std::size_t kFineStructureLineLimit = 1'000'000;

// The resolving powers the outputs accept: from a low-resolution quadrupole's
// unit resolution at m/z 100 to beyond the best FT-ICR instruments.
inline constexpr double kMinResolvingPower = 100.0;
inline constexpr double kMaxResolvingPower = 10'000'000.0;
// The m/z at which an Orbitrap's resolving power is stated.
inline constexpr double kMinReferenceMz = 1.0;
inline constexpr double kMaxReferenceMz = 100000.0;

struct ResolvedIon {
    PatternModel model = PatternModel::FineStructure;
    core::ResolvedPattern pattern;
    std::string problem;  // why there is no pattern; empty when there is one
};

// The ion's resolved peaks (abundances as fractions of the whole ion) and,
// if wanted, its profile, at signed charge (not 0) with the table's isotopes.
ResolvedIon ResolveIon(const core::ElementTable& table, const core::ParsedFormula& ion, int charge,
                       const core::ResolvingPower& power, core::ProfileWanted profile);

}  // namespace tarnevo::calc

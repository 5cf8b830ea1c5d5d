// What is known of molecules and ions before any measurement, as the log of a
// probability ratio added to a candidate's pattern score (0 for the likeliest,
// negative otherwise), and the posterior probability of each candidate.
//
// Always on: the priors of core/ion_identification.h (no carbon, an odd
// electron count, fluorine and phosphorus, which no pattern pays for).
// Switchable (--prior, --no-prior), off in the custom model so that its
// rankings stay as they were; the analysers' models (core/instrument_error_model.h)
// switch on the ion types':
//  - element ratios: each ratio of an element to carbon among known compounds
//    falls off about exponentially; the Seven Golden Rules' table puts 99.7 %
//    of them below N/C 1.3, O/C 1.2, S/C 0.8, P/C 0.3, Cl/C 0.8, Br/C 0.8, F/C
//    1.5, so a ratio r costs r / s with s = bound / ln(1 / 0.003): N/C 0.9 (a
//    window's nitrogen-rich arithmetic, C11H8N10O3) costs 4.1, O/C 0.64 (a
//    glycoside) 3.1;
//  - ion types: how often each is the ion measured in soft ionisation, as the
//    log of its share against [M+H]+ or [M-H]-: [M+Na]+ 11 to 41 [M+H]+ and
//    [M+Cl]- 1 to 18 [M-H]- in the fit part of the real clusters, the rest
//    rarer still.
#pragma once

#include <string_view>
#include <vector>

#include "core/formula_parser.h"

namespace tarnevo::core {

struct ChemicalPriorOptions {
    bool elementRatios = false;
    bool ionTypes = false;
};

struct ElementRatioPrior {
    const char* symbol;
    double commonBound;  // the ratio to carbon below which 99.7 % of known compounds lie
};
inline constexpr ElementRatioPrior kElementRatioPriors[] = {{"N", 1.3},  {"O", 1.2},  {"S", 0.8}, {"P", 0.3},
                                                            {"Cl", 0.8}, {"Br", 0.8}, {"F", 1.5}};
// ln(1 / 0.003): the share beyond the common bound.
inline constexpr double kBeyondCommonLog = 5.81;

// The element ratio prior of a formula (0 without carbon: the no-carbon
// prior speaks for it), weighed on the ion.
double ElementRatioPriorOf(const ParsedFormula& ion);

struct IonTypePrior {
    std::string_view notation;
    double logShare;
};
inline constexpr IonTypePrior kIonTypePriors[] = {
    {"[M+H]+", 0.0},      {"[M-H]-", 0.0},      {"[M+Na]+", -1.3},   {"[M+NH4]+", -2.0},
    {"[M+K]+", -2.5},     {"[M+Cl]-", -2.9},    {"[M+HCOO]-", -2.0}, {"[M+CH3COO]-", -2.5},
    {"[M-H2O+H]+", -2.5}, {"[M-H2O-H]-", -3.0}, {"[M+2H]2+", -2.5},  {"[M-2H]2-", -2.5},
    {"[2M+H]+", -3.0},    {"[2M+Na]+", -3.5},   {"[2M-H]-", -3.0},   {"[M+H+Na]2+", -3.5},
    {"[M]+", 0.0},        {"[M]-", 0.0}};
// An ion type the table does not hold (given by the user): as rare as the rarest.
inline constexpr double kOtherIonTypePrior = -3.5;

double IonTypePriorOf(std::string_view notation);

// exp(score - best) normalised over the candidates: each one's probability
// of being the ion, if the ion is among them.
std::vector<double> PosteriorProbabilities(const std::vector<double>& scores);

}  // namespace tarnevo::core

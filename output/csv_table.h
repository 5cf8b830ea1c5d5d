// The result table of every calculation kind as comma-separated values, for
// spreadsheets and scripts: a header row, then one row per peak, ion peak,
// formula or isotope. Numbers are written in full precision (the shortest text
// that reads back as the same double) with a '.' decimal point whatever the
// locale; texts are quoted where they need it.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/usual_valence.h"
#include "output/calculation_state.h"

namespace tarnevo::output {

// The electron class as the tables write it: "EE", "OE" or "indeterminate".
std::string ElectronClassText(ElectronClass electrons);

// The table of the stored results, UTF-8, lines ended by '\n'.
std::string ComposeCsv(const CalculationState& state);

// The formula table of an m/z search row by row, for listings longer than the
// 200 stored formulae (tarnevo-cli formulas --all): ComposeCsv's formula table
// is made of these rows. Columns: the formula ("C7H7O2"), its m/z, its error
// from the target in ppm, its electron class ("EE", "OE" or "indeterminate")
// and its rings plus double bonds by the usual valences (core/usual_valence.h),
// empty where an element present has none.
class FormulaCsvRows {
public:
    static constexpr std::string_view kHeader = "formula,mz,errorPpm,electronClass,dbe\n";

    // The elements, in their listed order, and the target m/z are the state's.
    explicit FormulaCsvRows(const CalculationState& state);

    // Appends the row of one formula: its counts of the state's elements, its
    // m/z and its electron class.
    void Append(std::string& csv, const std::array<int, kMaxFormulaElements>& counts, double mz,
                ElectronClass electrons);

private:
    const FormulaMatches& formulae_;
    int elementCount_;
    double target_;
    core::RowValences valences_{};
    std::string formula_;  // the formula text of the row being written
};

}  // namespace tarnevo::output

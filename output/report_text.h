// The pieces every report section is built from: the text under composition,
// comma-joined value lines and the isotope-FA block of detailed elements.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "output/calculation_state.h"

namespace tarnevo::output::detail {

inline constexpr std::string_view kEndOfLine = "\r\n";
inline constexpr std::string_view kPeakColumns = "Ion, m/z, FA(Scientific), FA(Numerical), Rel %";
inline constexpr std::string_view kSpectrumColumns = "Ion, m/z, Rel %";
inline constexpr std::string_view kUserElementsHeading = "Fractional Abundances of User Defined Elements";

// The report under composition; every line ends with CR LF whatever the
// platform, since the file format fixes it.
class ReportText {
public:
    void Line(std::string_view text) {
        bytes_ += text;
        bytes_ += kEndOfLine;
    }
    void EmptyLine() { bytes_ += kEndOfLine; }
    void Raw(std::string_view text) { bytes_ += text; }
    std::string Take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

// The fields separated by ", ": {"[A+0]", "12.00"} gives "[A+0], 12.00".
std::string Joined(std::initializer_list<std::string> fields);

// One row of a calculated cluster: [A+n], m/z, FA twice (scientific and
// fixed), Rel %. Example: "[A+2], 80.00, 3.670000E-001, 0.367, 58.304".
std::string ClusterRow(int n, double mz, double fa, double largestFA);

// The heading, one FormatDetailLine per detailed element, an empty line.
void WriteDetailBlock(ReportText& report, const CalculationState& state, std::string_view heading);

// The isotope FAs of the user-defined elements of the ion, where it has any.
void WriteUserElementDetails(ReportText& report, const CalculationState& state);

}  // namespace tarnevo::output::detail

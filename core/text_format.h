// Number formatting for result pages, report files, dialogs and the command line.
//
// These follow the printf conventions of the texts ("%.4f", "%.6E", "%.15g") but
// never depend on the user's locale (a German desktop must still write 12.0000,
// not 12,0000), and scientific notation always carries a signed three-digit
// exponent: 1.000000E-003. That exponent form is part of the report format.
#pragma once

#include <string>
#include <string_view>

namespace tarnevo::core {

std::string FormatInteger(long long value);                // "%d"
std::string FormatFixed(double value, int decimals);       // "%.Nf"
std::string FormatScientific(double value, int decimals);  // "%.NE", three-digit exponent
std::string FormatGeneral(double value);                   // "%.15g"
// The shortest text that reads back as the same double (0.9999, not
// 0.99990000000000001); "nan", "inf" or "-inf" for a value that is not finite.
std::string FormatShortest(double value);
// FormatShortest(value) added to the end of text, for writers that build one
// long text of many numbers (a batch's JSON) without a string for each.
void AppendShortest(double value, std::string& text);

// Pads text on the left with blanks to width (nothing when already as wide).
std::string RightAligned(std::string_view text, std::size_t width);
// label + blanks + value, the blanks filling to width (at least minimumGap).
std::string Spread(std::string_view label, std::string_view value, std::size_t width,
                   std::size_t minimumGap = 0);

// A text the user gave, as a message repeats it: whole up to kEchoLimit bytes,
// else its first bytes and "...", so that a mistaken 50 MB word does not come
// back as a 50 MB message. The cut never splits a UTF-8 character.
inline constexpr std::size_t kEchoLimit = 64;
std::string EchoedText(std::string_view text);

}  // namespace tarnevo::core

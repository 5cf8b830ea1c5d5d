// The texts of the Isotope Labelling Effects calculations' refusals and
// questions, exactly as the user sees them; both front ends show them.
#pragma once

#include <string_view>

namespace tarnevo::calc::labelling {

inline constexpr std::string_view kUserElementsNotSupported =
    "Error - User defined elements, Jx - Qz, are not supported!";
inline constexpr std::string_view kMonoisotopic =
    "Error - Your element is monoisotopic and cannot be enriched!";
inline constexpr std::string_view kTooManyEnrichedAtoms =
    "Error - Either the number of enriched atoms is too large,\r\n"
    "or your molecular formula does not contain this element!";
inline constexpr std::string_view kHeavyFATooLarge =
    "Error - One or more of your heavy isotopic FAs is too large!";

inline constexpr std::string_view kTooManyIsotopes =
    "Error - TARNEVO cannot analyze elements with more than four isotopes!";
inline constexpr std::string_view kNegativePeakIndex =
    "Error - The first peak in the spectrum cannot have a negative index!";
inline constexpr std::string_view kInsufficientPeaks =
    "Error - There are insufficient peaks in your spectrum for the analysis!";
inline constexpr std::string_view kPeaksBeyondCluster =
    "Error - The experimental peaks lie beyond the calculated isotope cluster!";
// Formatted with the cycle count and the smallest SSR; "\r\n" as the boxes show it.
inline constexpr std::string_view kContinueQuestion =
    "After %d trial cycles,\r\nthe smallest sum of squares of the residuals is %.4f.\r\n"
    "Continue with the calculation?";
// The end of a search whose simplex has collapsed where a fresh one finds
// nothing better; formatted like the question.
inline constexpr std::string_view kFitCannotImprove =
    "After %d trial cycles,\r\nthe smallest sum of squares of the residuals is %.4f.\r\n"
    "The fit can improve no further.";

}  // namespace tarnevo::calc::labelling

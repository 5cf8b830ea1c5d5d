// The window of an identification before anything in it is judged: whether
// the element rows reach it at all, about how many formulae it holds, and how
// many it holds exactly for each ion type (the count the result reports as
// "formulae within the mass accuracy", which depends on the window alone:
// the ion types, the element rows, the accuracy and the monoisotopic m/z).
#pragma once

#include <cstddef>
#include <vector>

#include "core/element_table.h"
#include "core/identify_nominal.h"
#include "core/identify_question.h"
#include "core/ion_identification.h"
#include "core/ion_type_search.h"
#include "core/progress_span.h"

namespace tarnevo::core {

// A window whose estimated count exceeds kMaxIdentifyMatches this many times
// over is refused at once: the estimate is within a factor of two or three of
// the count wherever a walk is worth starting, and past it a walk would take
// minutes to say the same.
inline constexpr double kEstimateMargin = 8.0;

// Refuses (OutOfReach) a window beyond the heaviest ion the rows allow for
// every ion type, and (TooManyMatches) one whose estimate lies beyond the
// limit by kEstimateMargin. estimates: each type's estimated count.
IdentifyRefusal CheckWindowReach(const ElementTable& table, const MoleculeRows& rows,
                                 const std::vector<IdentifyIonType>& types, IonMzWindow window,
                                 double monoisotopicMz, std::vector<double>& estimates);

// The refusal of a window holding more than kMaxIdentifyMatches formulae.
IdentifyRefusal TooManyMatchesRefusal();

struct WindowCount {
    std::size_t formulae = 0;       // of the rows within the window, all ion types
    std::size_t beyondPattern = 0;  // of them, with more atoms than the measured pattern allows
};

enum class WindowCountEnd { Counted, TooMany, Cancelled };

// Walks each ion type's window (its share of progress as estimates give it)
// and counts its formulae, stopping once they exceed kMaxIdentifyMatches.
WindowCountEnd CountWindow(const ElementTable& table, const MoleculeRows& rows,
                           const std::vector<IdentifyIonType>& types, IonMzWindow window,
                           const RatioBounds& bounds, const std::vector<double>& estimates,
                           const ProgressSpan& progress, WindowCount& count);

// Each type's share of progress: its estimate's share of all, each at least
// a little, so that a window estimated empty still moves the bar.
std::vector<ProgressSpan> SharedOut(const ProgressSpan& progress, const std::vector<double>& estimates);

}  // namespace tarnevo::core

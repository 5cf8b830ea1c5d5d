// The result table of every calculation kind as comma-separated values, for
// spreadsheets and scripts: a header row, then one row per peak, ion peak,
// formula or isotope. Numbers are written in full precision (the shortest text
// that reads back as the same double) with a '.' decimal point whatever the
// locale; texts are quoted where they need it.
#pragma once

#include <string>

#include "dialogs/ui_port.h"
#include "results/calculation_state.h"
#include "results/document.h"

namespace tarnevo::results {

// The table of the stored results, UTF-8, lines ended by '\n'.
std::string ComposeCsv(const CalculationState& state);

// Filter of the Export Table file dialog.
inline constexpr std::string_view kCsvFilter = "CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||";
inline constexpr std::string_view kCsvFileName = "Results.csv";

// File > Export Table: asks for a file name and writes the table of the stored
// results there atomically; a failure is shown like a failed save. False when
// nothing was written (no results, cancelled, or failed).
bool ExportTable(const Document& document, dialogs::UserInterfacePort& ui);

// The message shown when the table cannot be written, naming file and reason.
std::string ExportFailureMessage(const std::string& path, std::string_view reason);

}  // namespace tarnevo::results

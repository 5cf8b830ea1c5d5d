// File > Export Table: the result table of the stored results written as CSV
// to a file the user names, with the same care for what is at the path as a
// saved report.
#pragma once

#include <string>
#include <string_view>

#include "document/document.h"
#include "port/ui_port.h"

namespace tarnevo::doc {

// Filter of the Export Table file dialog.
inline constexpr std::string_view kCsvFilter = "CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||";
inline constexpr std::string_view kCsvFileName = "Results.csv";

// File > Export Table: asks for a file name and writes the table of the stored
// results there atomically; a failure is shown like a failed save. False when
// nothing was written (no results, cancelled, or failed).
bool ExportTable(const Document& document, port::UserInterfacePort& ui);

// The message shown when the table cannot be written, naming file and reason.
std::string ExportFailureMessage(const std::string& path, std::string_view reason);

}  // namespace tarnevo::doc

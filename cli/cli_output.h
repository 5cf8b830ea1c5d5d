// Output shared by the command-line subcommands: the result page, the report
// file, and JSON numbers.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "results/document.h"

namespace tarnevo::cli {

// Prints the result page lines of the stored results.
void PrintResultPage(const results::Document& document, std::ostream& out);

// Writes the report file when a path was given; kExitOk or kExitWriteFailed.
int WriteReportIfAsked(results::Document& document, const std::optional<std::string>& path, std::ostream& errors);

// A number as JSON with 17 significant digits (enough to give back the double).
std::string JsonNumber(double value);
// A text as a JSON string literal.
std::string JsonString(const std::string& text);

}  // namespace tarnevo::cli

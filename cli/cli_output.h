// Output shared by the command-line subcommands: the result page, the report
// file, and JSON numbers.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "calc/command_context.h"
#include "cli/arguments.h"
#include "cli/cli_port.h"
#include "document/document.h"

namespace tarnevo::cli {

// Prints the result page lines of the stored results.
void PrintResultPage(const doc::Document& document, std::ostream& out);

// Writes the report file when a path was given; kExitOk or kExitWriteFailed.
int WriteReportIfAsked(doc::Document& document, const std::optional<std::string>& path, std::ostream& errors);

// How a calculation that has run ends on the command line: kExitUsage when an
// option's value was not one its field accepts or a prepared answer was never
// asked for (the complaint goes to errors), kExitRefused when it stored no
// results, else kExitOk.
int CalculationStatus(const CliPort& port, const doc::Document& document, std::ostream& errors);

using Calculation = std::function<void(calc::CommandContext&)>;
using ResultPrinter = std::function<void(const calc::CommandContext&, std::ostream&)>;
using JsonPrinter = ResultPrinter;

// What a command prints after the page or the CSV table of the stored results:
// tables the document does not hold (the peaks an instrument resolves).
struct ResultsAppendix {
    ResultPrinter afterPage;
    ResultPrinter afterCsv;
};

// Runs a calculation with a fresh program context, answering its dialogs through
// port, then prints the stored results: the JSON object with --json, the result
// table as CSV with --csv, else the result page, each followed by the appendix;
// writes the report with --report FILE. A calculation that stores no results has
// shown its message on errors: exit status kExitRefused, or kExitUsage when an
// option's value was not one its field accepts or a prepared answer was never
// asked for.
int RunCalculation(CliPort& port, const Arguments& arguments, const Calculation& calculate,
                   const JsonPrinter& printJson, std::ostream& out, std::ostream& errors,
                   const ResultsAppendix& appendix = {});

// The JSON objects {n, mz, centroidMz, fa, rel} of peaks [A+0] .. [A+count-1] of
// one ion, separated by commas: m/z (the nominal spacing) and Rel % as the result
// page computes them, and the abundance-weighted m/z of each peak's compositions.
void PrintPeaksJson(const double* fas, const double* centroids, int count, double ionMassA, int charge,
                    double largestFA, std::ostream& out);

// A number as JSON: the shortest text that reads back as the same double
// (null for an infinity or a NaN, which JSON cannot hold).
std::string JsonNumber(double value);
void AppendJsonNumber(double value, std::string& json);
// A text as a JSON string literal: control characters escaped, and each byte
// sequence that is not well-formed UTF-8 replaced by U+FFFD, so that the
// literal is valid JSON whatever bytes a user typed.
std::string JsonString(std::string_view text);

// What a failed command wrote on standard error, as one message: the whole
// text, less the usage lines that follow a usage error (they are for a person
// at a terminal) and its final line ends.
std::string FailureMessage(std::string_view text, std::string_view usage);
// "error": MESSAGE, "exitCode": STATUS, the fields of a failure under --json
// (a standalone object, or a batch line's with its line number in front).
std::string JsonErrorFields(std::string_view message, int status);

}  // namespace tarnevo::cli

// --resolution R [--orbitrap [--at MZ]] [--profile]: the ion as an instrument
// of resolving power R sees it, printed after the cluster: the peaks it
// resolves (m/z, FA, Rel %) and, with --profile, the profile to draw. The
// same R at every m/z unless --orbitrap, whose R falls with the square root
// of m/z from R at MZ (200 unless --at says otherwise).
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "calc/command_context.h"
#include "calc/resolved_pattern.h"
#include "cli/arguments.h"
#include "core/resolving_power.h"

namespace tarnevo::cli {

inline constexpr double kMinResolution = calc::kMinResolvingPower;
inline constexpr double kMaxResolution = calc::kMaxResolvingPower;

struct ResolutionRequest {
    core::ResolvingPower power;
    core::ProfileWanted profile = core::ProfileWanted::No;
};

// The request, nothing when --resolution is not given, or the usage problem.
struct ResolutionParse {
    std::optional<ResolutionRequest> request;
    std::string problem;
};

ResolutionParse ParseResolution(const Arguments& arguments);

// The stored ion (its formula and charge, with the table as the calculation
// left it) resolved as asked.
calc::ResolvedIon ResolveStoredIon(const calc::CommandContext& context, const ResolutionRequest& request);

// ", \"resolvingPower\": {...}, \"patternModel\": ..., \"resolvedPeaks\": [...]"
// and, with --profile, ", \"profile\": [[mz, rel], ...]".
void PrintResolvedJsonFields(const calc::ResolvedIon& ion, const ResolutionRequest& request,
                             std::ostream& out);
// After the CSV table: a blank line, "resolvedMz,fa,rel" and its rows; with
// --profile another blank line, "profileMz,rel" and its rows.
void PrintResolvedCsv(const calc::ResolvedIon& ion, const ResolutionRequest& request, std::ostream& out);
// After the result page: a titled table of the resolved peaks.
void PrintResolvedPage(const calc::ResolvedIon& ion, const ResolutionRequest& request, std::ostream& out);

}  // namespace tarnevo::cli

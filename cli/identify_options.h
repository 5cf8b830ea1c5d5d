// The options of tarnevo-cli identify that shape the question, read into the
// engine's query: the charge (--charge Z, or the ion types' charge, or read
// from the spacing with --polarity's sign), the ion types (--adduct), the
// element rows (--element SYM[:MIN[:MAX]]), the instrument whose error model
// scores the pattern (--instrument NAME, its usual accuracy the default of
// --ppm), the mass accuracy (--ppm), the
// resolving power (--resolution R [--orbitrap [--at MZ]]), the chemistry
// filters (--no-filter NAME, --strict-ratios) and how many candidates to list
// (--top N, --all). Each bad value is a usage error with its option named.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "cli/arguments.h"
#include "core/ion_identification.h"

namespace tarnevo::cli {

inline constexpr std::size_t kDefaultIdentifyTop = 20;
// --top lists at most this many: more would be --all.
inline constexpr std::size_t kMaxIdentifyTop = 1'000'000;

struct IdentifyRequest {
    core::IdentifyQuery query;                             // every part but the peaks
    std::optional<std::size_t> top = kDefaultIdentifyTop;  // none: --all
};

struct IdentifyRequestParse {
    IdentifyRequest request;
    std::string problem;  // the usage error; empty when read
};

IdentifyRequestParse ReadIdentifyRequest(const Arguments& arguments);

// Keeps the best `top` candidates of a ranked result (all when none); the
// number there were before.
std::size_t KeepTopCandidates(core::IdentifyResult& result, std::optional<std::size_t> top);

}  // namespace tarnevo::cli

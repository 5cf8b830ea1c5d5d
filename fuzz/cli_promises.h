// The promises of tarnevo-cli that cli_command_fuzzer holds every run to:
//   - the exit status is 0, 2, 64 or 74;
//   - a refusal (2) or a usage error (64) says why on standard error;
//   - under --json, and for a batch, every line of standard output is one valid
//     JSON value (strict: RFC 8259, UTF-8), and a failure's standard error is one
//     JSON object; help and the version are text for people and are exempt;
//   - a batch answers each of its questions with one line, in input order, a
//     refused one with an error object that says why;
//   - an accepted cluster has finite FAs in [0, 1] summing to its total,
//     relative intensities of at most 100 % and a centroid m/z for each of its
//     peaks; its resolved peaks (--resolution) are in m/z order, none lighter
//     than [A+0], with FAs in [0, 1] summing to at most 1, the largest at 100 %;
//     its profile (--profile) in m/z order within 0 .. 100 %;
//   - an accepted identification ranks its candidates best first, each within
//     the mass accuracy of the monoisotopic peak, with relative intensities in
//     0 .. 100 %, and counts no more candidates than formulae that passed.
// A broken promise aborts with its text on standard error.
#pragma once

#include <string>

#include "fuzz/cli_fuzz_input.h"

namespace tarnevo::fuzz {

struct Outcome {
    int status = 0;
    std::string out;
    std::string errors;
};

void CheckPromises(const CommandLine& line, const Outcome& run);

}  // namespace tarnevo::fuzz

// The C++ core of the Python module: runs tarnevo-cli command lines in-process,
// through the same RunCli as the program, so that every check and message is
// the command line's own. The package's Python files build the command lines
// (always with --json) and read the answers; this file only runs them, with the
// interpreter's lock released so that Python threads compute side by side.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli.h"
#include "fine/parallel_use.h"

namespace py = pybind11;

namespace {

// What one command line gave: its exit status and both streams' text.
struct CommandRun {
    int status = 0;
    std::string out;
    std::string errors;
};

CommandRun RunCommand(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream errors;
    const int status = tarnevo::cli::RunCli(arguments, out, errors);
    return {status, out.str(), errors.str()};
}

// The streams go back as bytes: the command line's JSON is UTF-8 throughout,
// but a page of text may echo whatever bytes it was given, and the Python side
// decides how to read them.
py::tuple ToPython(const CommandRun& run) {
    return py::make_tuple(run.status, py::bytes(run.out), py::bytes(run.errors));
}

// Every command line on `workers` threads at once, the answers in input order.
// Each command line is a question of its own: RunCli keeps nothing between
// calls, and the tables the calculations share are only read once built. An
// exception a run throws (std::bad_alloc) is carried to the caller's thread.
std::vector<CommandRun> RunInParallel(const std::vector<std::vector<std::string>>& commands,
                                      std::size_t workers) {
    std::vector<CommandRun> runs(commands.size());
    std::vector<std::exception_ptr> failures(commands.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t k = next++; k < commands.size(); k = next++) {
            try {
                runs[k] = RunCommand(commands[k]);
            } catch (...) {
                failures[k] = std::current_exception();
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (std::size_t w = 1; w < std::min(workers, commands.size()); ++w) helpers.emplace_back(work);
        work();
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
    return runs;
}

// 0 asks for one worker a core.
std::size_t WorkersFor(std::size_t jobs) {
    if (jobs > 0) return jobs;
    return std::max<std::size_t>(1, std::thread::hardware_concurrency());
}

py::tuple Run(const std::vector<std::string>& arguments) {
    CommandRun run;
    {
        const py::gil_scoped_release released;
        run = RunCommand(arguments);
    }
    return ToPython(run);
}

py::list RunMany(const std::vector<std::vector<std::string>>& commands, std::size_t jobs) {
    std::vector<CommandRun> runs;
    {
        const py::gil_scoped_release released;
        runs = RunInParallel(commands, WorkersFor(jobs));
    }
    py::list answers;
    for (const CommandRun& run : runs) answers.append(ToPython(run));
    return answers;
}

}  // namespace

PYBIND11_MODULE(_tarnevo, module) {
    module.doc() =
        "The C++ core of the tarnevo package: tarnevo-cli command lines run in-process. "
        "Use the functions of the tarnevo package instead.";
    // The fine structure's shared table of log-factorials is filled once here,
    // before any Python thread can start a calculation.
    tarnevo::fine::PrepareForParallelUse();
    module.def("run", &Run, py::arg("arguments"),
               "run(arguments: list[str]) -> (status: int, out: bytes, errors: bytes)\n\n"
               "Runs one tarnevo-cli command line (without the program name), the GIL released.");
    module.def("run_many", &RunMany, py::arg("commands"), py::arg("jobs") = 0,
               "run_many(commands: list[list[str]], jobs: int = 0) -> list[(status, out, errors)]\n\n"
               "Runs the command lines on `jobs` threads at once (0: one a core), the GIL released;\n"
               "the answers come in the order of the command lines.");
}

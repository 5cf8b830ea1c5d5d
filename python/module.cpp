// The C++ core of the Python module: runs tarnevo-cli command lines in-process,
// through the same RunCli as the program, so that every check and message is
// the command line's own. The package's Python files build the command lines
// (always with --json) and read the answers; this file only runs them, with the
// interpreter's lock released so that Python threads compute side by side, and
// Ctrl-C stops them (python_signals.h).
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include "answer_pool.h"
#include "fine/parallel_use.h"
#include "python_signals.h"
#include "read_answer.h"

namespace py = pybind11;

namespace {

using tarnevo::python::AnswerPool;
using tarnevo::python::CommandLines;
using tarnevo::python::CommandRun;
using tarnevo::python::ReadRun;

// 0 asks for one worker a core.
std::size_t WorkersFor(std::size_t jobs) {
    if (jobs > 0) return jobs;
    return std::max<std::size_t>(1, std::thread::hardware_concurrency());
}

// One command line on the caller's thread. A long search shows its progress
// on sys.stderr when that is a terminal, and stops at Ctrl-C, which then
// raises KeyboardInterrupt here.
py::tuple Run(const std::vector<std::string>& arguments) {
    tarnevo::python::PythonProgress progress;
    CommandRun run;
    {
        const py::gil_scoped_release released;
        const tarnevo::cli::ScopedProgressOutlet outlet(progress);
        run = tarnevo::python::RunCommand(arguments);
    }
    progress.ThrowIfInterrupted();
    return tarnevo::python::ToPython(run);
}

// The command lines on a pool of threads, each answer made a Python object in
// turn while the workers compute the next ones; make(k, answer) makes the
// object kept for command line k, so that only it, and not the answer, stays
// in memory. An exception of make, or KeyboardInterrupt, stops the workers
// and reaches the caller.
template <typename Answer>
py::list RunManyWith(const CommandLines& commandAt, std::size_t count, std::size_t jobs,
                     Answer (*run)(const std::vector<std::string>&), py::tuple (*toPython)(const Answer&),
                     const py::object& make) {
    py::list answers;
    AnswerPool<Answer> pool(commandAt, count, WorkersFor(jobs), run);
    for (std::size_t k = 0; k < count; ++k) {
        py::tuple answer = toPython(pool.Take(k));
        answers.append(make.is_none() ? answer : make(k, answer));
    }
    return answers;
}

py::list RunMany(const std::vector<std::vector<std::string>>& commands, std::size_t jobs) {
    const CommandLines commandAt = [&commands](std::size_t k) { return commands[k]; };
    return RunManyWith<CommandRun>(commandAt, commands.size(), jobs, tarnevo::python::RunCommand,
                                   tarnevo::python::ToPython, py::none());
}

// One command line run once for each value, the value in place of words[slot]
// (the formula of cluster_many's ions): the arguments the calls share cross
// from Python once, and each answer is read on its worker's thread.
py::list RunEachRead(const std::vector<std::string>& words, std::size_t slot,
                     const std::vector<std::string>& values, std::size_t jobs, const py::object& make) {
    if (slot >= words.size())
        throw py::index_error("slot " + std::to_string(slot) + " is past the command line");
    const CommandLines commandAt = [&](std::size_t k) {
        std::vector<std::string> command = words;
        command[slot] = values[k];
        return command;
    };
    return RunManyWith<ReadRun>(commandAt, values.size(), jobs, tarnevo::python::RunAndRead,
                                tarnevo::python::ReadToPython, make);
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
               "Runs one tarnevo-cli command line (without the program name), the GIL released; a long\n"
               "search's progress goes to sys.stderr when that is a terminal, and a signal's exception\n"
               "(KeyboardInterrupt) stops it and is raised.");
    module.def("run_many", &RunMany, py::arg("commands"), py::arg("jobs") = 0,
               "run_many(commands: list[list[str]], jobs: int = 0) -> list[(status, out, errors)]\n\n"
               "Runs the command lines on `jobs` threads at once (0: one a core), the GIL released;\n"
               "the answers come in the order of the command lines.");
    module.def("run_each_read", &RunEachRead, py::arg("words"), py::arg("slot"), py::arg("values"),
               py::arg("jobs") = 0, py::arg("make") = py::none(),
               "run_each_read(words: list[str], slot: int, values: list[str], jobs: int = 0, make=None)\n"
               "    -> list[make(k, (status, out, errors, fields, tables, layout))]\n\n"
               "Runs the command line `words` once for each value, the value in place of words[slot], on\n"
               "`jobs` threads (0: one a core), in the order of the values, each JSON answer read on the\n"
               "worker's thread: out None (the text is dropped), fields the dict of its members that are no\n"
               "table (as json.loads reads them), tables the dict of each array of objects of numbers (as a\n"
               "dict of float64 column arrays) and each array of [x, y] pairs (an (n, 2) array), layout\n"
               "{key: (position, whole)}: each table's place among the members and the tuple of its cells\n"
               "written as whole numbers. An answer that is no JSON object keeps out, the rest None.\n"
               "make(k, answer), when given, is called as each answer comes and its result kept instead.");
}

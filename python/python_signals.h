// What a long calculation owes the Python user waiting for it: Ctrl-C stops it
// within a fraction of a second (KeyboardInterrupt, as for Python's own
// loops), and its progress line goes through sys.stderr, where Python code can
// capture or redirect it, rather than straight to the process's descriptor 2.
//
// Python runs signal handlers only on its main thread and only with the
// interpreter's lock, so a calculation that runs with the lock released takes
// it back briefly now and then to run them: the interpreter's thread waiting
// for workers (cluster_many), or the calculation's own progress reports
// (the formula search, an identification).
#pragma once

#include <pybind11/pybind11.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string_view>
#include <thread>

#include "cli/terminal_progress.h"

namespace tarnevo::python {

namespace py = pybind11;

// How long a calculation runs between two looks at Python's signals: short
// beside a person's reaction to Ctrl-C, long beside taking the lock (~1 us).
inline constexpr std::chrono::milliseconds kSignalCheckInterval{50};

// Runs Python's pending signal handlers (the lock held) and throws the
// exception one raised, KeyboardInterrupt for Ctrl-C.
inline void ThrowIfSignalled() {
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

// The outlet of the command lines run on the interpreter's thread: made with
// the lock held, used with it released (it takes it back when it must).
class PythonProgress final : public cli::ProgressOutlet {
public:
    // Takes sys.stderr as it is now, and whether it is a terminal.
    PythonProgress();
    ~PythonProgress() override = default;
    PythonProgress(const PythonProgress&) = delete;
    PythonProgress& operator=(const PythonProgress&) = delete;

    bool IsTerminal() const override { return terminal_; }
    // Writes to the sys.stderr taken, and flushes it.
    bool Write(std::string_view text) override;
    // false once a signal handler has raised.
    bool KeepGoing() override;

    // With the lock held, after the work: throws what a signal handler raised.
    void ThrowIfInterrupted();

private:
    py::object stream_;
    bool terminal_ = false;
    const std::thread::id caller_ = std::this_thread::get_id();
    std::chrono::steady_clock::time_point nextCheck_ =
        std::chrono::steady_clock::now() + kSignalCheckInterval;
    std::atomic<bool> interrupted_{false};
    std::optional<py::error_already_set> raised_;  // what the handler raised, kept for the caller
};

}  // namespace tarnevo::python

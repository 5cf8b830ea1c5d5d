#include "python_signals.h"

#include <string>
#include <utility>

namespace tarnevo::python {

namespace {

// sys.stderr's isatty(); false where it is None (pythonw), lacks the method
// or fails it: a stream that cannot tell is no terminal.
bool IsATerminal(const py::object& stream) {
    if (stream.is_none() || !py::hasattr(stream, "isatty")) return false;
    try {
        return stream.attr("isatty")().cast<bool>();
    } catch (const py::error_already_set&) {
        return false;
    } catch (const py::cast_error&) {
        return false;
    }
}

}  // namespace

PythonProgress::PythonProgress() {
    py::object stream = py::getattr(py::module_::import("sys"), "stderr", py::none());
    terminal_ = IsATerminal(stream);
    if (terminal_) stream_ = std::move(stream);
}

// Also after an interruption: the line is blanked as the work ends, so that
// the traceback starts on a clean line.
bool PythonProgress::Write(std::string_view text) {
    const py::gil_scoped_acquire held;
    try {
        stream_.attr("write")(py::str(std::string(text)));
        stream_.attr("flush")();
        return true;
    } catch (py::error_already_set& failure) {
        // Progress is a courtesy: a stream that fails is left alone, its error
        // dropped. But Ctrl-C may land in the stream's own Python code, and
        // KeyboardInterrupt (no Exception) stops the work as anywhere else.
        if (!failure.matches(PyExc_Exception) && !raised_) {
            raised_.emplace(std::move(failure));
            interrupted_ = true;
        }
        return false;
    }
}

bool PythonProgress::KeepGoing() {
    if (interrupted_) return false;
    // Handlers run on the thread that called (when it is the interpreter's
    // main thread); a report from a helper thread of the calculation only
    // reads what the caller's last look found.
    if (std::this_thread::get_id() != caller_) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextCheck_) return true;
    nextCheck_ = now + kSignalCheckInterval;
    const py::gil_scoped_acquire held;
    if (PyErr_CheckSignals() == 0) return true;
    raised_.emplace();
    interrupted_ = true;
    return false;
}

void PythonProgress::ThrowIfInterrupted() {
    if (raised_) throw *raised_;
}

}  // namespace tarnevo::python

// A pool of worker threads that answers many command lines while the
// interpreter's thread makes each finished answer a Python object, in input
// order: the workers stay at most a window of answers ahead, so memory stays
// that of the window however many command lines, and the Python objects are
// made while the next answers are computed. Each command line is a question of
// its own: RunCli keeps nothing between calls, and the tables the calculations
// share are only read once built. An exception a run throws (std::bad_alloc)
// reaches the caller when its answer's turn comes.
//
// The interpreter's thread waits for an answer a short while at a time and runs
// Python's signal handlers in between, so that Ctrl-C raises KeyboardInterrupt
// at once; the pool then stops its workers, and each finishes only the command
// line in hand before it is joined.
#pragma once

#include <pybind11/pybind11.h>

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "python_signals.h"

namespace tarnevo::python {

namespace py = pybind11;

using CommandLines = std::function<std::vector<std::string>(std::size_t)>;

template <typename Answer>
class AnswerPool {
public:
    using Run = Answer (*)(const std::vector<std::string>&);

    // commandAt(k) is command line k of count; it is called on the workers.
    AnswerPool(const CommandLines& commandAt, std::size_t count, std::size_t workers, Run run)
        : commandAt_(commandAt), run_(run), window_(64 * workers), slots_(count) {
        for (std::size_t w = 0; w < std::min(workers, count); ++w)
            workers_.emplace_back([this] { WorkLoop(); });
    }
    // The workers never take the interpreter's lock: joining them with it held is safe.
    ~AnswerPool() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        roomMade_.notify_all();
    }
    AnswerPool(const AnswerPool&) = delete;
    AnswerPool& operator=(const AnswerPool&) = delete;
    AnswerPool(AnswerPool&&) = delete;
    AnswerPool& operator=(AnswerPool&&) = delete;

    // The answer of command line k, taken out of the pool (k = 0, 1, ... in
    // turn). Waits for it without the interpreter's lock, and throws
    // py::error_already_set when a signal handler raised (KeyboardInterrupt).
    Answer Take(std::size_t k) {
        // A look at the signals costs a read of one flag; the answers may come
        // faster than any wait ends, so each turn looks once.
        ThrowIfSignalled();
        while (!Done(k) && !WaitAWhile(k)) ThrowIfSignalled();
        Slot slot;
        {
            const std::lock_guard lock(mutex_);
            slot = std::move(slots_[k]);
            slots_[k] = Slot{};
            taken_ = k + 1;
        }
        roomMade_.notify_all();
        if (slot.failure) std::rethrow_exception(slot.failure);
        return std::move(slot.answer);
    }

private:
    struct Slot {
        Answer answer{};
        std::exception_ptr failure;
        bool done = false;
    };

    bool Done(std::size_t k) {
        const std::lock_guard lock(mutex_);
        return slots_[k].done;
    }

    // Whether answer k came within the interval of a signal check; the pool's
    // lock goes before the interpreter's is taken back.
    bool WaitAWhile(std::size_t k) {
        const py::gil_scoped_release released;
        std::unique_lock lock(mutex_);
        return answered_.wait_for(lock, kSignalCheckInterval, [&] { return slots_[k].done; });
    }

    void WorkLoop() {
        for (;;) {
            std::size_t k = 0;
            {
                std::unique_lock lock(mutex_);
                roomMade_.wait(
                    lock, [&] { return stopping_ || next_ == slots_.size() || next_ < taken_ + window_; });
                if (stopping_ || next_ == slots_.size()) return;
                k = next_++;
            }
            Slot slot;
            try {
                slot.answer = run_(commandAt_(k));
            } catch (...) {
                slot.failure = std::current_exception();
            }
            slot.done = true;
            {
                const std::lock_guard lock(mutex_);
                slots_[k] = std::move(slot);
            }
            answered_.notify_all();
        }
    }

    const CommandLines& commandAt_;
    const Run run_;
    const std::size_t window_;
    std::vector<Slot> slots_;
    std::size_t next_ = 0;   // the next command line a worker takes
    std::size_t taken_ = 0;  // answers taken out so far
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable answered_;
    std::condition_variable roomMade_;
    std::vector<std::jthread> workers_;  // last: joined before what they use goes
};

}  // namespace tarnevo::python

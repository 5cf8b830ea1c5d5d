// The C++ core of the Python module: runs tarnevo-cli command lines in-process,
// through the same RunCli as the program, so that every check and message is
// the command line's own. The package's Python files build the command lines
// (always with --json) and read the answers; this file only runs them, with the
// interpreter's lock released so that Python threads compute side by side.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <limits>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli.h"
#include "cli/json_value.h"
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

// The command lines run on a pool of worker threads while the interpreter's
// thread makes each finished answer a Python object, in input order: the
// workers stay at most a window of answers ahead, so memory stays that of the
// window however many command lines, and the Python objects are made while
// the next answers are computed. Each command line is a question of its own:
// RunCli keeps nothing between calls, and the tables the calculations share
// are only read once built. An exception a run throws (std::bad_alloc)
// reaches the caller when its answer's turn comes.
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
    // turn); waits for it without the interpreter's lock.
    Answer Take(std::size_t k) {
        if (!Done(k)) {
            const py::gil_scoped_release released;
            std::unique_lock lock(mutex_);
            answered_.wait(lock, [&] { return slots_[k].done; });
        }  // the pool's lock goes before the interpreter's is taken back
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

// ---- Answers read on the worker's thread ------------------------------------
//
// Reading a JSON answer into Python objects needs the interpreter's lock, and
// for many small answers (cluster_many's ions) it costs several times the
// calculation. So the workers read each answer themselves, and its tables (an
// array of objects of numbers: the peaks) come back as columns of doubles that
// become NumPy arrays in one copy; only the few other fields are made Python
// objects, under the lock.

using tarnevo::cli::JsonValue;
using Kind = JsonValue::Kind;

// One table of an answer: each column's values in row order (NaN where a row
// lacks the column or has null), or, for an array of [x, y] pairs (a
// profile), the pairs one after another.
struct Table {
    std::string key;
    std::vector<std::pair<std::string, std::vector<double>>> columns;
    std::vector<double> pairs;
    bool ofPairs = false;
};

struct ReadRun {
    CommandRun run;
    bool read = false;  // the answer was read: fields and tables hold it
    JsonValue fields;   // the members that are no table, in the answer's order
    std::vector<Table> tables;
};

bool IsNumberOrNull(const JsonValue& value) { return value.kind == Kind::Number || value.kind == Kind::Null; }

double NumberOf(const JsonValue& value) {
    return value.kind == Kind::Number ? value.number : std::numeric_limits<double>::quiet_NaN();
}

bool IsRowTable(const JsonValue& value) {
    if (value.kind != Kind::Array || value.items.empty()) return false;
    return std::all_of(value.items.begin(), value.items.end(), [](const JsonValue& row) {
        return row.kind == Kind::Object &&
               std::all_of(row.members.begin(), row.members.end(),
                           [](const tarnevo::cli::JsonMember& cell) { return IsNumberOrNull(cell.value); });
    });
}

bool IsPairTable(const JsonValue& value) {
    if (value.kind != Kind::Array || value.items.empty()) return false;
    return std::all_of(value.items.begin(), value.items.end(), [](const JsonValue& pair) {
        return pair.kind == Kind::Array && pair.items.size() == 2 && IsNumberOrNull(pair.items[0]) &&
               IsNumberOrNull(pair.items[1]);
    });
}

std::vector<double>& ColumnOf(Table& table, const std::string& key, std::size_t rows) {
    for (auto& [name, values] : table.columns) {
        if (name == key) return values;
    }
    return table.columns
        .emplace_back(key, std::vector<double>(rows, std::numeric_limits<double>::quiet_NaN()))
        .second;
}

Table RowTable(const std::string& key, const JsonValue& rows) {
    Table table{key, {}, {}, false};
    for (std::size_t row = 0; row < rows.items.size(); ++row) {
        for (const auto& cell : rows.items[row].members)
            ColumnOf(table, cell.key, rows.items.size())[row] = NumberOf(cell.value);
    }
    return table;
}

Table PairTable(const std::string& key, const JsonValue& pairs) {
    Table table{key, {}, {}, true};
    table.pairs.reserve(2 * pairs.items.size());
    for (const JsonValue& pair : pairs.items) {
        table.pairs.push_back(NumberOf(pair.items[0]));
        table.pairs.push_back(NumberOf(pair.items[1]));
    }
    return table;
}

ReadRun RunAndRead(const std::vector<std::string>& arguments) {
    ReadRun read;
    read.run = RunCommand(arguments);
    if (read.run.status != tarnevo::cli::kExitOk) return read;
    tarnevo::cli::JsonParse parse = tarnevo::cli::ParseJson(read.run.out);
    if (!parse.problem.empty() || parse.value.kind != Kind::Object) return read;
    read.fields.kind = Kind::Object;
    for (auto& member : parse.value.members) {
        if (IsRowTable(member.value)) {
            read.tables.push_back(RowTable(member.key, member.value));
        } else if (IsPairTable(member.value)) {
            read.tables.push_back(PairTable(member.key, member.value));
        } else {
            read.fields.members.push_back(std::move(member));
        }
    }
    read.read = true;
    return read;
}

// A JSON value as json.loads gives it: a number written without a fraction or
// an exponent as an int, every other number as a float.
py::object ToPython(const JsonValue& value) {
    switch (value.kind) {
        case Kind::Null:
            return py::none();
        case Kind::Boolean:
            return py::bool_(value.boolean);
        case Kind::Number: {
            long long whole = 0;
            const char* end = value.text.data() + value.text.size();
            const auto parsed = std::from_chars(value.text.data(), end, whole);
            if (parsed.ec == std::errc() && parsed.ptr == end) return py::int_(whole);
            if (value.text.find_first_of(".eE") == std::string::npos) return py::int_(py::str(value.text));
            return py::float_(value.number);
        }
        case Kind::String:
            return py::str(value.text);
        case Kind::Array: {
            py::list list;
            for (const JsonValue& item : value.items) list.append(ToPython(item));
            return list;
        }
        case Kind::Object: {
            py::dict dict;
            for (const auto& member : value.members) dict[py::str(member.key)] = ToPython(member.value);
            return dict;
        }
    }
    return py::none();
}

py::array_t<double> ToArray(const std::vector<double>& values) {
    py::array_t<double> array(static_cast<py::ssize_t>(values.size()));
    std::copy(values.begin(), values.end(), array.mutable_data());
    return array;
}

py::dict TablesToPython(const std::vector<Table>& tables) {
    py::dict python;
    for (const Table& table : tables) {
        if (table.ofPairs) {
            python[py::str(table.key)] =
                ToArray(table.pairs)
                    .reshape({static_cast<py::ssize_t>(table.pairs.size() / 2), py::ssize_t{2}});
            continue;
        }
        py::dict columns;
        for (const auto& [name, values] : table.columns) columns[py::str(name)] = ToArray(values);
        python[py::str(table.key)] = columns;
    }
    return python;
}

// (status, out, errors, fields, tables): fields and tables are None when the
// answer is no JSON object (a failure), else the dict of the members that are
// no table and the dict of the tables, each a dict of column arrays or an
// (n, 2) array of pairs.
py::tuple ReadToPython(const ReadRun& read) {
    if (!read.read)
        return py::make_tuple(read.run.status, py::bytes(read.run.out), py::bytes(read.run.errors),
                              py::none(), py::none());
    return py::make_tuple(read.run.status, py::bytes(read.run.out), py::bytes(read.run.errors),
                          ToPython(read.fields), TablesToPython(read.tables));
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

// The command lines on a pool of threads, each answer made a Python object in
// turn while the workers compute the next ones.
template <typename Answer>
py::list RunManyWith(const CommandLines& commandAt, std::size_t count, std::size_t jobs,
                     Answer (*run)(const std::vector<std::string>&), py::tuple (*toPython)(const Answer&)) {
    py::list answers;
    AnswerPool<Answer> pool(commandAt, count, WorkersFor(jobs), run);
    for (std::size_t k = 0; k < count; ++k) answers.append(toPython(pool.Take(k)));
    return answers;
}

py::list RunMany(const std::vector<std::vector<std::string>>& commands, std::size_t jobs) {
    const CommandLines commandAt = [&commands](std::size_t k) { return commands[k]; };
    return RunManyWith<CommandRun>(commandAt, commands.size(), jobs, RunCommand, ToPython);
}

// One command line run once for each value, the value in place of words[slot]
// (the formula of cluster_many's ions): the arguments the calls share cross
// from Python once, and each answer is read on its worker's thread.
py::list RunEachRead(const std::vector<std::string>& words, std::size_t slot,
                     const std::vector<std::string>& values, std::size_t jobs) {
    if (slot >= words.size())
        throw py::index_error("slot " + std::to_string(slot) + " is past the command line");
    const CommandLines commandAt = [&](std::size_t k) {
        std::vector<std::string> command = words;
        command[slot] = values[k];
        return command;
    };
    return RunManyWith<ReadRun>(commandAt, values.size(), jobs, RunAndRead, ReadToPython);
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
    module.def(
        "run_each_read", &RunEachRead, py::arg("words"), py::arg("slot"), py::arg("values"),
        py::arg("jobs") = 0,
        "run_each_read(words: list[str], slot: int, values: list[str], jobs: int = 0)\n"
        "    -> list[(status, out, errors, fields, tables)]\n\n"
        "Runs the command line `words` once for each value, the value in place of words[slot], on\n"
        "`jobs` threads (0: one a core), the answers in the order of the values, each JSON answer read\n"
        "on the worker's thread: fields, the dict of its members that are no table (as json.loads reads\n"
        "them), and tables, each array of objects of numbers as a dict of float64 column arrays and each\n"
        "array of [x, y] pairs as an (n, 2) array; both None for an answer that is no JSON object.");
}

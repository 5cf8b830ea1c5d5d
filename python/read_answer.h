// A command line run in-process and its answer made Python objects.
//
// Reading a JSON answer into Python objects needs the interpreter's lock, and
// for many small answers (cluster_many's ions) it costs several times the
// calculation. So the workers read each answer themselves, and its tables (an
// array of objects of numbers: the peaks) come back as columns of doubles that
// become NumPy arrays in one copy; only the few other fields are made Python
// objects, under the lock. The answer's text is then dropped: what the tables
// held as text is kept beside the arrays (each table's place among the
// members, which of its numbers were written whole), enough to give the JSON
// object back exactly.
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "cli/json_value.h"

namespace tarnevo::python {

namespace py = pybind11;

// What one command line gave: its exit status and both streams' text.
struct CommandRun {
    int status = 0;
    std::string out;
    std::string errors;
};

CommandRun RunCommand(const std::vector<std::string>& arguments);

// (status, out, errors), the streams as bytes: the command line's JSON is
// UTF-8 throughout, but a page of text may echo whatever bytes it was given,
// and the Python side decides how to read them.
py::tuple ToPython(const CommandRun& run);

// One table of an answer: each column's values in row order, or, for an array
// of [x, y] pairs (a profile), the pairs one after another.
struct Table {
    std::string key;
    std::size_t position = 0;  // among the answer's members
    std::vector<std::pair<std::string, std::vector<double>>> columns;
    std::vector<double> pairs;
    bool ofPairs = false;
    // The cells written as whole numbers (json.loads makes them int), counted
    // row by row across the columns, or pair by pair.
    std::vector<std::size_t> wholeCells;
};

struct ReadRun {
    CommandRun run;
    bool read = false;      // the answer was read: fields and tables hold it
    cli::JsonValue fields;  // the members that are no table, in the answer's order
    std::vector<Table> tables;
};

// Runs the command line and, when it answered, reads its JSON object.
ReadRun RunAndRead(const std::vector<std::string>& arguments);

// (status, out, errors, fields, tables, layout). For an answer read, out is
// None (its text is not kept), fields the dict of the members that are no
// table (as json.loads reads them), tables a dict from each table's key to a
// dict of its float64 column arrays (or an (n, 2) array of pairs), and layout
// from each table's key to (position, whole): its place among the members and
// the tuple of its whole cells. For any other answer out is its bytes, and
// fields, tables and layout are None.
py::tuple ReadToPython(const ReadRun& read);

}  // namespace tarnevo::python

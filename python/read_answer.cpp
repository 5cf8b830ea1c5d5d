#include "read_answer.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

#include "cli/cli.h"

namespace tarnevo::python {

using cli::JsonValue;
using Kind = JsonValue::Kind;

CommandRun RunCommand(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream errors;
    const int status = cli::RunCli(arguments, out, errors);
    return {status, out.str(), errors.str()};
}

py::tuple ToPython(const CommandRun& run) {
    return py::make_tuple(run.status, py::bytes(run.out), py::bytes(run.errors));
}

namespace {

// A number written without a fraction or an exponent: json.loads makes it an int.
bool IsWrittenWhole(const JsonValue& number) { return number.text.find_first_of(".eE") == std::string::npos; }

// A number a double holds as json.loads reads it: any written with a fraction
// or an exponent, and a whole one up to 2^53, where every integer is a double.
bool IsExactNumber(const JsonValue& value) {
    if (value.kind != Kind::Number) return false;
    if (!IsWrittenWhole(value)) return true;
    long long whole = 0;
    const char* end = value.text.data() + value.text.size();
    const auto parsed = std::from_chars(value.text.data(), end, whole);
    constexpr long long kLargestExact = 1LL << 53;
    return parsed.ec == std::errc() && parsed.ptr == end && whole >= -kLargestExact && whole <= kLargestExact;
}

bool HasKeysOf(const JsonValue& row, const JsonValue& first) {
    return row.kind == Kind::Object && row.members.size() == first.members.size() &&
           std::equal(row.members.begin(), row.members.end(), first.members.begin(),
                      [](const cli::JsonMember& cell, const cli::JsonMember& head) {
                          return cell.key == head.key && IsExactNumber(cell.value);
                      });
}

// Rows of numbers with the same keys in the same order: columns that give the
// rows back exactly.
bool IsRowTable(const JsonValue& value) {
    if (value.kind != Kind::Array || value.items.empty()) return false;
    const JsonValue& first = value.items.front();
    if (first.kind != Kind::Object || first.members.empty()) return false;
    return std::all_of(value.items.begin(), value.items.end(),
                       [&](const JsonValue& row) { return HasKeysOf(row, first); });
}

bool IsPairTable(const JsonValue& value) {
    if (value.kind != Kind::Array || value.items.empty()) return false;
    return std::all_of(value.items.begin(), value.items.end(), [](const JsonValue& pair) {
        return pair.kind == Kind::Array && pair.items.size() == 2 && IsExactNumber(pair.items[0]) &&
               IsExactNumber(pair.items[1]);
    });
}

Table RowTable(std::string key, std::size_t position, const JsonValue& rows) {
    Table table{std::move(key), position, {}, {}, false, {}};
    const std::vector<cli::JsonMember>& head = rows.items.front().members;
    for (const auto& cell : head)
        table.columns.emplace_back(cell.key, std::vector<double>(rows.items.size()));
    for (std::size_t row = 0; row < rows.items.size(); ++row) {
        const std::vector<cli::JsonMember>& cells = rows.items[row].members;
        for (std::size_t column = 0; column < cells.size(); ++column) {
            table.columns[column].second[row] = cells[column].value.number;
            if (IsWrittenWhole(cells[column].value)) table.wholeCells.push_back(row * cells.size() + column);
        }
    }
    return table;
}

Table PairTable(std::string key, std::size_t position, const JsonValue& pairs) {
    Table table{std::move(key), position, {}, {}, true, {}};
    table.pairs.reserve(2 * pairs.items.size());
    for (const JsonValue& pair : pairs.items) {
        for (const JsonValue& number : pair.items) {
            if (IsWrittenWhole(number)) table.wholeCells.push_back(table.pairs.size());
            table.pairs.push_back(number.number);
        }
    }
    return table;
}

// The keys of every answer are the same few dozen words: one str each, shared
// by all the dicts of a cluster_many's results instead of one per dict.
py::str Key(const std::string& text) {
    PyObject* key = PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    if (key == nullptr) throw py::error_already_set();
    PyUnicode_InternInPlace(&key);
    return py::reinterpret_steal<py::str>(key);
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
            if (IsWrittenWhole(value)) return py::int_(py::str(value.text));
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
            for (const auto& member : value.members) dict[Key(member.key)] = ToPython(member.value);
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

py::object TableData(const Table& table) {
    if (table.ofPairs) {
        return ToArray(table.pairs)
            .reshape({static_cast<py::ssize_t>(table.pairs.size() / 2), py::ssize_t{2}});
    }
    py::dict columns;
    for (const auto& [name, values] : table.columns) columns[Key(name)] = ToArray(values);
    return columns;
}

py::tuple WholeCells(const Table& table) {
    py::tuple cells(table.wholeCells.size());
    for (std::size_t k = 0; k < table.wholeCells.size(); ++k) cells[k] = py::int_(table.wholeCells[k]);
    return cells;
}

}  // namespace

ReadRun RunAndRead(const std::vector<std::string>& arguments) {
    ReadRun read;
    read.run = RunCommand(arguments);
    if (read.run.status != cli::kExitOk) return read;
    cli::JsonParse parse = cli::ParseJson(read.run.out);
    if (!parse.problem.empty() || parse.value.kind != Kind::Object) return read;
    read.fields.kind = Kind::Object;
    for (std::size_t position = 0; position < parse.value.members.size(); ++position) {
        cli::JsonMember& member = parse.value.members[position];
        if (IsRowTable(member.value)) {
            read.tables.push_back(RowTable(std::move(member.key), position, member.value));
        } else if (IsPairTable(member.value)) {
            read.tables.push_back(PairTable(std::move(member.key), position, member.value));
        } else {
            read.fields.members.push_back(std::move(member));
        }
    }
    read.read = true;
    // The text is read: only the arrays and fields made of it cross to Python.
    read.run.out = std::string();
    return read;
}

py::tuple ReadToPython(const ReadRun& read) {
    if (!read.read)
        return py::make_tuple(read.run.status, py::bytes(read.run.out), py::bytes(read.run.errors),
                              py::none(), py::none(), py::none());
    py::dict tables;
    py::dict layout;
    for (const Table& table : read.tables) {
        const py::str key = Key(table.key);
        tables[key] = TableData(table);
        layout[key] = py::make_tuple(table.position, WholeCells(table));
    }
    return py::make_tuple(read.run.status, py::none(), py::bytes(read.run.errors), ToPython(read.fields),
                          tables, layout);
}

}  // namespace tarnevo::python

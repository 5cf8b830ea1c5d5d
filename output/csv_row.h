// One row of a CSV table under construction. Numbers are written in full
// precision (the shortest text that reads back as the same double) with a '.'
// decimal point whatever the locale; texts are quoted where they need it.
#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "core/text_format.h"

namespace tarnevo::output::detail {

// The header of every table of cluster peaks: the ion, the peak position n,
// the nominal m/z, the centroid m/z where known, the FA and Rel %.
inline constexpr std::string_view kPeakCsvHeader = "ion,n,mz,centroidMz,fa,rel\n";

// Cells are joined by commas. The row is built in its own text (Line() gives
// it), or straight onto the end of a table (End() closes it), which long
// listings use to spare a copy per row.
class CsvRow {
public:
    CsvRow() = default;
    explicit CsvRow(std::string& table) : line_(&table) {}
    CsvRow(const CsvRow&) = delete;
    CsvRow& operator=(const CsvRow&) = delete;
    CsvRow(CsvRow&&) = delete;
    CsvRow& operator=(CsvRow&&) = delete;
    ~CsvRow() = default;

    CsvRow& Text(std::string_view text) {
        Separate();
        // A text with a comma, a quote or a line break is quoted, its quotes doubled.
        if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
            line_->append(text);
            return *this;
        }
        *line_ += '"';
        for (const char c : text) {
            if (c == '"') *line_ += '"';
            *line_ += c;
        }
        *line_ += '"';
        return *this;
    }
    // Not-a-number and infinities have no CSV spelling that spreadsheets
    // agree on: the cell stays empty.
    CsvRow& Number(double value) {
        Separate();
        // core::FormatShortest's spelling, written in place.
        std::array<char, 32> digits{};
        if (std::isfinite(value)) {
            line_->append(digits.data(),
                          std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr);
        }
        return *this;
    }
    // A value the row does not have (present false) leaves its cell empty.
    CsvRow& NumberIf(bool present, double value) {
        if (present) return Number(value);
        Separate();
        return *this;
    }
    CsvRow& Integer(long long value) { return Text(core::FormatInteger(value)); }
    std::string Line() const { return own_ + "\n"; }
    void End() { *line_ += '\n'; }

private:
    void Separate() {
        if (!first_) *line_ += ',';
        first_ = false;
    }
    std::string own_;
    std::string* line_ = &own_;
    bool first_ = true;
};

}  // namespace tarnevo::output::detail

// Text for standard output gathered in a block of its own and handed to the
// stream a block at a time, with numbers spelled in place by std::to_chars.
// Printed through the stream's insertions and a temporary string per number,
// a listing of 200,000 formulae (34 MB of JSON) took eight times as long as
// the search that found them; written here, about twice as long, most of it
// the shortest-double spelling itself.
#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <ostream>
#include <string_view>

namespace tarnevo::cli {

class FormulaTextBuffer {
public:
    // The block handed to the stream at a time.
    static constexpr std::size_t kBlockSize = 256 * 1024;

    explicit FormulaTextBuffer(std::ostream& out);
    // Hands on what is left.
    ~FormulaTextBuffer();
    FormulaTextBuffer(const FormulaTextBuffer&) = delete;
    FormulaTextBuffer& operator=(const FormulaTextBuffer&) = delete;

    FormulaTextBuffer& Text(std::string_view text) {
        if (text.size() > kBlockSize - used_) return LongText(text);
        std::memcpy(block_.get() + used_, text.data(), text.size());
        used_ += text.size();
        return *this;
    }

    FormulaTextBuffer& Integer(long long value) {
        MakeRoom(kLongestNumber);
        used_ = static_cast<std::size_t>(std::to_chars(Cursor(), End(), value).ptr - block_.get());
        return *this;
    }

    // The spelling of JsonNumber (cli_output.h): the shortest text that reads
    // back as the same double, "null" for a value that is not finite.
    FormulaTextBuffer& JsonNumber(double value) {
        if (!std::isfinite(value)) return Text("null");
        MakeRoom(kLongestNumber);
        used_ = static_cast<std::size_t>(std::to_chars(Cursor(), End(), value).ptr - block_.get());
        return *this;
    }

    // Hands everything gathered to the stream and flushes it.
    void Flush();

private:
    // The shortest round-trip spelling of a double takes at most 24
    // characters (-2.2250738585072014e-308), a long long 20.
    static constexpr std::size_t kLongestNumber = 32;

    char* Cursor() { return block_.get() + used_; }
    char* End() { return block_.get() + kBlockSize; }
    void MakeRoom(std::size_t size) {
        if (kBlockSize - used_ < size) HandOn();
    }
    FormulaTextBuffer& LongText(std::string_view text);
    // Writes the gathered block to the stream.
    void HandOn();

    std::ostream& out_;
    std::unique_ptr<char[]> block_;
    std::size_t used_ = 0;
};

}  // namespace tarnevo::cli

#include "cli/formula_text_buffer.h"

namespace tarnevo::cli {

FormulaTextBuffer::FormulaTextBuffer(std::ostream& out)
    : out_(out), block_(std::make_unique<char[]>(kBlockSize)) {}

FormulaTextBuffer::~FormulaTextBuffer() { Flush(); }

FormulaTextBuffer& FormulaTextBuffer::LongText(std::string_view text) {
    HandOn();
    if (text.size() <= kBlockSize) return Text(text);
    out_.write(text.data(), static_cast<std::streamsize>(text.size()));
    return *this;
}

void FormulaTextBuffer::HandOn() {
    out_.write(block_.get(), static_cast<std::streamsize>(used_));
    used_ = 0;
}

void FormulaTextBuffer::Flush() {
    HandOn();
    out_.flush();
}

}  // namespace tarnevo::cli

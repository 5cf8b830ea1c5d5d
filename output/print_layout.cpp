#include "output/print_layout.h"

namespace tarnevo::output {

namespace {

// The continuation of a line whose own indentation leaves no room for the
// extra four places keeps just its own.
std::size_t ContinuationIndent(const std::string& line, std::size_t columns) {
    const std::size_t own = std::min(line.find_first_not_of(' '), line.size());
    const std::size_t indent = own + kContinuationIndent;
    return indent < columns / 2 ? indent : std::min(own, columns / 2);
}

void AppendWrapped(std::vector<std::string>& out, const std::string& line, std::size_t columns) {
    const std::size_t indent = ContinuationIndent(line, columns);
    std::string rest = line;
    // Blanks up to here indent the piece being cut: no break among them.
    std::size_t lead = std::min(line.find_first_not_of(' '), line.size());
    while (rest.size() > columns) {
        // A blank at position columns still lets the first columns characters
        // stand. A blank in the first half would leave a stub ("Ion Formula:"
        // above a formula of 126 characters): the line is cut at the edge then.
        std::size_t cut = rest.find_last_of(' ', columns);
        if (cut == std::string::npos || cut <= lead || cut < columns / 2) cut = columns;
        std::size_t end = cut;
        while (end > lead && rest[end - 1] == ' ') --end;
        out.push_back(rest.substr(0, end));
        const std::size_t next = rest.find_first_not_of(' ', cut);
        if (next == std::string::npos) return;
        rest = std::string(indent, ' ') + rest.substr(next);
        lead = indent;
    }
    out.push_back(std::move(rest));
}

}  // namespace

std::vector<std::string> WrapToColumns(const std::vector<std::string>& lines, int columns) {
    const auto width = static_cast<std::size_t>(std::max(columns, kMinWrapColumns));
    std::vector<std::string> wrapped;
    wrapped.reserve(lines.size());
    for (const std::string& line : lines) {
        if (line.size() <= width) {
            wrapped.push_back(line);
        } else {
            AppendWrapped(wrapped, line, width);
        }
    }
    return wrapped;
}

}  // namespace tarnevo::output

// The texts of the layers below (UTF-8 in std::string or std::string_view) as
// Qt shows them, converted in one place.
#pragma once

#include <QString>
#include <array>
#include <string_view>

namespace tarnevo::app {

inline QString QtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A column heading written on two lines, such as "Fractional" over "Abundance".
inline QString TwoLineHeading(const std::array<std::string_view, 2>& lines) {
    return QtText(lines[0]) + u'\n' + QtText(lines[1]);
}

}  // namespace tarnevo::app

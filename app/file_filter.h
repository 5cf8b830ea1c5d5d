// The save dialog's filter, converted from the "Name|pattern|Name|pattern||"
// form that the document uses to Qt's name filters.
#pragma once

#include <QStringList>
#include <string_view>

namespace tarnevo::app {

// "Data Files (*.txt)|*.txt|All Files (*.*)|*.*||" gives "Data Files (*.txt)" and
// "All Files (*)": each name keeps its text, its patterns are put in parentheses
// (several patterns separated by ';' become blank-separated), and "*.*", which
// means every file on the desktop the filter comes from, becomes "*" so that
// names without a dot are listed too.
QStringList NameFiltersFrom(std::string_view filter);

}  // namespace tarnevo::app

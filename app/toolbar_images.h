// The toolbar's 16 x 15 button images and the program icon, drawn in code.
#pragma once

#include <QIcon>

#include "document/command_enabling.h"

namespace tarnevo::app {

inline constexpr QSize kToolbarImageSize{16, 15};

// The button image of a toolbar command; a null icon for commands that have none.
QIcon ToolbarIcon(doc::Command command);

// The program icon: a small isotope cluster, bars of falling height.
QIcon ProgramIcon();

}  // namespace tarnevo::app

// Long work on the desktop: a calculation step that may take seconds (a formula
// search over a wide box of counts) runs on a thread of its own, so the window
// keeps drawing, behind a modal progress dialog whose Cancel stops it.
#pragma once

#include <QString>
#include <QWidget>
#include <chrono>

#include "port/ui_port.h"

namespace tarnevo::app {

// How long the work may run before the progress dialog appears. Most searches
// end well within it, and nothing is drawn for them; meanwhile the
// user-interface thread waits, so no second command can start.
inline constexpr std::chrono::milliseconds kProgressDialogDelay{250};

// Runs the work and returns what it returned, or Cancelled when the user
// pressed Cancel (or Escape) in the dialog, whatever the work managed to finish
// before it noticed. An exception thrown by the work reaches the caller here.
core::WorkStatus RunWithProgressDialog(QWidget* parent, const QString& caption, const port::LongWork& work);

}  // namespace tarnevo::app

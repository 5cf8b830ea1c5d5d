// Where each help request lands: the pages of the bundled help, by help context
// number (as the Getting Started command asks for), by command, and by dialog.
#pragma once

#include <QString>

#include "document/command_enabling.h"

namespace tarnevo::app {

// The context number of the Getting Started topic.
inline constexpr int kGettingStartedContext = 1;

inline const QString kHelpContentsPage = QStringLiteral("index.html");
inline const QString kMainWindowHelpPage = QStringLiteral("main_window.html");
inline const QString kResultsHelpPage = QStringLiteral("results.html");

// The page of a help context number; the contents page for an unknown number.
QString HelpPageForContext(int context);
// The page that explains a command of the menus or toolbar.
QString HelpPageForCommand(doc::Command command);
// The page of the calculation whose results are of this kind (both kinds that
// Isotope Labelling Effects stores are its page): F1 on the result page
// explains what is shown there.
QString HelpPageForResults(output::CalcKind kind);
// The resource URL under which a page is bundled.
QString HelpPageUrl(const QString& page);

// The dynamic property that names the help page of a dialog; F1 and a click in
// click-for-help mode on a dialog open that page.
inline constexpr char kHelpPageProperty[] = "tarnevoHelpPage";

}  // namespace tarnevo::app

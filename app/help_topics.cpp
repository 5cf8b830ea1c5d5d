#include "app/help_topics.h"

#include "calc/calculation_catalog.h"

namespace tarnevo::app {

using doc::Command;

QString HelpPageForContext(int context) {
    switch (context) {
        case kGettingStartedContext:
            return QStringLiteral("getting_started.html");
        default:
            return kHelpContentsPage;
    }
}

QString HelpPageForResults(output::CalcKind kind) {
    const calc::CalculationDescriptor* calculation = calc::FindCalculationStoring(kind);
    return calculation == nullptr ? kResultsHelpPage : HelpPageForCommand(calculation->command);
}

QString HelpPageForCommand(Command command) {
    if (const calc::CalculationDescriptor* calculation = calc::FindCalculation(command)) {
        return QString::fromLatin1(calculation->helpPage.data(),
                                   static_cast<qsizetype>(calculation->helpPage.size()));
    }
    switch (command) {
        case Command::FileNew:
        case Command::FileOpen:
        case Command::FileSave:
        case Command::FileSaveAs:
        case Command::FileExportTable:
        case Command::ViewPatternPlot:
        case Command::FilePrint:
        case Command::FilePrintPreview:
        case Command::FilePrintSetup:
        case Command::AppExit:
            return kResultsHelpPage;
        case Command::GettingStarted:
            return HelpPageForContext(kGettingStartedContext);
        case Command::HelpTopics:
        case Command::DefaultHelp:
            return kHelpContentsPage;
        default:
            return kMainWindowHelpPage;
    }
}

QString HelpPageUrl(const QString& page) { return QStringLiteral("qrc:/help/") + page; }

}  // namespace tarnevo::app

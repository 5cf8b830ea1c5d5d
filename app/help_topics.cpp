#include "app/help_topics.h"

namespace tarnevo::app {

using results::Command;

QString HelpPageForContext(int context) {
    switch (context) {
        case kGettingStartedContext:
            return QStringLiteral("getting_started.html");
        default:
            return kHelpContentsPage;
    }
}

QString HelpPageForCommand(Command command) {
    switch (command) {
        case Command::IsotopeClusterPattern:
            return kIsotopeClusterHelpPage;
        case Command::ClusterIonsAndPolymers:
            return QStringLiteral("cluster_ions.html");
        case Command::MolecularFormulae:
            return QStringLiteral("formulae_from_mz.html");
        case Command::CorrectForLossOfH:
            return QStringLiteral("loss_of_h.html");
        case Command::IsotopeLabelling:
            return QStringLiteral("labelling.html");
        case Command::DisplayIsotopicData:
            return QStringLiteral("isotopic_data.html");
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
            return QStringLiteral("results.html");
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

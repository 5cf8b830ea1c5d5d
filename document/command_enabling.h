// Which commands are available, as plain functions of the document's state; the
// desktop shell only asks these when it refreshes menus and toolbar.
#pragma once

#include "document/document.h"

namespace tarnevo::doc {

// Command identifiers of the menus, toolbar and accelerators.
enum class Command : int {
    FileNew = 57600,
    FileOpen = 57601,
    FileSave = 57603,
    FileSaveAs = 57604,
    FileExportTable = 32800,
    FilePrintSetup = 57606,
    FilePrint = 57607,
    FilePrintPreview = 57609,
    AppExit = 57665,
    EditUndo = 57643,
    EditCut = 57635,
    EditCopy = 57634,
    EditPaste = 57637,
    ViewToolbar = 59392,
    ViewStatusBar = 59393,
    ViewPatternPlot = 32801,
    IsotopeClusterPattern = 32772,
    ClusterIonsAndPolymers = 32775,
    MolecularFormulae = 32780,
    CorrectForLossOfH = 32782,
    IsotopeLabelling = 32786,
    DisplayIsotopicData = 32789,
    IdentifyIon = 32793,
    HelpTopics = 57667,
    GettingStarted = 32791,
    AppAbout = 57664,
    Help = 57670,
    ContextHelp = 57669,
    DefaultHelp = 57671,
};

bool IsCommandEnabled(Command command, const Document& document);

}  // namespace tarnevo::doc

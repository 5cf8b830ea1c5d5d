#include "document/command_enabling.h"

namespace tarnevo::doc {

bool IsCommandEnabled(Command command, const Document& document) {
    switch (command) {
        // Nothing is ever read back, and the results are not editable text.
        case Command::FileOpen:
        case Command::EditUndo:
        case Command::EditCut:
        case Command::EditCopy:
        case Command::EditPaste:
            return false;
        // One report per data set through Save; Save As may write more copies.
        case Command::FileSave:
            return document.IsModified() && document.saveCount == 0;
        case Command::FileSaveAs:
        case Command::FileExportTable:
        case Command::FilePrint:
        case Command::FilePrintPreview:
        case Command::FilePrintSetup:
            return !document.readyForCalculation;
        default:
            return true;
    }
}

}  // namespace tarnevo::doc

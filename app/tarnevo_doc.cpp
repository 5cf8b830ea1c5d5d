#include "app/tarnevo_doc.h"

namespace tarnevo::app {

CTARNEVODoc::CTARNEVODoc(QObject* parent) : QObject(parent) {
    document_.SetInvalidateHandler([this] { emit changed(); });
}

// Saving changes the title and the Save command's state without invalidating
// the views, so every file command announces its outcome.
bool CTARNEVODoc::Changing(bool done) {
    emit changed();
    return done;
}

bool CTARNEVODoc::OnNewDocument(port::UserInterfacePort& ui) { return Changing(document_.NewDocument(ui)); }
bool CTARNEVODoc::OnFileNew(port::UserInterfacePort& ui) { return Changing(document_.FileNew(ui)); }
bool CTARNEVODoc::OnFileSave(port::UserInterfacePort& ui) { return Changing(document_.Save(ui)); }
bool CTARNEVODoc::OnFileSaveAs(port::UserInterfacePort& ui) { return Changing(document_.SaveAs(ui)); }
bool CTARNEVODoc::SaveModified(port::UserInterfacePort& ui) { return Changing(document_.SaveModified(ui)); }

}  // namespace tarnevo::app

// CTARNEVODoc: the program's one document, a Qt face for the data set of
// results::Document. It tells the views and the frame when the data set changes
// (new results, File New) through the changed() signal.
#pragma once

#include <QObject>
#include <QString>

#include "results/document.h"

namespace tarnevo::app {

class CTARNEVODoc : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTARNEVODoc)

public:
    explicit CTARNEVODoc(QObject* parent = nullptr);

    results::Document& Data() { return document_; }
    const results::Document& Data() const { return document_; }

    // "Untitled" until a report has been saved under a name.
    QString Title() const { return QString::fromStdString(document_.Title()); }

    // The new-document step, run once at start-up.
    bool OnNewDocument(dialogs::UserInterfacePort& ui);
    bool OnFileNew(dialogs::UserInterfacePort& ui);
    bool OnFileSave(dialogs::UserInterfacePort& ui);
    bool OnFileSaveAs(dialogs::UserInterfacePort& ui);
    // Before the program closes; false keeps it open.
    bool SaveModified(dialogs::UserInterfacePort& ui);

signals:
    // The data set changed: redraw, refresh title and command states.
    void changed();

private:
    bool Changing(bool done);

    results::Document document_;
};

}  // namespace tarnevo::app

// CTARNEVODoc: the program's one document, a Qt face for the data set of
// doc::Document. It tells the views and the frame when the data set changes
// (new results, File New) through the changed() signal.
#pragma once

#include <QObject>
#include <QString>

#include "document/document.h"

namespace tarnevo::app {

class CTARNEVODoc : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTARNEVODoc)

public:
    explicit CTARNEVODoc(QObject* parent = nullptr);

    doc::Document& Data() { return document_; }
    const doc::Document& Data() const { return document_; }

    // "Untitled" until a report has been saved under a name.
    QString Title() const { return QString::fromStdString(document_.Title()); }

    // The new-document step, run once at start-up.
    bool OnNewDocument(port::UserInterfacePort& ui);
    bool OnFileNew(port::UserInterfacePort& ui);
    bool OnFileSave(port::UserInterfacePort& ui);
    bool OnFileSaveAs(port::UserInterfacePort& ui);
    // Before the program closes; false keeps it open.
    bool SaveModified(port::UserInterfacePort& ui);

signals:
    // The data set changed: redraw, refresh title and command states.
    void changed();

private:
    bool Changing(bool done);

    doc::Document document_;
};

}  // namespace tarnevo::app

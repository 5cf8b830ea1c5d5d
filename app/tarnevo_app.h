// CTARNEVOApp: the application object. It owns the program's one document, main
// frame (with the results view), user-interface port, printer settings and help,
// and handles the commands that belong to the whole program: about, Getting
// Started and printer setup.
#pragma once

#include <QObject>
#include <memory>

#include "app/qt_user_interface.h"
#include "app/tarnevo_doc.h"
#include "core/program_context.h"

class QPrinter;

namespace tarnevo::app {

class CMainFrame;
class CTARNEVOView;
class HelpController;

class CTARNEVOApp : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTARNEVOApp)

public:
    explicit CTARNEVOApp(core::ProgramContext& program, QObject* parent = nullptr);
    ~CTARNEVOApp() override;

    // Creates the document and the main frame, starts a fresh data set and shows
    // the window maximized with the welcome text. False when start-up failed.
    bool InitInstance();

    core::ProgramContext& Program() { return program_; }
    CTARNEVODoc& Document() { return document_; }
    QtUserInterface& Ui() { return ui_; }
    HelpController& Help() { return *help_; }
    CMainFrame* MainFrame() const { return frame_.get(); }
    CTARNEVOView* View() const;
    // The printer and its settings, kept for the whole run.
    QPrinter& Printer();

    void OnAppAbout();
    void OnHelpGettingStarted();
    void OnFilePrintSetup();

private:
    core::ProgramContext& program_;
    QtUserInterface ui_;
    CTARNEVODoc document_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<HelpController> help_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace tarnevo::app

#include "app/tarnevo_app.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QScreen>
#include <QStyle>

#include "app/about_dialog.h"
#include "app/context_help.h"
#include "app/help_topics.h"
#include "app/main_frame.h"
#include "app/tarnevo_view.h"

namespace tarnevo::app {

namespace {

// The result page is laid out for "Courier New" and the welcome and advice
// texts for "Arial". Where those faces are missing, their metric-compatible
// counterparts keep the widths the layouts were made for; a generic monospaced
// fallback would not.
void SubstituteMissingFaces() {
    const QStringList families = QFontDatabase::families();
    const std::pair<const char*, const char*> faces[] = {{"Courier New", "Liberation Mono"},
                                                         {"Arial", "Liberation Sans"}};
    for (const auto& [face, counterpart] : faces) {
        if (!families.contains(QString::fromLatin1(face)) &&
            families.contains(QString::fromLatin1(counterpart))) {
            QFont::insertSubstitution(QString::fromLatin1(face), QString::fromLatin1(counterpart));
        }
    }
}

}  // namespace

CTARNEVOApp::CTARNEVOApp(core::ProgramContext& program, QObject* parent)
    : QObject(parent), program_(program), help_(std::make_unique<HelpController>()) {
    SubstituteMissingFaces();
}

CTARNEVOApp::~CTARNEVOApp() = default;

bool CTARNEVOApp::InitInstance() {
    frame_ = std::make_unique<CMainFrame>(*this);
    ui_.SetParent(frame_.get());
    if (!document_.OnNewDocument(ui_)) return false;
    // Where maximizing is not honoured (no window manager) the window keeps this
    // size: most of the screen rather than the few hundred pixels of its layout.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        frame_->setGeometry(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, available.size() * 9 / 10, available));
    }
    frame_->showMaximized();
    return true;
}

CTARNEVOView* CTARNEVOApp::View() const { return frame_ ? frame_->View() : nullptr; }

QPrinter& CTARNEVOApp::Printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void CTARNEVOApp::OnAppAbout() {
    CAboutDlg about(frame_.get());
    about.exec();
}

void CTARNEVOApp::OnHelpGettingStarted() { help_->ShowContext(kGettingStartedContext); }

void CTARNEVOApp::OnFilePrintSetup() {
    QPageSetupDialog setup(&Printer(), frame_.get());
    setup.exec();
}

}  // namespace tarnevo::app

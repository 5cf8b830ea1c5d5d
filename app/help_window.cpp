#include "app/help_window.h"

#include <QAction>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/help_topics.h"
#include "app/toolbar_images.h"

namespace tarnevo::app {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("TARNEVO Help"));
    setWindowIcon(ProgramIcon());
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    auto* toolbar = new QToolBar(this);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QAction* contents = toolbar->addAction(QStringLiteral("&Contents"));
    QAction* back = toolbar->addAction(QStringLiteral("&Back"));
    QAction* forward = toolbar->addAction(QStringLiteral("&Forward"));
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    back->setEnabled(false);
    forward->setEnabled(false);
    // Esc and Ctrl+W close the window, as in other viewers.
    auto* close = new QAction(this);
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence::Close});
    close->setShortcutContext(Qt::WindowShortcut);
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
    connect(contents, &QAction::triggered, this, [this] { ShowPage(kHelpContentsPage); });
    connect(back, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = browser_->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("TARNEVO Help")
                                       : QStringLiteral("%1 - TARNEVO Help").arg(title));
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    layout->addWidget(browser_);
    resize(640, 560);
}

void HelpWindow::ShowPage(const QString& page) {
    browser_->setSource(QUrl(HelpPageUrl(page)));
    show();
    raise();
    activateWindow();
}

QString HelpWindow::CurrentPage() const { return browser_->source().fileName(); }

}  // namespace tarnevo::app

// The help viewer: the bundled HTML pages in a browser window of their own, with
// Contents, Back and Forward.
#pragma once

#include <QWidget>

class QTextBrowser;

namespace tarnevo::app {

class HelpWindow : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpWindow)

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows a page ("getting_started.html") and brings the window to the front.
    void ShowPage(const QString& page);
    // The page on display, e.g. "getting_started.html".
    QString CurrentPage() const;

private:
    QTextBrowser* browser_ = nullptr;
};

}  // namespace tarnevo::app

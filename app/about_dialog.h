// CAboutDlg: the program icon, the version and the source of the isotopic data.
#pragma once

#include <QDialog>

namespace tarnevo::app {

class CAboutDlg : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAboutDlg)

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace tarnevo::app

#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/help_topics.h"
#include "app/toolbar_images.h"

namespace tarnevo::app {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About TARNEVO"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setProperty(kHelpPageProperty, kHelpContentsPage);

    auto* icon = new QLabel;
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    auto* text = new QVBoxLayout;
    for (const char* line :
         {"TARNEVO Version 6.01", "NOTE: This Version uses 80-bit floating point math routines,",
          "providing more accurate results for large molecules.", "",
          "Source of isotopic data:", "Pure Appl. Chem., Vol 75, pp 683-800, 2003"}) {
        text->addWidget(new QLabel(QString::fromLatin1(line)));
    }

    auto* body = new QHBoxLayout;
    body->addWidget(icon);
    body->addSpacing(12);
    body->addLayout(text);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace tarnevo::app

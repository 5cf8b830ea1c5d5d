// The TARNEVO desktop program: one application object, one main window.
#include <QApplication>
#include <clocale>
#include <memory>

#include "app/tarnevo_app.h"
#include "core/program_context.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TARNEVO"));
    // QApplication takes the user's locale for everything; numbers in results,
    // reports and dialog fields are always written with a decimal point.
    std::setlocale(LC_NUMERIC, "C");

    auto program = std::make_unique<tarnevo::core::ProgramContext>();
    tarnevo::app::CTARNEVOApp tarnevo(*program);
    if (!tarnevo.InitInstance()) return 1;
    return QApplication::exec();
}

#include <QApplication>

#include "app/form1.h"
#include "app/runtime/application.h"
#include "app/runtime/program.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvenna"));
    QGuiApplication::setDesktopFileName(QStringLiteral("orvenna"));
    // The program ends when its last form is unloaded, which a hidden main window is not.
    QApplication::setQuitOnLastWindowClosed(false);

    rt::App().ClaimSingleInstance();
    Form1 form;
    return rt::RunProgram(form);
}

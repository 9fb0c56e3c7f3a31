#include <QApplication>
#include <QFont>
#include <QFontInfo>

#include "app/form1.h"
#include "runtime/application.h"
#include "runtime/program.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvenna"));
    QGuiApplication::setDesktopFileName(QStringLiteral("orvenna"));
    // The program ends when its last form is unloaded, which a hidden main window is not.
    QApplication::setQuitOnLastWindowClosed(false);
    // Japanese text in default-font labels and boxes draws with a Japanese face.
    QFont font = QApplication::font();
    // The face the desktop's default resolves to comes first, so Latin text keeps its look.
    font.setFamilies({QFontInfo(font).family(), QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    QApplication::setFont(font);

    rt::App().ClaimSingleInstance();
    Form1 form;
    return rt::RunProgram(form);
}

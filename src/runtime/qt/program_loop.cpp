#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QSessionManager>

#include "runtime/backend.h"
#include "runtime/dispatch.h"
#include "runtime/form.h"
#include "runtime/program.h"

namespace rt {

struct Program::Host {
    QApplication app;
    Host(int& argc, char** argv) : app(argc, argv) {}
};

namespace {

// The desktop session is ending: each loaded form is asked as for any close, and a
// form that refuses cancels the log-out.
void OnSessionEnd(QSessionManager& manager) {
    // A command is still waiting for the user (a dialog or box is open): the session
    // cannot end under it without losing what the user is doing.
    if (HandlerRunning()) {
        manager.cancel();
        return;
    }
    const std::vector<Form*> forms = LoadedForms();
    for (Form* form : forms) {
        if (!manager.allowsInteraction()) break;
        Dispatch([form] { UnloadFor(*form, vbAppWindows); });
        manager.release();
        if (form->IsLoaded()) {
            manager.cancel();
            return;
        }
    }
}

}  // namespace

Program::Program(int& argc, char** argv, ProgramInfo info) : host_(std::make_unique<Host>(argc, argv)) {
    const QString id = QString::fromStdString(info.id);
    QApplication::setApplicationName(id);
    QGuiApplication::setDesktopFileName(id);
    // The program ends when its last form is unloaded, which a hidden main window is not.
    QApplication::setQuitOnLastWindowClosed(false);
    // Japanese text in default-font labels and boxes draws with a Japanese face.
    QFont font = QApplication::font();
    // The face the desktop's default resolves to comes first, so Latin text keeps its look.
    font.setFamilies({QFontInfo(font).family(), QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    QApplication::setFont(font);
    App().Introduce(std::move(info));
}

Program::~Program() = default;

namespace backend {

int RunEventLoop() {
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, qGuiApp, &OnSessionEnd, Qt::DirectConnection);
    return QGuiApplication::exec();
}

void QuitEventLoop() { QCoreApplication::exit(0); }

}  // namespace backend
}  // namespace rt

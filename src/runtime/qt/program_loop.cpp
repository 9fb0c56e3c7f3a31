#include "runtime/program.h"

#include <QGuiApplication>
#include <QSessionManager>

#include "runtime/dispatch.h"
#include "runtime/form.h"
#include "runtime/qt/form_widget.h"

namespace rt {

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
    const QList<Form*> forms = LoadedForms();
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

int RunProgram(Form& startup) {
    Dispatch([&startup] { Load(startup); });
    if (Ended()) return 0;
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, qGuiApp, &OnSessionEnd, Qt::DirectConnection);
    startup.Show();
    return QGuiApplication::exec();
}

}  // namespace rt

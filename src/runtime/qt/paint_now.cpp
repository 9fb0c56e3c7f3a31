#include "runtime/paint_now.h"

#include <QApplication>
#include <QWidget>

namespace rt {

void PaintPendingEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void RepaintWindowsNow() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) window->repaint();
    // Also sends the painted pixels on their way to the window system.
    PaintPendingEvents();
}

}  // namespace rt

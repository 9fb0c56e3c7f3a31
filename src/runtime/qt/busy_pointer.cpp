#include "runtime/busy_pointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace rt {

BusyPointer::BusyPointer(bool on) : on_(on && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    if (on_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyPointer::~BusyPointer() {
    if (on_) QGuiApplication::restoreOverrideCursor();
}

}  // namespace rt

// The busy pointer on Windows: the wait cursor while a long step runs.
#include "runtime/busy_pointer.h"

#include <windows.h>

namespace rt {

namespace {
HCURSOR previous = nullptr;
int depth = 0;
}  // namespace

BusyPointer::BusyPointer(bool on) : on_(on) {
    if (!on_) return;
    HCURSOR wait = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // the hourglass
    if (depth++ == 0) previous = wait;
}

BusyPointer::~BusyPointer() {
    if (on_ && --depth == 0) SetCursor(previous);
}

}  // namespace rt

// Painting on Windows while a handler runs: only the paint messages are taken from the
// queue; clicks and keys wait for the handler's end.
#include "runtime/paint_now.h"

#include <windows.h>

namespace rt {

namespace {

BOOL CALLBACK RepaintIfShown(HWND window, LPARAM) {
    if (IsWindowVisible(window))
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return TRUE;
}

}  // namespace

void PaintPendingEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&msg);
}

void RepaintWindowsNow() { EnumThreadWindows(GetCurrentThreadId(), RepaintIfShown, 0); }

}  // namespace rt

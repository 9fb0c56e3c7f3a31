// The notification area on Windows: the system's own Shell_NotifyIconA takes the record
// as the handler built it; the icon's mouse events come back to the window as its
// callback message, which the form's window turns into Form_MouseMove.
// The platform header names constants that windows.h makes macros: it comes first.
#include "platform/shell_notify_icon.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <set>
#include <tuple>

#include "runtime/backend.h"
#include "runtime/win32/form_events.h"
#include "runtime/win32/peers.h"

namespace rt {

namespace {

// The icons added since the shell last started: window, id and callback message.
std::set<std::tuple<HWND, UINT, UINT>>& Icons() {
    static std::set<std::tuple<HWND, UINT, UINT>> icons;
    return icons;
}

}  // namespace

namespace backend {

// The shell's taskbar window holds the notification area.
bool NotificationAreaPresent() { return FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr; }

// Every add goes to the system, which alone knows its icons: one that is there is refused,
// one that a restarted shell forgot is added again.
int32_t AddNotifyIcon(const platform::NOTIFYICONDATAA& record) {
    static_assert(sizeof(void*) == 4, "the 88-byte record holds 32-bit handles");
    auto* data = reinterpret_cast<PNOTIFYICONDATAA>(const_cast<platform::NOTIFYICONDATAA*>(&record));
    if (!::Shell_NotifyIconA(NIM_ADD, data)) return 0;
    Icons().insert({win32::ToHwnd(record.hWnd), record.uID,
                    (record.uFlags & NIF_MESSAGE) ? record.uCallbackMessage : 0});
    return 1;
}

bool NotifyIconPresent(int32_t hWnd, uint32_t uID) {
    const HWND window = win32::ToHwnd(hWnd);
    if (!IsWindow(window)) return false;  // the system removes a gone window's icons
    for (const auto& [w, id, message] : Icons())
        if (w == window && id == uID) return true;
    return false;
}

}  // namespace backend

namespace win32 {

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

void ForgetNotifyIcons(HWND hwnd) {
    std::erase_if(Icons(), [hwnd](const auto& icon) { return std::get<0>(icon) == hwnd; });
}

int16_t ButtonOfMouseMessage(UINT mouseMessage) {
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: return vbLeftButton;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK: return vbRightButton;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: return vbMiddleButton;
    default: return 0;
    }
}

std::optional<UINT> NotifyIconMouseMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // The shell sends the icon's id and the mouse message over it; a real move over the
    // window sends the pointer's place, and the pointer is then over the window.
    if (!Icons().count({hwnd, UINT(wParam), message})) return std::nullopt;
    const UINT mouseMessage = LOWORD(lParam);
    if (HIWORD(lParam) != 0 || mouseMessage < WM_MOUSEFIRST || mouseMessage > WM_MOUSELAST) return std::nullopt;
    POINT cursor{};
    if (IsWindowVisible(hwnd) && GetCursorPos(&cursor) && WindowFromPoint(cursor) == hwnd) return std::nullopt;
    return mouseMessage;
}

}  // namespace win32
}  // namespace rt

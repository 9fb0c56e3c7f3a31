// The common part of the notification-area call (platform/shell_notify_icon.h).
#include "platform/shell_notify_icon.h"

#include "runtime/backend.h"
#include "runtime/testing.h"

namespace platform {

int32_t Shell_NotifyIconA(uint32_t dwMessage, NOTIFYICONDATAA* lpData) {
    if (lpData && rt::testing::Hooks().notifyIconObserver) rt::testing::Hooks().notifyIconObserver(dwMessage, *lpData);
    if (!lpData || lpData->cbSize != sizeof(NOTIFYICONDATAA)) return 0;
    // The program only ever adds: changing or removing an icon is not served.
    if (dwMessage != NIM_ADD) return 0;
    if (!NotificationAreaAvailable()) return 0;
    // Each add goes to the backend, which refuses an icon that is there as the system
    // does: only the system knows whether a restarted shell has forgotten it.
    return rt::backend::AddNotifyIcon(*lpData);
}

bool NotificationAreaAvailable() {
    if (const auto& forTests = rt::testing::Hooks().notificationArea) return *forTests;
    return rt::backend::NotificationAreaPresent();
}

bool NotifyIconExists(int32_t hWnd, uint32_t uID) { return rt::backend::NotifyIconPresent(hWnd, uID); }

}  // namespace platform

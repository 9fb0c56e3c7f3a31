// The notification area is not part of this Windows build yet: none is reported, so the
// station command keeps the window on the screen and says so.
#include "runtime/backend.h"

namespace rt::backend {

bool NotificationAreaPresent() { return false; }

int32_t AddNotifyIcon(const platform::NOTIFYICONDATAA& record) {
    (void)record;
    return 0;
}

bool NotifyIconPresent(int32_t hWnd, uint32_t uID) {
    (void)hWnd, (void)uID;
    return false;
}

}  // namespace rt::backend

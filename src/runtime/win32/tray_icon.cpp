// The notification-area call is not part of this Windows build yet: the add is refused
// and no notification area is reported, so the station command keeps the window on the
// screen and says so.
#include "platform/shell_notify_icon.h"

namespace rt {

int32_t Shell_NotifyIconA(uint32_t dwMessage, NOTIFYICONDATAA* lpData) {
    (void)dwMessage, (void)lpData;
    return 0;
}

bool NotificationAreaAvailable() { return false; }

bool NotifyIconExists(int32_t hWnd, uint32_t uID) {
    (void)hWnd, (void)uID;
    return false;
}

}  // namespace rt

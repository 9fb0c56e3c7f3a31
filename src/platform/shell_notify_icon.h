// The notification-area call: an icon for a window, added by a record in its classic
// 88-byte form. Only the add message is served; an icon stays until its window is gone.
#pragma once

#include <cstdint>

namespace platform {

// The record, in its first and 8-bit form.
struct NOTIFYICONDATAA {
    uint32_t cbSize;
    int32_t hWnd;
    uint32_t uID;
    uint32_t uFlags;
    uint32_t uCallbackMessage;
    int32_t hIcon;
    char szTip[64];
};
static_assert(sizeof(NOTIFYICONDATAA) == 88, "the record is 88 bytes");

constexpr uint32_t NIM_ADD = 0;
constexpr uint32_t NIM_MODIFY = 1;
constexpr uint32_t NIM_DELETE = 2;
constexpr uint32_t NIF_MESSAGE = 1;
constexpr uint32_t NIF_ICON = 2;
constexpr uint32_t NIF_TIP = 4;
constexpr uint32_t WM_MOUSEMOVE = 0x200;

// NIM_ADD puts the icon (hWnd, uID) into the notification area: the icon that hIcon
// names, the tip up to its NUL. With NIF_MESSAGE and the mouse-move callback message,
// each mouse event over the icon reaches the window named by hWnd as its mouse-move
// event: Button 1 for the left button, 2 right, 4 middle; X carries the icon's mouse
// message (0x201 left press, 0x203 left double click, 0x204 right, 0x207 middle).
// Returns nonzero on success; 0 when the area is missing, the window or icon is
// unknown, the icon is already there, or the message is not NIM_ADD.
int32_t Shell_NotifyIconA(uint32_t dwMessage, NOTIFYICONDATAA* lpData);

// Whether the desktop has a notification area now.
bool NotificationAreaAvailable();

// Whether the icon (hWnd, uID) is in the notification area.
bool NotifyIconExists(int32_t hWnd, uint32_t uID);

}  // namespace platform

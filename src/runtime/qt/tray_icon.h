// The Qt side of the notification-area call: the icons behind the records.
#pragma once

#include <QSystemTrayIcon>
#include <cstdint>

namespace rt {

// The Button that an activation of the icon reports (1 left, 2 right, 4 middle, 0 none),
// and the mouse message that goes with it.
int16_t ButtonOfActivation(QSystemTrayIcon::ActivationReason reason);
uint32_t MouseMessageOfActivation(QSystemTrayIcon::ActivationReason reason);

// The Qt icon that stands for (hWnd, uID), or nullptr.
QSystemTrayIcon* NotifyIconOf(int32_t hWnd, uint32_t uID);

}  // namespace rt

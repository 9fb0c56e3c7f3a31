// The Qt side of the notification-area call: the icons behind the records.
#pragma once

#include <QSystemTrayIcon>
#include <functional>
#include <optional>

#include "platform/shell_notify_icon.h"

namespace rt {

// The Button that an activation of the icon reports (1 left, 2 right, 4 middle, 0 none),
// and the mouse message that goes with it.
int16_t ButtonOfActivation(QSystemTrayIcon::ActivationReason reason);
uint32_t MouseMessageOfActivation(QSystemTrayIcon::ActivationReason reason);

// The Qt icon that stands for (hWnd, uID), or nullptr.
QSystemTrayIcon* NotifyIconOf(int32_t hWnd, uint32_t uID);

// Tests say whether a notification area exists (the offscreen platform has none);
// std::nullopt asks the desktop again.
void SetNotificationAreaForTests(std::optional<bool> available);

// Tests see each record handed to the call, before it is served.
using NotifyIconObserver = std::function<void(uint32_t message, const NOTIFYICONDATAA& data)>;
void SetNotifyIconObserver(NotifyIconObserver observer);

}  // namespace rt

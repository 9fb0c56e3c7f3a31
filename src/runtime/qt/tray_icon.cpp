// The notification-area icons as Qt's tray icons.
#include "runtime/qt/tray_icon.h"

#include <QPointer>
#include <cstring>
#include <map>
#include <utility>

#include "platform/shell_notify_icon.h"
#include "runtime/backend.h"
#include "runtime/dispatch.h"
#include "runtime/form.h"
#include "runtime/qt/icons.h"
#include "runtime/qt/peers.h"
#include "runtime/strings.h"

namespace rt {

using platform::NIF_ICON;
using platform::NIF_MESSAGE;
using platform::NIF_TIP;
using platform::NOTIFYICONDATAA;
using platform::WM_MOUSEMOVE;

namespace {

constexpr uint32_t WM_LBUTTONDOWN = 0x201;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x203;
constexpr uint32_t WM_RBUTTONDOWN = 0x204;
constexpr uint32_t WM_MBUTTONDOWN = 0x207;

// The icons by (window, id). Each is a child of its window: it goes when the window does.
std::map<std::pair<int32_t, uint32_t>, QPointer<QSystemTrayIcon>>& Icons() {
    static std::map<std::pair<int32_t, uint32_t>, QPointer<QSystemTrayIcon>> icons;
    return icons;
}

std::u16string TipOf(const NOTIFYICONDATAA& data) {
    const void* nul = std::memchr(data.szTip, 0, sizeof data.szTip);
    const size_t length = nul ? size_t(static_cast<const char*>(nul) - data.szTip) : sizeof data.szTip;
    return FromAnsi(std::string(data.szTip, length));
}

}  // namespace

int32_t backend::AddNotifyIcon(const NOTIFYICONDATAA& data) {
    Form* form = FormFromHandle(data.hWnd);
    if (!form) return 0;
    if (NotifyIconOf(data.hWnd, data.uID)) return 0;  // the system refuses a second add
    const QIcon icon = (data.uFlags & NIF_ICON) ? IconFromHandle(data.hIcon) : QIcon();
    if (icon.isNull()) return 0;

    auto* tray = new QSystemTrayIcon(icon, &WindowOf(*form));
    tray->setObjectName(QStringLiteral("notifyIcon%1").arg(data.uID));
    if (data.uFlags & NIF_TIP) tray->setToolTip(QString::fromStdU16String(TipOf(data)));
    if ((data.uFlags & NIF_MESSAGE) && data.uCallbackMessage == WM_MOUSEMOVE) {
        const int32_t hWnd = data.hWnd;
        QObject::connect(tray, &QSystemTrayIcon::activated, tray, [hWnd](QSystemTrayIcon::ActivationReason reason) {
            const int16_t button = ButtonOfActivation(reason);
            const float x = float(MouseMessageOfActivation(reason));
            // A closed window no longer receives messages: the icon stays, but its
            // clicks reach nobody (they must not bring a closed window back).
            Dispatch([hWnd, button, x] {
                Form* target = FormFromHandle(hWnd);
                if (target && target->IsLoaded()) target->Form_MouseMove(button, 0, x, 0);
            });
        });
    }
    tray->show();
    Icons()[{data.hWnd, data.uID}] = tray;
    return 1;
}

bool backend::NotificationAreaPresent() { return QSystemTrayIcon::isSystemTrayAvailable(); }

bool backend::NotifyIconPresent(int32_t hWnd, uint32_t uID) { return NotifyIconOf(hWnd, uID) != nullptr; }

QSystemTrayIcon* NotifyIconOf(int32_t hWnd, uint32_t uID) {
    auto it = Icons().find({hWnd, uID});
    if (it == Icons().end()) return nullptr;
    if (!it->second) {
        Icons().erase(it);  // its window is gone
        return nullptr;
    }
    return it->second.data();
}

int16_t ButtonOfActivation(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick: return vbLeftButton;
    case QSystemTrayIcon::Context: return vbRightButton;
    case QSystemTrayIcon::MiddleClick: return vbMiddleButton;
    default: return 0;
    }
}

uint32_t MouseMessageOfActivation(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger: return WM_LBUTTONDOWN;
    case QSystemTrayIcon::DoubleClick: return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Context: return WM_RBUTTONDOWN;
    case QSystemTrayIcon::MiddleClick: return WM_MBUTTONDOWN;
    default: return WM_MOUSEMOVE;
    }
}

}  // namespace rt

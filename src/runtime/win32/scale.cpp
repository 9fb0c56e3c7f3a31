// Screen scale and the program's resources: logical pixels (15 twips each) to device
// pixels at the system's DPI, the icon, and the hidden owner window.
#include <cmath>

#include "runtime/win32/peers.h"

namespace rt::win32 {

namespace {

int Dpi(int axis) {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, axis) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int DpiX() {
    static const int dpi = Dpi(LOGPIXELSX);
    return dpi;
}

int DpiY() {
    static const int dpi = Dpi(LOGPIXELSY);
    return dpi;
}

}  // namespace

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

int ToDeviceX(int logical) { return MulDiv(logical, DpiX(), 96); }
int ToDeviceY(int logical) { return MulDiv(logical, DpiY(), 96); }
int ToLogicalX(int device) { return MulDiv(device, 96, DpiX()); }
int ToLogicalY(int device) { return MulDiv(device, 96, DpiY()); }
double DeviceScale() { return DpiX() / 96.0; }
double DevicePixelsPerPoint() { return DpiY() / 72.0; }

HWND HiddenOwner() {
    static HWND owner = nullptr;
    if (!owner) owner = CreateWindowExW(0, L"STATIC", L"Orvenna", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, Instance(), nullptr);
    return owner;
}

HICON ProgramIcon(bool large) {
    static HICON big = nullptr, small = nullptr;
    HICON& icon = large ? big : small;
    if (!icon) {
        const int size = GetSystemMetrics(large ? SM_CXICON : SM_CXSMICON);
        icon = static_cast<HICON>(LoadImageW(Instance(), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    }
    return icon;
}

COLORREF ToColorRef(Rgb c) { return RGB(c.r, c.g, c.b); }

}  // namespace rt::win32

namespace rt {

// The small icon: the notification area and the title bar show that size.
int32_t Form::Icon() const { return int32_t(reinterpret_cast<intptr_t>(win32::ProgramIcon(false))); }

}  // namespace rt

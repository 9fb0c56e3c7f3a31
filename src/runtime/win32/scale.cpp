// Screen scale and the program's resources: twips per pixel from the system's DPI, the
// icon, the hidden owner window and the default font.
#include <cmath>

#include "runtime/win32/backend.h"

namespace rt::win32 {

namespace {

int Dpi(int axis) {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, axis) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

double TwipsPerPixelX() {
    static const double tpp = 1440.0 / Dpi(LOGPIXELSX);
    return tpp;
}

double TwipsPerPixelY() {
    static const double tpp = 1440.0 / Dpi(LOGPIXELSY);
    return tpp;
}

int TwipsToPixelsX(double twips) { return int(std::lround(twips / TwipsPerPixelX())); }
int TwipsToPixelsY(double twips) { return int(std::lround(twips / TwipsPerPixelY())); }

HWND HiddenOwner() {
    static HWND owner = nullptr;
    if (!owner) {
        RegisterClasses();
        owner = CreateWindowExW(0, L"STATIC", L"Orvenna", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, Instance(), nullptr);
    }
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

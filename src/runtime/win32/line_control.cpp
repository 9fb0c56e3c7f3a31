// The line control on Windows: a child window as wide as the line and as high as its
// width (or the other way round), filled with its colour. Only level and upright lines
// are drawn, the only ones the program's windows have.
#include "runtime/line_control.h"

#include <algorithm>
#include <cstdlib>

#include "runtime/win32/backend.h"

namespace rt {

namespace {

// The width lies below and right of the end points (the line is drawn inside).
TwipRect BoxOf(TwipLine l, int borderWidth) {
    const double pad = borderWidth * win32::TwipsPerPixelX();
    const int across = l.y1 == l.y2 ? std::abs(l.x2 - l.x1) : int(pad);
    const int down = l.y1 == l.y2 ? int(borderWidth * win32::TwipsPerPixelY()) : std::abs(l.y2 - l.y1);
    return {std::min(l.x1, l.x2), std::min(l.y1, l.y2), across, down};
}

}  // namespace

Line::Line(Form& form, const char* name, TwipLine design, int borderWidth)
    : Control(form, name, BoxOf(design, borderWidth), nullptr),
      borderWidth_(borderWidth),
      x1_(form.TwipsToUnitsX(design.x1)),
      y1_(form.TwipsToUnitsY(design.y1)),
      x2_(form.TwipsToUnitsX(design.x2)),
      y2_(form.TwipsToUnitsY(design.y2)) {
    win32::CreateChild(*this, win32::kLineClass, 0);
    win32::PeerOf(*this).fore = win32::ToColorRef(color_);
}

void Line::SetBorderColor(Rgb color) {
    color_ = color;
    win32::PeerOf(*this).fore = win32::ToColorRef(color);
    InvalidateRect(win32::HwndOf(*this), nullptr, TRUE);
}

namespace win32 {

LRESULT CALLBACK LineProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* line = reinterpret_cast<Line*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (line && message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        HBRUSH brush = CreateSolidBrush(PeerOf(*line).fore);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (message == WM_NCHITTEST) return HTTRANSPARENT;  // clicks go through to the form
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace win32

}  // namespace rt

// The line control on Windows: a child window over the line's box, painted in the line's
// colour where the line lies (level and upright lines fill their width below or right of
// the end points; others are drawn with a pen).
#include "runtime/line_control.h"

#include <algorithm>
#include <cstdlib>

#include "runtime/win32/peers.h"

namespace rt {

Line::Line(Form& form, const char* name, TwipLine design, int borderWidth)
    : Control(form, name, BoxOf(design, borderWidth), win32::MakeChild(form, win32::kLineClass, 0)),
      borderWidth_(borderWidth),
      x1_(form.TwipsToUnitsX(design.x1)),
      y1_(form.TwipsToUnitsY(design.y1)),
      x2_(form.TwipsToUnitsX(design.x2)),
      y2_(form.TwipsToUnitsY(design.y2)) {
    win32::Attach(*this);
}

namespace win32 {

LRESULT CALLBACK LineProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* line = reinterpret_cast<Line*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCHITTEST) return HTTRANSPARENT;  // clicks go through to the form
    if (!line || message != WM_PAINT) return DefWindowProcW(hwnd, message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    const Form& form = line->Parent();
    RECT box;
    GetWindowRect(hwnd, &box);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&box), 2);
    // End points in this window's device pixels.
    const int x1 = ToDeviceX(form.UnitsToPixelsX(line->X1())) - box.left;
    const int y1 = ToDeviceY(form.UnitsToPixelsY(line->Y1())) - box.top;
    const int x2 = ToDeviceX(form.UnitsToPixelsX(line->X2())) - box.left;
    const int y2 = ToDeviceY(form.UnitsToPixelsY(line->Y2())) - box.top;
    const int w = ToDeviceY(line->BorderWidth());
    const COLORREF color = ToColorRef(line->BorderColor());
    HBRUSH brush = CreateSolidBrush(color);
    if (y1 == y2) {
        RECT r{std::min(x1, x2), y1, std::max(x1, x2), y1 + w};
        FillRect(dc, &r, brush);
    } else if (x1 == x2) {
        RECT r{x1, std::min(y1, y2), x1 + w, std::max(y1, y2)};
        FillRect(dc, &r, brush);
    } else {
        HPEN pen = CreatePen(PS_SOLID, w, color);
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, x1 + w / 2, y1 + w / 2, nullptr);
        LineTo(dc, x2 + w / 2, y2 + w / 2);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    DeleteObject(brush);
    EndPaint(hwnd, &ps);
    return 0;
}

}  // namespace win32

}  // namespace rt

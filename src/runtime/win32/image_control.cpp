// The image control on Windows: its picture drawn at its own size or stretched.
#include "runtime/image_control.h"

#include "runtime/win32/peers.h"
#include "runtime/win32/picture_data.h"

namespace rt {

Image::Image(Form& form, const char* name, TwipRect design)
    : Control(form, name, design, win32::MakeChild(form, win32::kImageClass, 0)) {
    win32::Attach(*this);
}

namespace win32 {

LRESULT CALLBACK ImageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* image = reinterpret_cast<Image*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (image && message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        if (image->Stretch())
            DrawPicture(dc, image->Picture(), 0, 0, client.right, client.bottom);
        else
            DrawPicture(dc, image->Picture(), 0, 0, -1, -1);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace win32

}  // namespace rt

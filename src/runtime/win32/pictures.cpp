// Pictures on Windows: their pixels, the pictures stored with the program, and drawing.
// Reading and writing files: picture_load.cpp and picture_save.cpp.
#include <algorithm>
#include <memory>

#include "runtime/errors.h"
#include "runtime/image_control.h"
#include "runtime/strings.h"
#include "runtime/win32/peers.h"
#include "runtime/win32/picture_data.h"

namespace rt {

// The size is known before the pixels are: a picture still being completed has it.
int Picture::PixelWidth() const { return data_ ? data_->core.image.Width() : 0; }
int Picture::PixelHeight() const { return data_ ? data_->core.image.Height() : 0; }

Picture::Data::~Data() {
    completion.reset();
    if (blended) DeleteObject(blended);
}

namespace win32 {

namespace {

BITMAPINFO TopDown(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The sRGB pixels premultiplied by alpha in a DIB section; null when the system has no
// memory for it.
HBITMAP Premultiplied(const pictures::Image& image) {
    const BITMAPINFO info = TopDown(image.Width(), image.Height());
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    auto* out = static_cast<uint32_t*>(bits);
    for (int y = 0; y < image.Height(); ++y) {
        const uint32_t* row = image.Row(y);
        for (int x = 0; x < image.Width(); ++x, ++out) {
            const uint32_t p = row[x];
            const unsigned a = pictures::AlphaOf(p);
            const auto times = [a](unsigned c) { return (c * a + 127) / 255; };
            *out = a == 255 ? p : uint32_t(a) << 24 | times(pictures::RedOf(p)) << 16 | times(pictures::GreenOf(p)) << 8 |
                                      times(pictures::BlueOf(p));
        }
    }
    return bitmap;
}

// 4-byte pixels from their own memory, without alpha: a DIB whose rows are the image's.
void DrawOpaque(HDC dc, const pictures::Image& image, int x, int y, int width, int height) {
    const BITMAPINFO info = TopDown(int(image.Stride() / 4), image.Height());
    if (width != image.Width() || height != image.Height()) {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
    }
    StretchDIBits(dc, x, y, width, height, 0, 0, image.Width(), image.Height(), image.Pixels(), &info, DIB_RGB_COLORS,
                  SRCCOPY);
}

void DrawBlended(HDC dc, HBITMAP bitmap, int sourceWidth, int sourceHeight, int x, int y, int width, int height) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, x, y, width, height, source, 0, 0, sourceWidth, sourceHeight, blend);
    SelectObject(source, old);
    DeleteDC(source);
}

}  // namespace

Picture PictureFromCore(pictures::Picture core) {
    auto data = std::make_shared<Picture::Data>();
    data->core = std::move(core);
    return Picture(std::move(data));
}

void DrawPicture(HDC dc, const Picture& picture, int x, int y, int width, int height) {
    const Picture::Data* data = picture.data();
    if (!data || data->core.image.Null()) return;
    const int w = data->core.image.Width(), h = data->core.image.Height();
    if (width < 0 || height < 0) width = w, height = h;
    if (data->completion && !data->completion->Done()) {
        // The part decoded first, at the scale the whole will have.
        const pictures::Image& early = data->early;
        if (!early.Null())
            DrawOpaque(dc, early, x, y, int(int64_t(width) * early.Width() / w), int(int64_t(height) * early.Height() / h));
        return;
    }
    const pictures::Image& srgb = data->core.Srgb();
    if (!data->screenChecked) {
        data->screenChecked = true;
        if (srgb.HasAlpha() && srgb.AnyTransparent()) data->blended = Premultiplied(srgb);
    }
    if (data->blended)
        DrawBlended(dc, data->blended, w, h, x, y, width, height);
    else
        DrawOpaque(dc, srgb, x, y, width, height);
}

namespace {

// The pane windows of this thread's windows, visible.
BOOL CALLBACK AddPaneArea(HWND hwnd, LPARAM result) {
    wchar_t name[64];
    if (!IsWindowVisible(hwnd) || !GetClassNameW(hwnd, name, 64) || std::wstring(name) != kPaneClass) return TRUE;
    // The pane's client area from its corner, clipped by each parent up to its window.
    RECT seen{};
    GetClientRect(hwnd, &seen);
    POINT corner{0, 0};
    MapWindowPoints(hwnd, nullptr, &corner, 1);
    OffsetRect(&seen, corner.x, corner.y);
    for (HWND parent = GetAncestor(hwnd, GA_PARENT); parent && parent != GetDesktopWindow();
         parent = GetAncestor(parent, GA_PARENT)) {
        RECT client{};
        GetClientRect(parent, &client);
        MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&client), 2);
        IntersectRect(&seen, &seen, &client);
        if (!(GetWindowLongW(parent, GWL_STYLE) & WS_CHILD)) break;
    }
    if (IsRectEmpty(&seen)) return TRUE;
    auto* largest = reinterpret_cast<SIZE*>(result);
    largest->cx = std::max<LONG>(largest->cx, seen.right - corner.x);
    largest->cy = std::max<LONG>(largest->cy, seen.bottom - corner.y);
    return TRUE;
}

BOOL CALLBACK AddWindowPanes(HWND top, LPARAM result) {
    EnumChildWindows(top, AddPaneArea, result);
    return TRUE;
}

}  // namespace

SIZE VisiblePaneArea() {
    SIZE largest{0, 0};
    EnumThreadWindows(GetCurrentThreadId(), AddWindowPanes, reinterpret_cast<LPARAM>(&largest));
    return largest;
}

}  // namespace win32

// The stored pictures are bitmap resources named after the file they were made from.
Picture StoredPicture(const std::u16string& name) {
    std::u16string resource;
    for (char16_t c : name) resource += c == u'.' ? u'_' : (c >= u'a' && c <= u'z' ? char16_t(c - 32) : c);
    const std::wstring id = win32::Wide(resource);
    auto bitmap = static_cast<HBITMAP>(LoadImageW(win32::Instance(), id.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) Raise(ErrInvalidPicture, name + u" (not stored with the program)");
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    pictures::Picture picture;
    try {
        pictures::Budget unbounded(int64_t(1) << 62);  // the program's own pictures
        picture.image = pictures::Image::New(int(info.bmWidth), int(info.bmHeight), false, unbounded);
    } catch (const pictures::Failure&) {
        DeleteObject(bitmap);
        Raise(ErrOutOfMemory, name);
    }
    // Into the core's pixel form: 32-bit, top-down, opaque.
    BITMAPINFO form = win32::TopDown(info.bmWidth, info.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, UINT(info.bmHeight), picture.image.Pixels(), &form, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    for (int y = 0; y < picture.image.Height(); ++y)
        for (int x = 0; x < picture.image.Width(); ++x) picture.image.Row(y)[x] |= 0xFF000000u;
    return win32::PictureFromCore(std::move(picture));
}

}  // namespace rt

// Pictures on Windows: their pixels, the pictures stored with the program, and drawing.
// Reading and writing files: picture_load.cpp and picture_save.cpp.
#include <memory>

#include "runtime/errors.h"
#include "runtime/image_control.h"
#include "runtime/strings.h"
#include "runtime/win32/peers.h"
#include "runtime/win32/picture_data.h"

namespace rt {

int Picture::PixelWidth() const { return data_ ? data_->width : 0; }
int Picture::PixelHeight() const { return data_ ? data_->height : 0; }

namespace win32 {

std::shared_ptr<Picture::Data> NewPictureData(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    auto data = std::make_shared<Picture::Data>();
    data->bitmap = bitmap;
    data->bits = static_cast<uint8_t*>(bits);
    data->width = width;
    data->height = height;
    return data;
}

void DrawPicture(HDC dc, const Picture& picture, int x, int y, int width, int height) {
    const Picture::Data* data = picture.data();
    if (!data || !data->bitmap) return;
    if (width < 0 || height < 0) width = data->width, height = data->height;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, data->bitmap);
    if (data->alpha) {
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, x, y, width, height, source, 0, 0, data->width, data->height, blend);
    } else if (width == data->width && height == data->height) {
        BitBlt(dc, x, y, width, height, source, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, x, y, width, height, source, 0, 0, data->width, data->height, SRCCOPY);
    }
    SelectObject(source, old);
    DeleteDC(source);
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
    std::shared_ptr<Picture::Data> data = win32::NewPictureData(int(info.bmWidth), int(info.bmHeight));
    if (!data) {
        DeleteObject(bitmap);
        Raise(ErrOutOfMemory, name);
    }
    // Into the program's own pixel form: 32-bit, top-down, opaque.
    BITMAPINFO form{};
    form.bmiHeader.biSize = sizeof form.bmiHeader;
    form.bmiHeader.biWidth = data->width;
    form.bmiHeader.biHeight = -data->height;
    form.bmiHeader.biPlanes = 1;
    form.bmiHeader.biBitCount = 32;
    form.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, UINT(data->height), data->bits, &form, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    for (size_t i = 3; i < data->Stride() * size_t(data->height); i += 4) data->bits[i] = 255;
    return Picture(std::move(data));
}

}  // namespace rt

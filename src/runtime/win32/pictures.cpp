// Pictures on Windows. Reading and writing picture files is not part of this backend
// yet: LoadPicture with a path and SavePicture raise a run-time error that says so.
// The empty picture and the pictures stored in the program's resources work.
#include <memory>

#include "runtime/errors.h"
#include "runtime/image_control.h"
#include "runtime/strings.h"
#include "runtime/win32/peers.h"
#include "runtime/win32/picture_data.h"

namespace rt {

int Picture::PixelWidth() const { return data_ ? data_->width : 0; }
int Picture::PixelHeight() const { return data_ ? data_->height : 0; }

Picture LoadPicture(const std::u16string& path) {
    Raise(ErrPlatformCall, UpToNul(path) + u" (this Windows build cannot read picture files yet)");
}

void SavePicture(const Picture& picture, const std::u16string& path) {
    (void)picture;
    Raise(ErrCannotWritePicture, UpToNul(path) + u" (this Windows build cannot write picture files yet)");
}

// The stored pictures are bitmap resources named after the file they were made from.
Picture StoredPicture(const std::u16string& name) {
    std::u16string resource;
    for (char16_t c : name) resource += c == u'.' ? u'_' : (c >= u'a' && c <= u'z' ? char16_t(c - 32) : c);
    const std::wstring id = win32::Wide(resource);
    auto bitmap = static_cast<HBITMAP>(
        LoadImageW(win32::Instance(), id.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) Raise(ErrInvalidPicture, name + u" (not stored with the program)");
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    return Picture(std::make_shared<const Picture::Data>(bitmap, int(info.bmWidth), int(info.bmHeight)));
}

namespace win32 {

void DrawPicture(HDC dc, const Picture& picture, int x, int y, int width, int height) {
    const Picture::Data* data = picture.data();
    if (!data || !data->bitmap) return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, data->bitmap);
    if (width < 0 || height < 0) {
        BitBlt(dc, x, y, data->width, data->height, source, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, x, y, width, height, source, 0, 0, data->width, data->height, SRCCOPY);
    }
    SelectObject(source, old);
    DeleteDC(source);
}

}  // namespace win32

}  // namespace rt

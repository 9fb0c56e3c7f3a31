// A picture on Windows: 4-byte pixels in a device-independent bitmap.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "runtime/picture.h"

namespace rt {

struct Picture::Data {
    // A top-down 32-bit DIB section: blue, green, red, alpha; premultiplied by alpha
    // when alpha is set (as the system's blending takes it), else alpha is 255.
    HBITMAP bitmap = nullptr;
    uint8_t* bits = nullptr;
    int width = 0, height = 0;
    bool alpha = false;  // some pixel is not fully opaque
    Data() = default;
    ~Data() {
        if (bitmap) DeleteObject(bitmap);
    }
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;
    size_t Stride() const { return size_t(width) * 4; }
};

namespace win32 {

// A picture of this size with room for its pixels, or nullptr when memory is short.
std::shared_ptr<Picture::Data> NewPictureData(int width, int height);

// Draws the picture with its top-left corner at (x, y), at its own size, or stretched
// to width by height when both are given (not negative).
void DrawPicture(HDC dc, const Picture& picture, int x, int y, int width, int height);

}  // namespace win32

}  // namespace rt

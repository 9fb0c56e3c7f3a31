// A picture on Windows: a device-independent bitmap and its size.
#pragma once

#include <windows.h>

#include "runtime/picture.h"

namespace rt {

struct Picture::Data {
    HBITMAP bitmap = nullptr;
    int width = 0, height = 0;
    Data(HBITMAP b, int w, int h) : bitmap(b), width(w), height(h) {}
    ~Data() {
        if (bitmap) DeleteObject(bitmap);
    }
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;
};

namespace win32 {

// Draws the picture with its top-left corner at (x, y), at its own size, or stretched
// to width by height when both are given (not negative).
void DrawPicture(HDC dc, const Picture& picture, int x, int y, int width, int height);

}  // namespace win32

}  // namespace rt

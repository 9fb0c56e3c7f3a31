// A picture on Windows: the picture core's pixels, drawn from their own memory.
#pragma once

#include <windows.h>

#include <memory>

#include "pictures/completion.h"
#include "pictures/picture.h"
#include "runtime/picture.h"

namespace rt {

struct Picture::Data {
    // As the core read it: upright, in the file's colours, with its sRGB copy and the
    // metadata a save carries. A picture made by the program has only its image.
    pictures::Picture core;
    // A large JPEG shown before it is whole: its top-left part in sRGB, and the decoding
    // of the whole, which everything but the drawing of `early` waits for. Last, so that
    // the decoding stops before the pixels it writes go away.
    pictures::Image early;
    std::unique_ptr<pictures::Completion> completion;

    Data() = default;
    ~Data();
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;

    // The screen's copy of a picture with transparent pixels: the sRGB pixels premultiplied
    // by alpha in a DIB section, as AlphaBlend takes them. Made on the first drawing;
    // null for an opaque picture, drawn straight from the core's memory.
    mutable HBITMAP blended = nullptr;
    mutable bool screenChecked = false;
};

// Waits until the picture is whole: everything that reads its pixels does.
inline const Picture::Data* WholeData(const Picture& picture) {
    const Picture::Data* data = picture.data();
    if (data && data->completion) data->completion->Wait();
    return data;
}

namespace win32 {

// A picture over the core's pixels.
Picture PictureFromCore(pictures::Picture core);

// The visible part of the largest pane, in pixels, for a picture read part first.
SIZE VisiblePaneArea();

// Draws the picture with its top-left corner at (x, y), at its own size, or stretched
// to width by height when both are given (not negative). A picture still being
// completed draws the part that is done.
void DrawPicture(HDC dc, const Picture& picture, int x, int y, int width, int height);

}  // namespace win32

}  // namespace rt

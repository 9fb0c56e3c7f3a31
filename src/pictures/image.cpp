#include "pictures/image.h"

#include <cstring>
#include <new>

namespace pictures {

Image Image::New(int width, int height, bool alpha, Budget& budget) {
    if (width <= 0 || height <= 0) Fail(Failure::NoSize);
    budget.Take(double(width) * height * 4);
    Image image;
    try {
        // Not cleared: every reader writes each pixel, and clearing a large picture costs
        // as much as a fast decoder's whole pass.
        std::shared_ptr<uint32_t[]> pixels(new uint32_t[size_t(width) * size_t(height)]);
        image.pixels_ = pixels.get();
        image.owner_ = std::move(pixels);
    } catch (const std::bad_alloc&) {
        Fail(Failure::OutOfMemory);
    }
    image.width_ = width;
    image.height_ = height;
    image.stride_ = ptrdiff_t(width) * 4;
    image.alpha_ = alpha;
    return image;
}

Image Image::Adopt(uint32_t* pixels, int width, int height, ptrdiff_t stride, bool alpha, std::shared_ptr<void> owner) {
    Image image;
    image.pixels_ = pixels;
    image.width_ = width;
    image.height_ = height;
    image.stride_ = stride;
    image.alpha_ = alpha;
    image.owner_ = std::move(owner);
    return image;
}

Image Image::Clone(Budget& budget) const {
    if (Null()) return {};
    Image copy = New(width_, height_, alpha_, budget);
    for (int y = 0; y < height_; ++y) std::memcpy(copy.Row(y), Row(y), size_t(width_) * 4);
    copy.dotsPerMeterX = dotsPerMeterX;
    copy.dotsPerMeterY = dotsPerMeterY;
    return copy;
}

bool Image::AnyTransparent() const {
    for (int y = 0; y < height_; ++y) {
        const uint32_t* row = Row(y);
        for (int x = 0; x < width_; ++x)
            if (AlphaOf(row[x]) != 255) return true;
    }
    return false;
}

Image Oriented(const Image& image, int orientation, Budget& budget) {
    if (orientation < 2 || orientation > 8 || image.Null()) return image;
    // Orientations 5 to 8 swap width and height. Each maps an upright pixel (x, y) to the
    // stored one; 2 mirrors left-right, 3 turns half, 4 mirrors top-bottom, 5 transposes,
    // 6 needs a quarter turn clockwise, 7 transverses, 8 a quarter turn anticlockwise.
    const bool swap = orientation >= 5;
    const int w = swap ? image.Height() : image.Width(), h = swap ? image.Width() : image.Height();
    const int sw = image.Width(), sh = image.Height();
    Image out = Image::New(w, h, image.HasAlpha(), budget);
    out.dotsPerMeterX = swap ? image.dotsPerMeterY : image.dotsPerMeterX;
    out.dotsPerMeterY = swap ? image.dotsPerMeterX : image.dotsPerMeterY;
    for (int y = 0; y < h; ++y) {
        uint32_t* row = out.Row(y);
        for (int x = 0; x < w; ++x) {
            int sx = x, sy = y;
            switch (orientation) {
            case 2: sx = sw - 1 - x; break;
            case 3: sx = sw - 1 - x; sy = sh - 1 - y; break;
            case 4: sy = sh - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = sh - 1 - x; break;
            case 7: sx = sw - 1 - y; sy = sh - 1 - x; break;
            case 8: sx = sw - 1 - y; sy = x; break;
            }
            row[x] = image.Pixel(sx, sy);
        }
    }
    return out;
}

}  // namespace pictures

// The picture core's pixels: 4 bytes a pixel, 0xAARRGGBB in a 32-bit word (B, G, R, A in
// memory on the little-endian machines we run on), alpha not premultiplied; a picture
// without alpha has 0xFF there. Both screens take this layout as it is: Qt paints it as
// an ARGB32/RGB32 image over the same memory, Windows as a 32-bit DIB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "pictures/budget.h"

namespace pictures {

constexpr uint32_t Argb(unsigned r, unsigned g, unsigned b, unsigned a = 255) {
    return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}
constexpr unsigned RedOf(uint32_t p) { return (p >> 16) & 0xFF; }
constexpr unsigned GreenOf(uint32_t p) { return (p >> 8) & 0xFF; }
constexpr unsigned BlueOf(uint32_t p) { return p & 0xFF; }
constexpr unsigned AlphaOf(uint32_t p) { return p >> 24; }

// A sample of 2 to 16 bits as 8 bits, scaled and rounded: a plain shift would darken and
// band the picture (1023 must become 255, 512 must become 128).
constexpr uint8_t To8Bits(unsigned value, int bits) {
    const unsigned max = (1u << bits) - 1;
    return uint8_t(((value < max ? value : max) * 255u + max / 2) / max);
}

// A handle on shared pixels: copies share them (Clone makes a copy of its own).
class Image {
public:
    Image() = default;
    // A picture of this size whose pixels the caller must all write; its bytes are taken
    // from the budget first. Fails as too large past the budget, out of memory when the
    // system refuses.
    static Image New(int width, int height, bool alpha, Budget& budget);
    // Pixels that live elsewhere (stride bytes a row, a multiple of 4), kept alive by owner.
    static Image Adopt(uint32_t* pixels, int width, int height, ptrdiff_t stride, bool alpha,
                       std::shared_ptr<void> owner);

    bool Null() const { return !pixels_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool HasAlpha() const { return alpha_; }
    void SetHasAlpha(bool alpha) { alpha_ = alpha; }
    ptrdiff_t Stride() const { return stride_; }  // bytes from one row to the next
    int64_t Bytes() const { return int64_t(stride_) * height_; }

    uint32_t* Row(int y) { return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(pixels_) + stride_ * y); }
    const uint32_t* Row(int y) const {
        return reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels_) + stride_ * y);
    }
    uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
    uint32_t* Pixels() { return pixels_; }
    const uint32_t* Pixels() const { return pixels_; }
    // What keeps the pixels alive, for wrapping them without a copy.
    const std::shared_ptr<void>& Owner() const { return owner_; }

    Image Clone(Budget& budget) const;
    // Whether any pixel is not fully opaque.
    bool AnyTransparent() const;

    // Resolution as the file gave it; 0 when it gave none.
    int dotsPerMeterX = 0, dotsPerMeterY = 0;

private:
    uint32_t* pixels_ = nullptr;
    int width_ = 0, height_ = 0;
    ptrdiff_t stride_ = 0;
    bool alpha_ = false;
    std::shared_ptr<void> owner_;
};

// The picture turned and mirrored upright as an EXIF orientation (1 upright to 8) asks;
// the same picture for 1 or a value out of range.
Image Oriented(const Image& image, int orientation, Budget& budget);

}  // namespace pictures

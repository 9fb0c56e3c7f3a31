// Decoded samples, 8 or up to 16 bits, brought to the core's 8-bit sRGB pixels: as they
// are when they are sRGB, through Little CMS from the file's profile or primaries when
// not, tone-mapped first when HDR. Conversions work on the deep samples, before rounding.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pictures/budget.h"
#include "pictures/colour/space.h"
#include "pictures/image.h"

namespace pictures {

// R, G, B (and alpha, with 4 channels) interleaved as a decoder gives them: 1 byte a
// sample, or 2 in the machine's order holding `bits` significant bits (9 to 16).
struct Samples {
    const void* data = nullptr;
    ptrdiff_t stride = 0;  // bytes from one row to the next
    int width = 0, height = 0;
    int channels = 3;
    int bytes = 1;
    int bits = 8;

    const uint8_t* Row(int y) const { return static_cast<const uint8_t*>(data) + stride * y; }
};

// Every pixel of out (the samples' size) from the samples, in sRGB. A profile Little CMS
// cannot use leaves the samples as they are, as if sRGB.
void SamplesToSrgb(const Samples& samples, const ColourSpace& space, Image& out, Budget& budget);

// 8-bit pixels in an SDR colour space converted to sRGB where they are.
void ConvertToSrgbInPlace(Image& image, const ColourSpace& space);

}  // namespace pictures

// TIFF samples to pixels: rows of a strip or tile unpacked from 1 to 16 bits (or floating
// point) into 16-bit values, then turned into 8-bit RGBA from grey, palette, RGB, CMYK or
// CIE Lab, with alpha straight.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictures::tiff {

enum class Colours { Grey, GreyInverted, Palette, Rgb, Cmyk, Lab, IccLab };

struct Layout {
    Colours colours = Colours::Grey;
    int bits = 8;            // 1 to 16, or 16, 32 or 64 for floating-point samples
    bool floating = false;   // samples are IEEE floating point, 0 to 1
    int samples = 1;         // a pixel's samples in the file
    int alpha = -1;          // the sample that is alpha, -1 when none
    bool associated = false;  // colours multiplied by alpha in the file
    double white[2] = {0.3457, 0.3585};  // Lab's white point (CIE x, y), D50 unless told

    int ColourSamples() const;
    // The values a pixel is unpacked into: its colour samples, then alpha when it has one.
    int Values() const { return ColourSamples() + (alpha >= 0); }
    // The sample of the file each value comes from.
    int SampleOf(int value) const { return value < ColourSamples() ? value : alpha; }
};

// `count` samples of a row, every `step`-th one starting at sample `first`, unpacked into
// out[0], out[outStep], ...: integer samples as stored (bit-packed, most significant bit
// first, 16-bit ones in the machine's order as libtiff leaves them), floating-point ones
// as 0 to 65535. The row must have 3 readable bytes past its last sample.
void Unpack(const uint8_t* row, const Layout& layout, size_t first, size_t step, int count, uint16_t* out,
            size_t outStep);

// Whether Convert8 can read rows of this layout (its samples side by side): 8-bit grey or
// RGB, with or without alpha.
bool Fits8Bits(const Layout& layout);

// count pixels of an 8-bit grey or RGB row straight into 0xAARRGGBB pixels, the same ones
// Unpack and PixelConverter give, without going through 16-bit values.
void Convert8(const uint8_t* row, const Layout& layout, int count, uint32_t* out);

// Turns unpacked values into pixels. Colour conversions go through lcms2: CMYK through the
// file's CMYK profile when it has one (else ink by ink), Lab to sRGB.
class PixelConverter {
public:
    // palette: red, green and blue, 2^bits 16-bit entries each (Palette only); it must
    // outlive the converter.
    PixelConverter(const Layout& layout, const std::vector<uint16_t>& palette, const std::string& cmykProfile);
    ~PixelConverter();
    PixelConverter(const PixelConverter&) = delete;
    PixelConverter& operator=(const PixelConverter&) = delete;

    // count pixels from values (Values() a pixel) into 0xAARRGGBB pixels; the values are
    // changed on the way.
    void Convert(uint16_t* values, int count, uint32_t* out);

private:
    uint16_t Scaled(uint16_t value) const;
    void Transformed(const uint16_t* values, int count, uint32_t* out);

    Layout layout_;
    const std::vector<uint16_t>& palette_;
    void* transform_ = nullptr;  // lcms2's, for CMYK with a profile and for Lab
    std::vector<double> lab_;    // a row of Lab values for lcms2
};

}  // namespace pictures::tiff

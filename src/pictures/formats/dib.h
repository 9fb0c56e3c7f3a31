// Device-independent bitmaps: the info header and pixel rows that BMP files and the
// pictures inside icons share. The header comes in OS/2 and Windows shapes of several
// sizes; the pixels are palette indexes, bit fields or run-length codes.
#pragma once

#include <array>
#include <cstdint>

#include "pictures/budget.h"
#include "pictures/bytes.h"
#include "pictures/image.h"

namespace pictures::dib {

enum class Coding { Rgb, Rle8, Rle4, Rle24, Bitfields, Jpeg, Png, Huffman };

struct Header {
    uint32_t size = 0;             // bytes of the info header
    bool core = false;             // the OS/2 1.x shape: 16-bit sizes, 3-byte palette entries
    int64_t width = 0, height = 0;  // height as stored: rows bottom up unless topDown
    bool topDown = false;
    int bits = 0;
    Coding coding = Coding::Rgb;
    std::array<uint32_t, 4> masks{};  // red, green, blue, alpha; zero alpha: opaque
    bool alphaMask = false;           // masks[3] is the file's (or the 32-bit default)
    uint32_t imageBytes = 0;          // the header's size of the pixel data; often 0
    uint32_t paletteStored = 0;       // entries written after the header
    size_t paletteAt = 0;             // from the header's start: after it and any masks
    int32_t dotsPerMeterX = 0, dotsPerMeterY = 0;
    uint32_t colourSpace = 0, profileAt = 0, profileBytes = 0;  // v5: 'MBED' with a profile
    int PaletteEntrySize() const { return core ? 3 : 4; }
};

// The info header at the start of dib. Fails as damaged for a shape or coding it cannot
// read, cut short when the bytes end inside it.
Header ReadHeader(Bytes dib);

// Bytes one row of pixels takes, padded to 4 bytes.
uint64_t Stride(const Header& header);

// The 256 colours indexes look up: the file's entries (at most `entries`, opaque), and
// past them its first entry, or black when it has none.
std::array<uint32_t, 256> ReadPalette(const Header& header, Bytes palette, uint32_t entries);

// `height` rows (the header's own height may count an icon's mask too) from bits, every
// pixel from the file: rows cut short fail as truncated. Run-length pictures start
// transparent, so what their codes skip stays so. Alpha is as the bit fields give it.
Image Decode(const Header& header, const std::array<uint32_t, 256>& palette, Bytes bits, int height,
             Budget& budget);

// Whether every pixel's alpha is zero: 32-bit pictures that leave the fourth byte unused.
bool AlphaAllZero(const Image& image);
// Makes every pixel opaque.
void MakeOpaque(Image& image);

}  // namespace pictures::dib

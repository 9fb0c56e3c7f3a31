#include "pictures/formats/dib.h"

#include <algorithm>
#include <cstring>

namespace pictures::dib {

namespace {

// The compression field's values; OS/2 2.x headers give 3 and 4 other meanings.
enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kJpeg = 4, kPng = 5, kAlphaBitfields = 6 };

bool IsOs2Second(uint32_t size) { return size >= 16 && size <= 64 && size != 40 && size != 52 && size != 56; }

// One colour channel of a bit-field pixel: where its bits are and how many.
struct Channel {
    uint32_t mask = 0;
    int shift = 0, bits = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        for (uint64_t rest = uint64_t(m) >> shift; rest & 1; rest >>= 1) ++bits;
    }
    // The channel of pixel p as 8 bits, scaled with rounding so that a full channel of
    // any width is 255; `none` when the mask is empty.
    uint8_t Of(uint32_t p, uint8_t none) const {
        if (!bits) return none;
        const uint64_t v = (p & mask) >> shift;
        if (bits == 8) return uint8_t(v);
        const uint64_t max = (uint64_t(1) << bits) - 1;
        return uint8_t((v * 255 + max / 2) / max);
    }
};

void CheckMasks(const Header& h) {
    for (const uint32_t m : h.masks) {
        const uint64_t shifted = m ? uint64_t(m) >> Channel(m).shift : 0;
        if (shifted & (shifted + 1)) Fail(Failure::Damaged, u"its colour masks have gaps");
    }
}

Coding CodingOf(uint32_t value, bool os2) {
    switch (value) {
    case kRgb: return Coding::Rgb;
    case kRle8: return Coding::Rle8;
    case kRle4: return Coding::Rle4;
    case kBitfields: return os2 ? Coding::Huffman : Coding::Bitfields;
    case kJpeg: return os2 ? Coding::Rle24 : Coding::Jpeg;
    case kPng: return Coding::Png;
    case kAlphaBitfields: return Coding::Bitfields;
    }
    Fail(Failure::Damaged, u"its compression is of an unknown kind");
}

void CheckDepth(const Header& h) {
    if (h.coding == Coding::Jpeg) Fail(Failure::Damaged, u"a BMP holding a JPEG picture is not read");
    if (h.coding == Coding::Png) Fail(Failure::Damaged, u"a BMP holding a PNG picture is not read");
    if (h.coding == Coding::Huffman) Fail(Failure::Damaged, u"Huffman-coded bitmaps are not read");
    const int b = h.bits;
    if (b != 1 && b != 2 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32)
        Fail(Failure::Damaged, u"its bits per pixel are not 1, 2, 4, 8, 16, 24 or 32");
    const bool fits = h.coding == Coding::Rle8   ? b == 8
                      : h.coding == Coding::Rle4 ? b == 4
                      : h.coding == Coding::Rle24 ? b == 24
                      : h.coding == Coding::Bitfields ? b >= 16
                                                       : true;
    if (!fits) Fail(Failure::Damaged, u"its compression does not fit its bits per pixel");
}

// Without bit fields 16-bit pixels are 5-5-5 and 32-bit ones 8-8-8 with a fourth byte
// that may be alpha (see AlphaAllZero).
void SetDefaultMasks(Header& h) {
    if (h.bits == 16) h.masks = {0x7C00, 0x03E0, 0x001F, 0};
    if (h.bits == 32) h.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, h.alphaMask = true;
}

}  // namespace

Header ReadHeader(Bytes dib) {
    Header h;
    h.size = dib.U32LE(0);
    if (h.size < 12 || (h.size > 12 && h.size < 16)) Fail(Failure::Damaged, u"its header is of an unknown size");
    if (!dib.Has(0, h.size)) Fail(Failure::Truncated);
    h.paletteAt = h.size;
    if (h.size == 12) {
        h.core = true;
        h.width = dib.U16LE(4);
        h.height = dib.U16LE(6);
        h.bits = dib.U16LE(10);
        h.paletteStored = h.bits <= 8 ? 1u << h.bits : 0;
        CheckDepth(h);
        SetDefaultMasks(h);
        return h;
    }
    // Fields past a short header's end are zero.
    const auto u32 = [&](size_t at) { return at + 4 <= h.size ? dib.U32LE(at) : 0u; };
    const bool os2 = IsOs2Second(h.size);
    h.width = int32_t(u32(4));
    const int64_t height = int32_t(u32(8));
    h.topDown = height < 0;
    h.height = height < 0 ? -height : height;
    h.bits = dib.U16LE(14);
    const uint32_t compression = u32(16);
    h.coding = CodingOf(compression, os2);
    h.imageBytes = u32(20);
    h.dotsPerMeterX = int32_t(u32(24));
    h.dotsPerMeterY = int32_t(u32(28));
    const uint32_t used = u32(32);
    h.paletteStored = used ? used : h.bits <= 8 ? 1u << h.bits : 0;
    CheckDepth(h);

    SetDefaultMasks(h);
    if (h.coding == Coding::Bitfields) {
        // A 40-byte header is followed by its masks; longer ones hold them.
        const bool alpha = compression == kAlphaBitfields || h.size >= 56;
        for (int c = 0; c < (alpha ? 4 : 3); ++c) h.masks[size_t(c)] = dib.U32LE(40 + 4 * size_t(c));
        if (!alpha) h.masks[3] = 0;
        h.alphaMask = h.masks[3] != 0;
        h.paletteAt = std::max<size_t>(h.size, 40 + (alpha ? 16 : 12));
        CheckMasks(h);
    }
    if (h.size >= 124) {
        h.colourSpace = u32(56);
        h.profileAt = u32(112);
        h.profileBytes = u32(116);
    }
    return h;
}

uint64_t Stride(const Header& h) { return (uint64_t(h.width) * uint64_t(h.bits) + 31) / 32 * 4; }

std::array<uint32_t, 256> ReadPalette(const Header& h, Bytes palette, uint32_t entries) {
    std::array<uint32_t, 256> colours;
    const size_t n = std::min<size_t>({entries, 256, palette.size / size_t(h.PaletteEntrySize())});
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* e = palette.data + i * size_t(h.PaletteEntrySize());
        colours[i] = Argb(e[2], e[1], e[0]);
    }
    std::fill(colours.begin() + ptrdiff_t(n), colours.end(), n ? colours[0] : Argb(0, 0, 0));
    return colours;
}

namespace {

Image DecodeRows(const Header& h, const std::array<uint32_t, 256>& palette, Bytes bits, int height,
                 Budget& budget) {
    const int width = int(h.width);
    const uint64_t stride = Stride(h), rowBytes = (uint64_t(width) * uint64_t(h.bits) + 7) / 8;
    if (bits.size < rowBytes || uint64_t(height - 1) > (bits.size - rowBytes) / stride) Fail(Failure::Truncated);
    Image image = Image::New(width, height, h.alphaMask, budget);
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
    const bool plain32 = h.bits == 32 && h.masks == std::array<uint32_t, 4>{0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    const unsigned indexMask = h.bits <= 8 ? (1u << h.bits) - 1 : 0;
    for (int r = 0; r < height; ++r) {
        const uint8_t* s = bits.data + size_t(r) * stride;
        uint32_t* out = image.Row(h.topDown ? r : height - 1 - r);
        switch (h.bits) {
        case 1:
        case 2:
        case 4:
        case 8:
            for (int x = 0; x < width; ++x) {
                const size_t bit = size_t(x) * size_t(h.bits);
                out[x] = palette[(s[bit >> 3] >> (8 - h.bits - (bit & 7))) & indexMask];
            }
            break;
        case 24:
            if (h.coding != Coding::Bitfields) {
                for (int x = 0; x < width; ++x, s += 3) out[x] = Argb(s[2], s[1], s[0]);
                break;
            }
            [[fallthrough]];
        default: {
            const int n = h.bits / 8;
            for (int x = 0; x < width; ++x, s += n) {
                uint32_t p = 0;
                for (int i = 0; i < n; ++i) p |= uint32_t(s[i]) << (8 * i);
                out[x] = plain32 ? p
                                 : Argb(red.Of(p, 0), green.Of(p, 0), blue.Of(p, 0), alpha.Of(p, 255));
            }
        }
        }
    }
    return image;
}

// Run-length codes: a count and what to repeat, or an escape (0) followed by end of line
// (0), end of picture (1), a move right and up (2), or a count of pixels spelled out.
Image DecodeRuns(const Header& h, const std::array<uint32_t, 256>& palette, Bytes bits, int height,
                 Budget& budget) {
    const int width = int(h.width);
    Image image = Image::New(width, height, true, budget);
    for (int y = 0; y < height; ++y) std::memset(image.Row(y), 0, size_t(width) * 4);
    const uint8_t* d = bits.data;
    const size_t end = bits.size;
    size_t at = 0;
    int64_t x = 0, y = 0;  // y counts rows in the order they are stored
    const auto put = [&](uint32_t colour) {
        if (x < width) image.Row(h.topDown ? int(y) : height - 1 - int(y))[x] = colour;
        ++x;
    };
    const auto bgr = [&](size_t i) { return Argb(d[i + 2], d[i + 1], d[i]); };
    while (y < height) {
        if (end - at < 2) {
            if (y == height - 1 && x >= width) break;  // whole, only the end code missing
            Fail(Failure::Truncated);
        }
        const unsigned n = d[at], v = d[at + 1];
        at += 2;
        if (n > 0) {
            if (h.coding == Coding::Rle24) {
                if (end - at < 2) Fail(Failure::Truncated);
                const uint32_t colour = bgr(at - 1);
                at += 2;
                for (unsigned i = 0; i < n; ++i) put(colour);
            } else if (h.coding == Coding::Rle8) {
                for (unsigned i = 0; i < n; ++i) put(palette[v]);
            } else {
                for (unsigned i = 0; i < n; ++i) put(palette[i & 1 ? v & 15 : v >> 4]);
            }
            continue;
        }
        if (v == 0) {
            x = 0;
            ++y;
        } else if (v == 1) {
            break;
        } else if (v == 2) {
            if (end - at < 2) Fail(Failure::Truncated);
            x += d[at];
            y += d[at + 1];
            at += 2;
        } else {
            const size_t bytes = h.coding == Coding::Rle24 ? size_t(v) * 3 : h.coding == Coding::Rle8 ? v : (v + 1) / 2;
            if (end - at < bytes) Fail(Failure::Truncated);
            for (unsigned i = 0; i < v; ++i) {
                if (h.coding == Coding::Rle24) put(bgr(at + 3 * i));
                else if (h.coding == Coding::Rle8) put(palette[d[at + i]]);
                else put(palette[i & 1 ? d[at + i / 2] & 15 : d[at + i / 2] >> 4]);
            }
            at += std::min(end - at, bytes + (bytes & 1));  // spelled-out runs end on an even byte
        }
    }
    image.SetHasAlpha(image.AnyTransparent());
    return image;
}

}  // namespace

Image Decode(const Header& h, const std::array<uint32_t, 256>& palette, Bytes bits, int height, Budget& budget) {
    if (h.coding == Coding::Rle8 || h.coding == Coding::Rle4 || h.coding == Coding::Rle24)
        return DecodeRuns(h, palette, bits, height, budget);
    return DecodeRows(h, palette, bits, height, budget);
}

bool AlphaAllZero(const Image& image) {
    for (int y = 0; y < image.Height(); ++y) {
        const uint32_t* row = image.Row(y);
        for (int x = 0; x < image.Width(); ++x)
            if (AlphaOf(row[x])) return false;
    }
    return true;
}

void MakeOpaque(Image& image) {
    for (int y = 0; y < image.Height(); ++y) {
        uint32_t* row = image.Row(y);
        for (int x = 0; x < image.Width(); ++x) row[x] |= 0xFF000000u;
    }
    image.SetHasAlpha(false);
}

}  // namespace pictures::dib

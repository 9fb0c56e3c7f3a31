#include "pictures/formats/tiff_directory.h"

#include <algorithm>
#include <cmath>

namespace pictures::tiff {

namespace {

// What libtiff keeps for each entry besides its values: the entry as read, its own
// record, and the allocator's overhead.
constexpr uint64_t kEntryBytes = 128;

// Numbers in the file's byte order; every read checked against the end.
struct Reader {
    Bytes file;
    bool bigEndian;
    uint16_t U16(uint64_t at) const { return bigEndian ? file.U16BE(Fit(at)) : file.U16LE(Fit(at)); }
    uint32_t U32(uint64_t at) const { return bigEndian ? file.U32BE(Fit(at)) : file.U32LE(Fit(at)); }
    uint64_t U64(uint64_t at) const {
        const uint64_t a = U32(at), b = U32(at + 4);
        return bigEndian ? a << 32 | b : b << 32 | a;
    }
    static size_t Fit(uint64_t at) { return at < SIZE_MAX ? size_t(at) : SIZE_MAX; }
};

uint64_t TypeSize(uint16_t type) {
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;   // BYTE, ASCII, SBYTE, UNDEFINED
    case 3: case 8: return 2;                   // SHORT, SSHORT
    case 4: case 9: case 11: case 13: return 4;  // LONG, SLONG, FLOAT, IFD
    case 5: case 10: case 12: case 16: case 17: case 18: return 8;  // RATIONAL, DOUBLE, LONG8, IFD8
    default: return 0;                          // libtiff skips entries of unknown types
    }
}

// The first value of an integer entry whose value or values start at `at`.
uint64_t FirstValue(const Reader& r, uint16_t type, uint64_t at) {
    switch (TypeSize(type)) {
    case 1: return r.file.U8(Reader::Fit(at));
    case 2: return r.U16(at);
    case 4: return r.U32(at);
    case 8: return r.U64(at);
    default: return 0;
    }
}

bool StripOrTileArray(uint16_t tag) { return tag == 273 || tag == 279 || tag == 324 || tag == 325; }

}  // namespace

double Directory::Chunks() const {
    const double w = double(width), h = double(height);
    const double planes = Separate() ? double(samples) : 1;
    if (Tiled())
        return std::ceil(w / double(std::max<uint64_t>(tileWidth, 1))) *
               std::ceil(h / double(std::max<uint64_t>(tileHeight, 1))) * planes;
    return std::ceil(h / double(std::clamp<uint64_t>(rowsPerStrip, 1, std::max<uint64_t>(height, 1)))) * planes;
}

Directory ReadFirstDirectory(Bytes file) {
    if (file.size < 8) Fail(Failure::Truncated);
    const Reader r{file, file.data[0] == 'M'};
    const bool big = r.U16(2) == 43;
    const uint64_t entrySize = big ? 20 : 12, inlineBytes = big ? 8 : 4;
    const uint64_t at = big ? r.U64(8) : r.U32(4);
    const uint64_t count = big ? r.U64(at) : r.U16(at);
    const uint64_t first = at + (big ? 8 : 2);
    if (!file.Has(first, count * entrySize) || count > file.size) Fail(Failure::Truncated);

    Directory d;
    d.tagBytes = count * kEntryBytes;
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t e = first + i * entrySize;
        const uint16_t tag = r.U16(e), type = r.U16(e + 2);
        const uint64_t n = big ? r.U64(e + 4) : r.U32(e + 4);
        const uint64_t size = TypeSize(type);
        const bool outside = size > 0 && n > inlineBytes / size;
        const uint64_t valueAt = outside ? (big ? r.U64(e + 12) : r.U32(e + 8)) : e + (big ? 12 : 8);
        if (outside && !StripOrTileArray(tag))
            // libtiff reads a value into a buffer of its own and may copy it once more; it
            // reads none larger than the file.
            d.tagBytes += 2 * std::min<uint64_t>(n < UINT64_MAX / size ? n * size : UINT64_MAX, file.size);
        if (tag == 279 || tag == 325) d.byteCounts = true;
        if (n == 0 || size == 0) continue;
        uint64_t* field = nullptr;
        switch (tag) {
        case 256: field = &d.width; break;
        case 257: field = &d.height; break;
        case 258: field = &d.bits; break;
        case 259: field = &d.compression; break;
        case 262: field = &d.photometric; break;
        case 277: field = &d.samples; break;
        case 278: field = &d.rowsPerStrip; break;
        case 284: field = &d.planar; break;
        case 322: field = &d.tileWidth; break;
        case 323: field = &d.tileHeight; break;
        default: break;
        }
        if (field) *field = FirstValue(r, type, valueAt);
    }
    return d;
}

}  // namespace pictures::tiff

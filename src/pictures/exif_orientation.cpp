#include "pictures/exif_orientation.h"

namespace pictures {

int ExifOrientation(Bytes exif) {
    if (exif.StartsWith(std::string_view("Exif\0\0", 6))) exif = exif.Sub(6);
    if (!exif.Has(0, 8)) return 1;
    const bool little = exif.StartsWith("II");
    if (!little && !exif.StartsWith("MM")) return 1;
    const auto u16 = [&](uint64_t at) { return little ? exif.U16LE(at) : exif.U16BE(at); };
    const auto u32 = [&](uint64_t at) { return little ? exif.U32LE(at) : exif.U32BE(at); };
    if (u16(2) != 42) return 1;
    const uint64_t directory = u32(4);
    if (!exif.Has(directory, 2)) return 1;
    const unsigned entries = u16(directory);
    constexpr unsigned kShort = 3;
    for (unsigned i = 0; i < entries; ++i) {
        const uint64_t entry = directory + 2 + uint64_t(i) * 12;
        if (!exif.Has(entry, 12)) return 1;
        if (u16(entry) != 0x0112) continue;
        // One SHORT fits in the entry's value field, first in it whatever the byte order.
        const unsigned value = u16(entry + 8);
        return u16(entry + 2) == kShort && u32(entry + 4) >= 1 && value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

}  // namespace pictures

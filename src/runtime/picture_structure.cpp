#include "runtime/picture_structure.h"

namespace rt {

bool GifFirstFrameComplete(std::string_view d) {
    const auto at = [&](uint64_t i) { return i < d.size() ? int(uint8_t(d[i])) : -1; };
    // Skips data sub-blocks from i; returns the index after their zero terminator, or 0.
    const auto skipSubBlocks = [&](uint64_t i) -> uint64_t {
        for (int len = at(i); len > 0; len = at(i)) i += 1 + uint64_t(len);
        return at(i) == 0 ? i + 1 : 0;
    };
    if (d.size() < 13) return false;
    uint64_t i = 13;
    if (at(10) & 0x80) i += 3 * (2u << (at(10) & 7));  // global colour table
    while (i > 0 && i < d.size()) {
        const int block = at(i);
        if (block == 0x21) {  // extension: label, then sub-blocks
            i = skipSubBlocks(i + 2);
        } else if (block == 0x2C) {  // image: descriptor, local colour table, code size, data
            const int flags = at(i + 9);
            if (flags < 0) return false;
            i += 10;
            if (flags & 0x80) i += 3 * (2u << (flags & 7));
            return skipSubBlocks(i + 1) > 0;
        } else {
            return false;  // the end mark or anything else before a first frame
        }
    }
    return false;
}

bool PngChunkRunsPastEnd(uint64_t size, const ReadAt& read) {
    // After the signature, each chunk: a 4-byte big-endian length, the type, the data, a CRC.
    for (uint64_t at = 8; at + 8 <= size;) {
        const std::string head = read(at, 8);
        if (head.size() < 8) return true;
        const auto byte = [&](int i) { return uint64_t(uint8_t(head[size_t(i)])); };
        const uint64_t length = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
        if (at + 12 + length > size) return true;
        if (head.compare(4, 4, "IEND") == 0) return false;
        at += 12 + length;
    }
    return false;
}

}  // namespace rt

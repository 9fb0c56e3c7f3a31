// Walking a GIF file's blocks without decoding them. Header-only: the Windows program
// checks files with it before its own decoder reads them.
#pragma once

#include <cstdint>

#include "pictures/bytes.h"

namespace pictures {

// Whether a GIF file's bytes hold its whole first frame: the blocks up to and including
// that frame's image data are all there. Only the first frame is shown, and files with
// bytes after the end, or without the end mark, are common and fine.
inline bool GifFirstFrameComplete(Bytes d) {
    const auto at = [&](uint64_t i) { return i < d.size ? int(d.data[i]) : -1; };
    // Skips data sub-blocks from i; returns the index after their zero terminator, or 0.
    const auto skipSubBlocks = [&](uint64_t i) -> uint64_t {
        for (int len = at(i); len > 0; len = at(i)) i += 1 + uint64_t(len);
        return at(i) == 0 ? i + 1 : 0;
    };
    if (d.size < 13) return false;
    uint64_t i = 13;
    if (at(10) & 0x80) i += 3 * (2u << (at(10) & 7));  // global colour table
    while (i > 0 && i < d.size) {
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

}  // namespace pictures

// What of a file exiv2 is given to read its metadata from: a copy of the file's metadata
// blocks alone, each checked by our own bounded look first (its declared and decompressed
// size, its EXIF structure), so that exiv2 never meets a block past the limit, nor the
// pixels' data, which it would copy for nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pictures/bytes.h"

namespace pictures {

struct ExivInput {
    std::string copy;         // the blocks kept, in a file of the same format; empty: nothing to read
    bool wholeFile = false;   // a TIFF file is read as it is (its metadata is its structure)
    uint64_t blockBytes = 0;  // what the blocks kept hold and declare, decompressed
    int orientation = 1;      // the EXIF orientation, read even when the EXIF is not kept
    int compression = 0;      // a TIFF's Compression field
};

// For "jpeg", "png", "webp" and "tiff" files; nothing for others.
ExivInput ExivInputOf(Bytes file, std::string_view format);

// Whether a WebP file's picture is stored losslessly (a VP8L chunk before any VP8 or ANIM).
bool WebpLossless(Bytes file);

}  // namespace pictures

// The first directory of a TIFF file as our own code reads it before libtiff opens the
// file: the size and layout that the picture's cost is worked out from, and how much
// memory libtiff will take to hold the directory's tags.
#pragma once

#include <cstdint>

#include "pictures/bytes.h"

namespace pictures::tiff {

struct Directory {
    uint64_t width = 0, height = 0;
    uint64_t samples = 1, bits = 1, planar = 1, photometric = 0, compression = 1;
    uint64_t rowsPerStrip = UINT32_MAX;   // the whole picture in one strip unless told
    uint64_t tileWidth = 0, tileHeight = 0;  // 0: in strips
    bool byteCounts = false;  // whether the strip or tile byte counts are given
    // What libtiff allocates to hold the directory's entries and their values (the strip
    // and tile arrays aside: those are read as they are needed).
    uint64_t tagBytes = 0;

    bool Tiled() const { return tileWidth > 0 || tileHeight > 0; }
    bool Separate() const { return planar == 2; }
    // The strips or tiles the picture is cut into, counting each plane's own.
    double Chunks() const;
};

// The header and first directory; fails as cut short when they run past the file's end,
// as damaged when they make no sense.
Directory ReadFirstDirectory(Bytes file);

}  // namespace pictures::tiff

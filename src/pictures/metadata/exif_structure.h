// A first look at an EXIF or TIFF structure, by our own bounded walk, before any library
// decodes it: how much its fields declare, and the few fields read even when the rest is
// not kept. exiv2 copies each field's values, so fields that point at the same bytes many
// times over would make a small block take gigabytes; the sum tells before it does.
#pragma once

#include <cstdint>

#include "pictures/bytes.h"

namespace pictures {

struct TiffSummary {
    bool valid = false;          // a TIFF header and a first directory inside the bytes
    uint64_t declaredBytes = 0;  // every field's values and thumbnail, summed over the directories
    int orientation = 1;         // the first directory's Orientation; 1 when none or out of range
    int compression = 0;         // the first directory's Compression; 0 when none
};

// tiff starts at the byte-order mark ("II*\0" or "MM\0*").
TiffSummary SummariseTiff(Bytes tiff);

// Where the TIFF structure of an EXIF block starts: at its byte-order mark, after whatever
// prefix ("Exif\0\0") the format put before it; SIZE_MAX when there is none near the start.
size_t TiffStart(Bytes exif);

}  // namespace pictures

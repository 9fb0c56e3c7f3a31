// The EXIF blocks HEIF and AVIF files carry: a TIFF structure, after a prefix of the
// format's own (a 4-byte offset, "Exif\0\0").
#pragma once

#include <string>

#include "pictures/budget.h"
#include "pictures/bytes.h"

namespace pictures {

// The largest EXIF block kept: past it, the picture shows without its camera data.
constexpr size_t kMaxIsoExif = size_t(4) << 20;

// The TIFF structure: from its byte-order mark, after whatever prefix there is; empty
// when there is none.
Bytes IsoExifTiff(Bytes exif);

// The orientation (1 upright to 8) the block asks for; 1 when it names none.
int IsoExifOrientation(Bytes exif);

// The block's fields worth carrying into a saved file, as a TIFF structure with the
// orientation set to 1 and without the thumbnail or the fields that describe the source's
// own pixels; empty when none are left, the block is damaged or larger than kMaxIsoExif.
std::string CarriedIsoExif(Bytes exif, Budget& budget);

}  // namespace pictures

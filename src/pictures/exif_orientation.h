// The EXIF orientation tag, read from the block without a full EXIF parser: formats whose
// library does not turn the picture give it to the pipeline from here.
#pragma once

#include "pictures/bytes.h"

namespace pictures {

// The orientation (1 upright to 8) an EXIF block gives in its first directory (tag 0x0112,
// a SHORT); 1 when it gives none, or another value, or the block cannot be read. The block
// is a TIFF structure, with or without the "Exif\0\0" prefix JPEG files put before it.
int ExifOrientation(Bytes exif);

}  // namespace pictures

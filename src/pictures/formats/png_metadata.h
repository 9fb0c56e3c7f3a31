// What a PNG file says besides its pixels that the core reads from the chunks itself: the
// ICC profile, and the EXIF orientation, from the eXIf chunk or the text chunk that
// ImageMagick and exiv2 write EXIF into. Both are read from files whose chunks were checked
// to lie within them.
#pragma once

#include <string>

#include "pictures/budget.h"
#include "pictures/bytes.h"

namespace pictures {

// The largest ICC profile kept; a larger one is dropped and the picture shown as sRGB.
constexpr int64_t kPngProfileLimit = 8 << 20;

// The profile of the first iCCP chunk, inflated, its bytes taken from the budget; empty
// when there is none, it is damaged, or it is larger than the limit.
std::string PngProfile(Bytes file, Budget& budget);

// The EXIF orientation (1 to 8); 1 when the file gives none. Only the start of a compressed
// EXIF text is inflated.
int PngOrientation(Bytes file, Budget& budget);

}  // namespace pictures

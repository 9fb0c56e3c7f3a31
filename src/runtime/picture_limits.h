// How large a picture may be: a bound on its decoded size, derived from the machine's memory.
#pragma once

#include <cstdint>

namespace rt {

// Bytes a picture of this size takes once decoded to 4-byte pixels.
int64_t DecodedBytes(int64_t width, int64_t height);

// The largest decoded picture LoadPicture accepts: a quarter of the physical memory,
// at least 256 MB, at most 4 GB (one gigapixel). Pictures whose header declares more
// are refused before any pixel is decoded.
int64_t PictureByteBound();

// From this many pixels on, loading shows the busy pointer.
constexpr int64_t kBusyPixels = 4'000'000;

}  // namespace rt

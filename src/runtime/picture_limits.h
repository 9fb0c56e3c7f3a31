// How large a picture may be: a bound on the memory reading one may take, derived from
// the memory this process can still take.
#pragma once

#include <cstdint>

namespace rt {

// Bytes a picture of this size takes once decoded to 4-byte pixels.
int64_t DecodedBytes(int64_t width, int64_t height);

// The most memory LoadPicture lets the reading of one picture take: half of what the
// process can still take (MemoryAvailable), the rest left for showing and saving it; at
// most 4 GB. Pictures whose header asks for more are refused before any pixel is decoded.
int64_t PictureByteBound();

// From this many pixels on, loading shows the busy pointer.
constexpr int64_t kBusyPixels = 4'000'000;

}  // namespace rt

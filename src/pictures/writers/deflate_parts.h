// One zlib stream compressed in parts on several threads: each part is deflated on its
// own (no matches reach into the part before it) and the parts are joined as one stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace pictures {

// A part's compressed blocks, ready to follow the previous part's.
struct DeflatedPart {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
    uint32_t adler = 1;   // Adler-32 of the part's uncompressed bytes alone
    size_t inputSize = 0;
};

// Compresses one part of the stream's data with libdeflate at the given level. A part
// that is not the last ends with its final block marked as not final and an empty stored
// block, which brings it to a whole byte. Throws std::bad_alloc when memory runs out.
DeflatedPart DeflatePart(const uint8_t* data, size_t size, bool last, int level);

// The data as one whole zlib stream of its own, compressed with libdeflate at the level.
DeflatedPart ZlibCompressed(const uint8_t* data, size_t size, int level);

// The zlib header, and the trailer for the parts' checksums combined in order.
constexpr uint8_t kZlibHeader[2] = {0x78, 0x01};
uint32_t CombinedAdler(uint32_t first, uint32_t next, size_t nextSize);
void ZlibTrailer(uint32_t adler, uint8_t out[4]);

}  // namespace pictures

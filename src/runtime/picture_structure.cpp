#include "runtime/picture_structure.h"

#include <cstring>

#include "pictures/formats/gif_blocks.h"
#include "pictures/formats/png_chunks.h"

namespace rt {

bool GifFirstFrameComplete(std::string_view bytes) { return pictures::GifFirstFrameComplete(pictures::Bytes(bytes)); }

bool PngChunkRunsPastEnd(uint64_t size, const ReadAt& read) {
    return pictures::PngChunkRunsPastEnd(size, [&](uint64_t at, uint8_t* head) {
        const std::string bytes = read(at, 8);
        if (bytes.size() < 8) return false;
        std::memcpy(head, bytes.data(), 8);
        return true;
    });
}

}  // namespace rt

// Walking a PNG file's chunks without trusting their lengths. Header-only: the Windows
// program checks files with it before its own decoder reads them.
#pragma once

#include <cstdint>
#include <string_view>

#include "pictures/bytes.h"

namespace pictures {

// After the signature, each chunk: a 4-byte big-endian length, the type, the data, a CRC.
constexpr uint64_t kPngSignatureBytes = 8;
constexpr uint64_t kPngChunkFrame = 12;

// Whether a chunk of a PNG file of `size` bytes declares more data than the file holds
// after it, up to the end chunk. PNG decoders set aside a chunk's declared length before
// they read it: a few hundred bytes could otherwise ask for gigabytes. readHead(at, head)
// puts the 8 bytes at `at` (length and type) in head; false when the file has fewer.
template <class ReadHead>
bool PngChunkRunsPastEnd(uint64_t size, ReadHead&& readHead) {
    for (uint64_t at = kPngSignatureBytes; at + 8 <= size;) {
        uint8_t head[8];
        if (!readHead(at, head)) return true;
        const uint64_t length = uint64_t(head[0]) << 24 | uint64_t(head[1]) << 16 | uint64_t(head[2]) << 8 | head[3];
        if (at + kPngChunkFrame + length > size) return true;
        if (std::string_view(reinterpret_cast<const char*>(head + 4), 4) == "IEND") return false;
        at += kPngChunkFrame + length;
    }
    return false;
}

inline bool PngChunkRunsPastEnd(Bytes file) {
    return PngChunkRunsPastEnd(file.size, [&](uint64_t at, uint8_t* head) {
        if (!file.Has(at, 8)) return false;
        for (int i = 0; i < 8; ++i) head[i] = file.data[at + uint64_t(i)];
        return true;
    });
}

// One chunk of a file whose chunks were checked to lie within it.
struct PngChunk {
    std::string_view type;
    Bytes data;
    uint64_t at = 0;  // where its length field starts
};

// Calls each(chunk) for every chunk up to and including the end chunk, in order, until it
// returns false. The file must have passed PngChunkRunsPastEnd.
template <class Each>
void ForEachPngChunk(Bytes file, Each&& each) {
    for (uint64_t at = kPngSignatureBytes; file.Has(at, kPngChunkFrame);) {
        const uint32_t length = file.U32BE(at);
        if (!file.Has(at + kPngChunkFrame, length)) return;
        const PngChunk chunk{file.Sub(at + 4, 4).View(), file.Sub(at + 8, length), at};
        if (!each(chunk) || chunk.type == "IEND") return;
        at += kPngChunkFrame + length;
    }
}

}  // namespace pictures

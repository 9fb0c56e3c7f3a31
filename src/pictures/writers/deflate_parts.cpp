#include "pictures/writers/deflate_parts.h"

#include <libdeflate.h>
#include <zlib.h>

#include <new>
#include <stdexcept>
#include <vector>

namespace pictures {

namespace {

struct Compressor {
    libdeflate_compressor* c;
    explicit Compressor(int level) : c(libdeflate_alloc_compressor(level)) {
        if (!c) throw std::bad_alloc();
    }
    ~Compressor() { libdeflate_free_compressor(c); }
};

// Where the last block of a raw deflate stream starts and where it ends, in bits. libdeflate
// does not say, so the stream is inflated (the output thrown away) block by block: zlib
// stops at each block's end and tells how many bits of the last byte it has not used.
struct LastBlock {
    size_t start = 0, end = 0;
};

LastBlock FindLastBlock(const uint8_t* bytes, size_t size) {
    std::vector<uint8_t> sink(size_t(1) << 20);  // large, so that zlib seldom copies to its window
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) throw std::bad_alloc();
    z.next_in = const_cast<uint8_t*>(bytes);
    z.avail_in = uInt(size);  // a part is far below 4 GB: parts are made smaller
    LastBlock last;
    size_t boundary = 0;  // the bit where the block being inflated began
    for (;;) {
        z.next_out = sink.data();
        z.avail_out = uInt(sink.size());
        const int status = inflate(&z, Z_BLOCK);
        if (status != Z_OK && status != Z_BUF_ERROR) break;
        if (z.data_type & 128) {  // at a block boundary
            const size_t bit = size_t(z.next_in - bytes) * 8 - size_t(z.data_type & 7);
            if (z.data_type & 64) {  // the final block has just ended
                last = {boundary, bit};
                break;
            }
            boundary = bit;
        }
        if (status == Z_BUF_ERROR && z.avail_in == 0) break;
    }
    inflateEnd(&z);
    if (last.end == 0) throw std::runtime_error("a compressed part could not be read back");
    return last;
}

}  // namespace

DeflatedPart DeflatePart(const uint8_t* data, size_t size, bool last, int level) {
    Compressor compressor(level);
    DeflatedPart part;
    part.inputSize = size;
    part.adler = libdeflate_adler32(1, data, size);
    const size_t bound = libdeflate_deflate_compress_bound(compressor.c, size) + 8;
    part.bytes.reset(new uint8_t[bound]);
    part.size = libdeflate_deflate_compress(compressor.c, data, size, part.bytes.get(), bound);
    if (part.size == 0) throw std::runtime_error("the compressor's output did not fit");
    if (last) return part;
    // The final block becomes an ordinary one, and an empty stored block (a 3-bit header
    // of zeros, then zeros to the byte's end, then length 0 and its complement) follows it
    // so that the next part starts on a whole byte.
    const LastBlock block = FindLastBlock(part.bytes.get(), part.size);
    uint8_t* b = part.bytes.get();
    b[block.start / 8] &= uint8_t(~(1u << (block.start % 8)));
    size_t n = (block.end + 7) / 8;
    const unsigned used = unsigned(block.end % 8);
    if (used != 0) b[n - 1] &= uint8_t((1u << used) - 1);
    if (used == 0 || used > 5) b[n++] = 0;
    b[n++] = 0x00, b[n++] = 0x00, b[n++] = 0xFF, b[n++] = 0xFF;
    part.size = n;
    return part;
}

DeflatedPart ZlibCompressed(const uint8_t* data, size_t size, int level) {
    Compressor compressor(level);
    DeflatedPart part;
    part.inputSize = size;
    const size_t bound = libdeflate_zlib_compress_bound(compressor.c, size);
    part.bytes.reset(new uint8_t[bound]);
    part.size = libdeflate_zlib_compress(compressor.c, data, size, part.bytes.get(), bound);
    if (part.size == 0) throw std::runtime_error("the compressor's output did not fit");
    return part;
}

uint32_t CombinedAdler(uint32_t first, uint32_t next, size_t nextSize) {
    return uint32_t(adler32_combine(first, next, z_off_t(nextSize)));
}

void ZlibTrailer(uint32_t adler, uint8_t out[4]) {
    out[0] = uint8_t(adler >> 24), out[1] = uint8_t(adler >> 16), out[2] = uint8_t(adler >> 8), out[3] = uint8_t(adler);
}

}  // namespace pictures

// Checks on the structure of picture files that both picture backends make before they
// hand a file to a decoder: the picture core's own (header-only), over a file read in parts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace rt {

// Whether a GIF file's bytes hold its whole first frame: the blocks up to and including
// that frame's image data are all there. Only the first frame is shown, and files with
// bytes after the end, or without the end mark, are common and fine.
bool GifFirstFrameComplete(std::string_view bytes);

// Up to n bytes of the file from offset; fewer at its end.
using ReadAt = std::function<std::string(uint64_t offset, size_t n)>;

// Whether a chunk of a PNG file of `size` bytes declares more data than the file holds
// after it, up to the end chunk. PNG decoders set aside a chunk's declared length before
// they read it: a few hundred bytes could otherwise ask for gigabytes.
bool PngChunkRunsPastEnd(uint64_t size, const ReadAt& read);

}  // namespace rt

// YCbCr planes, as AV1 codes pictures, to RGB: each sample scaled by its range, subsampled
// chroma brought to full resolution by bilinear interpolation (chroma sited between the
// luma samples, as the AV1 tools take it), then the matrix the file names. Alpha, when
// premultiplied, is taken out again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pictures/image.h"

namespace pictures {

struct YuvPlanes {
    // Samples of 1 byte when bits is 8, else 2 in the machine's order; no chroma for grey.
    const uint8_t *y = nullptr, *cb = nullptr, *cr = nullptr, *alpha = nullptr;
    ptrdiff_t yStride = 0, chromaStride = 0, alphaStride = 0;  // bytes from one row to the next
    int width = 0, height = 0;
    int shiftX = 0, shiftY = 0;  // 1 where chroma is halved: 4:2:0 both, 4:2:2 across
    int bits = 8, alphaBits = 8;
    int matrix = 6;  // CICP matrix coefficients; the BT.601 ones for any unknown
    bool fullRange = true;
    bool premultiplied = false;
};

// Into 8-bit pixels (out has the planes' size, and alpha when they have it).
void YuvToImage(const YuvPlanes& planes, Image& out);

// Into 16-bit R, G, B (and A when the planes have alpha) interleaved, stride bytes a row.
void YuvToSamples16(const YuvPlanes& planes, uint16_t* out, ptrdiff_t stride);

}  // namespace pictures

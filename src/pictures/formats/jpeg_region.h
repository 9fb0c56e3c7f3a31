// A JPEG decoded with libjpeg, whole or one rectangle of it, into 4-byte pixels equal to
// those of the JPEG reader: the decoding behind showing a large picture's visible part
// before the rest.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "pictures/bytes.h"

namespace pictures {

// What a JPEG's headers say.
struct JpegLayout {
    int width = 0, height = 0;  // 0 when the headers cannot be read
    int dotsPerMeterX = 0, dotsPerMeterY = 0;
    // Colour (YCbCr) in one interleaved sequential scan: decoded line by line, so that a
    // rectangle costs about its share of the whole.
    bool lineByLine = false;
    // With restart markers, fewer of them than the picture needs: its data stops short.
    bool missingRestarts = false;
};

JpegLayout ReadJpegLayout(Bytes file);

struct JpegArea {
    int x = 0, y = 0, width = 0, height = 0;
};

struct JpegDecoding {
    bool finished = false;    // every row of the area was decoded (false: failed or cancelled)
    bool endedEarly = false;  // the data stopped short of the picture
    int rowsDone = 0;         // rows of the area written
    std::string error;        // libjpeg's reason when it failed
};

// Decodes the rectangle `area` of the picture into `out` (area-sized, `stride` bytes a row,
// B G R 0xFF), with pixels equal to those of a whole decode. A set `cancel` stops it
// between rows.
JpegDecoding DecodeJpegArea(Bytes file, JpegArea area, uint8_t* out, ptrdiff_t stride,
                            const std::atomic<bool>* cancel = nullptr);

}  // namespace pictures

// A rectangle of the JPEG open as a file descriptor, decoded by the picture core (see
// pictures/formats/jpeg_region.h) into 4-byte pixels the same as a whole reading makes.
#pragma once

#include <QRect>
#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace rt {

struct JpegDecoding {
    bool finished = false;    // every row of the area was decoded (false: failed or cancelled)
    bool endedEarly = false;  // the data stopped short of the picture
    int rowsDone = 0;         // rows of the area written
    QString error;            // the decoder's reason when it failed
};

// Reads the file by position (its offset stays) and decodes `area` into `out` (area-sized,
// `stride` bytes a row, B G R 0xFF). A set `cancel` stops it between rows.
JpegDecoding DecodeJpegArea(int fd, const QRect& area, uint8_t* out, ptrdiff_t stride,
                            const std::atomic<bool>* cancel = nullptr);

// The whole file open as fd, read by position; empty when it cannot be read.
std::string ReadWholeFile(int fd);

}  // namespace rt

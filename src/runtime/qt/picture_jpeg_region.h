// A JPEG decoded straight with libjpeg, whole or one rectangle of it, into 4-byte pixels
// the same as Qt's reader makes: the decoding behind showing a large picture's visible
// part before the rest.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace rt {

// What a JPEG's headers say.
struct JpegLayout {
    QSize size;  // invalid when the headers cannot be read
    int dotsPerMeterX = 0, dotsPerMeterY = 0;
    // Colour (YCbCr) in one interleaved sequential scan: decoded line by line, so that a
    // rectangle costs about its share of the whole.
    bool lineByLine = false;
    // With restart markers, fewer of them than the picture needs: its data stops short.
    bool missingRestarts = false;
};

// Reads the headers of the JPEG in the open file (by position; the file's offset stays).
JpegLayout ReadJpegLayout(int fd);

struct JpegDecoding {
    bool finished = false;    // every row of the area was decoded (false: failed or cancelled)
    bool endedEarly = false;  // the decoder's first warning: the data stopped short of the picture
    int rowsDone = 0;         // rows of the area written
    QString error;            // the decoder's reason when it failed
};

// Decodes the rectangle `area` of the picture into `out` (area-sized, `stride` bytes a row,
// B G R 0xFF), with pixels equal to those of a whole decode. A set `cancel` stops it
// between rows.
JpegDecoding DecodeJpegArea(int fd, const QRect& area, uint8_t* out, ptrdiff_t stride,
                            const std::atomic<bool>* cancel = nullptr);

}  // namespace rt

// The picture formats this program reads, and the memory reading one takes, judged from
// the file's header before any pixel is decoded.
#pragma once

#include <QByteArray>
#include <QSize>
#include <cstdint>

class QFile;
class QImageReader;

namespace rt {

// Whether pictures in this format (as QImageReader or a file extension names it) are
// read. Formats whose size cannot be known before decoding (MNG, ICNS, SVG) are not.
bool ReadsFormat(const QByteArray& format);

struct DecodingCost {
    QSize size;         // the picture the decoder will make; invalid when the header tells none
    int64_t bytes = 0;  // the most memory decoding, turning and converting to 4-byte pixels take
};

// Measures the picture in the file the reader is open on. The reader's own size serves,
// except for GIF and ICO, whose decoders may make a larger picture than the reader reports.
DecodingCost MeasureDecoding(QImageReader& reader, QFile& file);

}  // namespace rt

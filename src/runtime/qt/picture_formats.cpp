#include "runtime/qt/picture_formats.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QtEndian>
#include <algorithm>

// What each decoder holds at its peak was measured per format and depth: beside the
// picture it makes, TIFF holds up to one more copy of it and lossless WebP one and a
// half; JPEG files read in several scans hold every component's coefficients (2 bytes a
// sample); a picture turned upright or converted to 4-byte pixels exists twice for a moment.

namespace rt {

namespace {

constexpr int64_t kMB = int64_t(1) << 20;
// Libraries, plugins and line buffers that any decoding takes besides the pixels.
constexpr int64_t kFixedCost = 8 * kMB;

QByteArray Canonical(const QByteArray& format) {
    const QByteArray f = format.toLower();
    if (f == "jpg") return "jpeg";
    if (f == "tif") return "tiff";
    if (f == "dib") return "bmp";
    return f;
}

// Bytes at an offset, leaving the file where the reader expects it.
QByteArray ReadAt(QFile& file, qint64 offset, qint64 count) {
    const qint64 pos = file.pos();
    QByteArray bytes;
    if (file.seek(offset)) bytes = file.read(count);
    file.seek(pos);
    return bytes;
}

quint16 Le16(const QByteArray& b, qsizetype i) { return qFromLittleEndian<quint16>(b.constData() + i); }
quint16 Be16(const QByteArray& b, qsizetype i) { return qFromBigEndian<quint16>(b.constData() + i); }
quint32 Be32(const QByteArray& b, qsizetype i) { return qFromBigEndian<quint32>(b.constData() + i); }

// A GIF is decoded onto its logical screen, whatever size the reader reports; a first
// frame larger than the screen is counted too.
QSize GifSize(QFile& file) {
    const QByteArray d = ReadAt(file, 0, 4 * kMB);  // the extensions before a first frame are small
    if (d.size() < 13) return {};
    QSize size(Le16(d, 6), Le16(d, 8));
    qsizetype i = 13;
    if (quint8(d[10]) & 0x80) i += 3 * (2 << (d[10] & 7));
    while (i + 10 <= d.size()) {
        if (d[i] == 0x2C) {
            size = size.expandedTo(QSize(Le16(d, i + 5), Le16(d, i + 7)));
            break;
        }
        if (d[i] != 0x21) break;
        for (i += 2; i < d.size() && d[i] != 0; i += 1 + quint8(d[i])) {}
        ++i;
    }
    return size.width() > 0 && size.height() > 0 ? size : QSize();
}

// An icon's first image may be a whole PNG, decoded at the size its own header gives
// rather than the icon directory's. Returns that size and whether its samples are 16-bit.
QSize IconPngSize(QFile& file, bool& sixteenBit) {
    const QByteArray dir = ReadAt(file, 0, 22);
    if (dir.size() < 22 || Le16(dir, 4) == 0) return {};
    const QByteArray png = ReadAt(file, qFromLittleEndian<quint32>(dir.constData() + 18), 26);
    if (png.size() < 26 || !png.startsWith("\x89PNG\r\n\x1a\n") || png.mid(12, 4) != "IHDR") return {};
    sixteenBit = png[24] == 16;
    return QSize(int(std::min<quint32>(Be32(png, 16), INT_MAX)), int(std::min<quint32>(Be32(png, 20), INT_MAX)));
}

bool IsJpegFrameHeader(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The coefficients a JPEG decoder keeps for the whole picture when the file is progressive
// or its first scan leaves components out; zero when it decodes line by line.
double JpegCoefficientBytes(QFile& file) {
    struct Component { int h, v; };
    QList<Component> components;
    double width = 0, height = 0;
    bool progressive = false;
    qint64 at = 2;
    for (int segments = 0; segments < 10000; ++segments) {
        const QByteArray head = ReadAt(file, at, 5);
        if (head.size() < 5 || quint8(head[0]) != 0xFF) return 0;
        const int marker = quint8(head[1]);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9)) {  // markers without a length
            at += 2;
            continue;
        }
        const int length = Be16(head, 2);
        if (IsJpegFrameHeader(marker)) {
            const QByteArray sof = ReadAt(file, at + 4, length - 2);
            if (sof.size() < 6) return 0;
            progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            height = Be16(sof, 1);
            width = Be16(sof, 3);
            components.clear();
            for (qsizetype c = 6; c + 3 <= sof.size() && components.size() < quint8(sof[5]); c += 3)
                components.append({std::clamp(quint8(sof[c + 1]) >> 4, 1, 4), std::clamp(sof[c + 1] & 15, 1, 4)});
        } else if (marker == 0xDA) {
            if (!progressive && quint8(head[4]) >= components.size()) return 0;
            int hMax = 1, vMax = 1;
            for (const Component& c : components) hMax = std::max(hMax, c.h), vMax = std::max(vMax, c.v);
            double bytes = 0;
            for (const Component& c : components)  // 8 x 8 blocks of 2-byte coefficients, padded to whole units
                bytes += 128.0 * (width * c.h / hMax / 8 + 1 + c.h) * (height * c.v / vMax / 8 + 1 + c.v);
            return bytes;
        }
        at += 2 + length;
    }
    return 0;
}

bool FourBytePixels(QImage::Format f) {
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied;
}

}  // namespace

bool ReadsFormat(const QByteArray& format) {
    static const QList<QByteArray> read = {"png", "jpeg", "gif",  "bmp", "tiff", "webp", "ico",
                                           "cur", "pbm",  "pgm",  "ppm", "xbm",  "xpm",  "tga", "wbmp"};
    return read.contains(Canonical(format));
}

DecodingCost MeasureDecoding(QImageReader& reader, QFile& file) {
    const QByteArray format = Canonical(reader.format());
    DecodingCost cost;
    cost.size = reader.size();
    QImage::Format decoded = reader.imageFormat();
    double perPixelCopies = 1;  // how many pictures of the decoded depth the decoder holds
    double extra = 0;
    if (format == "gif") {
        cost.size = GifSize(file);
        decoded = QImage::Format_ARGB32;
    } else if (format == "ico" || format == "cur") {
        bool sixteenBit = false;
        const QSize png = IconPngSize(file, sixteenBit);
        if (png.isValid()) {
            cost.size = cost.size.expandedTo(png);
            decoded = sixteenBit ? QImage::Format_RGBA64 : QImage::Format_ARGB32;
        }
    } else if (format == "webp") {  // lossless files hold the picture, a copy and line caches
        decoded = QImage::Format_ARGB32;
        perPixelCopies = 2.5;
    } else if (format == "tiff") {
        perPixelCopies = 2;
    } else if (format == "jpeg") {
        extra = JpegCoefficientBytes(file);
    }
    if (!cost.size.isValid() || cost.size.isEmpty()) return {};

    const double pixels = double(cost.size.width()) * cost.size.height();
    const double depthBytes = decoded == QImage::Format_Invalid ? 4 : QImage::toPixelFormat(decoded).bitsPerPixel() / 8.0;
    double bytes = pixels * depthBytes * perPixelCopies + extra;
    if (reader.transformation() != QImageIOHandler::TransformationNone) bytes += pixels * depthBytes;
    if (!FourBytePixels(decoded)) bytes += pixels * 4;
    bytes += double(file.size()) + double(kFixedCost);
    cost.bytes = int64_t(std::min(bytes, 0x1p62));
    return cost;
}

}  // namespace rt

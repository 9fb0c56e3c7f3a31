// TGA pictures in their common forms: colour-mapped, true-colour and grey, each stored
// plain or run-length encoded, drawn from the bottom or the top row, either direction.
#include <QtEndian>

#include "runtime/qt/picture_own_formats.h"

namespace rt {

namespace {

constexpr int64_t kFixedCost = 1 << 20;
constexpr qsizetype kHeader = 18;

struct TgaHeader {
    int idLength, mapType, type, mapFirst, mapLength, mapEntryBits, width, height, depth, descriptor;

    explicit TgaHeader(const uchar* d)
        : idLength(d[0]), mapType(d[1]), type(d[2]), mapFirst(qFromLittleEndian<quint16>(d + 3)),
          mapLength(qFromLittleEndian<quint16>(d + 5)), mapEntryBits(d[7]), width(qFromLittleEndian<quint16>(d + 12)),
          height(qFromLittleEndian<quint16>(d + 14)), depth(d[16]), descriptor(d[17]) {}

    int Kind() const { return type & 7; }  // 1 colour-mapped, 2 true-colour, 3 grey
    bool Rle() const { return type & 8; }
    bool Valid() const {
        if (mapType > 1 || (type & ~11) != 0 || Kind() == 0 || (descriptor & 0xC0) != 0) return false;
        if (mapType == 1 && mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32)
            return false;
        switch (Kind()) {
        case 1: return mapType == 1 && mapLength > 0 && (depth == 8 || depth == 16);
        case 2: return depth == 15 || depth == 16 || depth == 24 || depth == 32;
        case 3: return depth == 8 || depth == 16;
        }
        return false;
    }
    int AlphaBits() const { return descriptor & 15; }
    qsizetype MapBytes() const { return mapType ? qsizetype(mapLength) * ((mapEntryBits + 7) / 8) : 0; }
};

// One stored pixel as a 4-byte pixel: true colour is BGR(A) in little-endian order; 15-
// and 16-bit pixels hold 5 bits a channel and, with alpha bits declared, one of alpha.
QRgb Colour(const uchar* p, int bits, bool alpha) {
    switch (bits) {
    case 15:
    case 16: {
        const int v = qFromLittleEndian<quint16>(p);
        const auto five = [](int c) { return (c << 3) | (c >> 2); };
        return qRgba(five((v >> 10) & 31), five((v >> 5) & 31), five(v & 31), alpha && bits == 16 && !(v & 0x8000) ? 0 : 255);
    }
    case 24: return qRgb(p[2], p[1], p[0]);
    default: return qRgba(p[2], p[1], p[0], alpha ? p[3] : 255);
    }
}

class TgaReader : public OwnFormatReader {
public:
    explicit TgaReader(const QByteArray& bytes)
        : bytes_(bytes), header_(reinterpret_cast<const uchar*>(bytes.constData())) {}

    DecodingCost Measure() override {
        if (header_.width == 0 || header_.height == 0) return {};
        const double pixels = double(header_.width) * header_.height;
        return {QSize(header_.width, header_.height), CostInBytes(pixels * 4 + double(bytes_.size()) + kFixedCost)};
    }

    QImage Decode() override {
        const auto* d = reinterpret_cast<const uchar*>(bytes_.constData());
        const qsizetype end = bytes_.size();
        qsizetype at = kHeader + header_.idLength;
        const bool alpha = header_.AlphaBits() > 0 && (header_.depth == 32 || header_.depth == 16 ||
                                                       (header_.Kind() == 1 && header_.mapEntryBits >= 16));
        // The colour map, when the picture indexes one.
        std::vector<QRgb> map;
        if (header_.mapType == 1) {
            const int entry = (header_.mapEntryBits + 7) / 8;
            if (end - at < header_.MapBytes()) throw DecodeFailure{DecodeFailure::Truncated, {}};
            for (int i = 0; i < header_.mapLength; ++i) map.push_back(Colour(d + at + i * entry, header_.mapEntryBits, alpha));
            at += header_.MapBytes();
        }
        const int bytesPer = (header_.depth + 7) / 8;
        const auto pixelAt = [&](const uchar* p) -> QRgb {
            if (header_.Kind() == 2) return Colour(p, header_.depth, alpha);
            if (header_.Kind() == 3) return qRgba(p[0], p[0], p[0], bytesPer == 2 && alpha ? p[1] : 255);
            const int index = (bytesPer == 2 ? qFromLittleEndian<quint16>(p) : p[0]) - header_.mapFirst;
            if (index < 0 || index >= int(map.size())) throw DecodeFailure{DecodeFailure::Damaged, u"a colour index past the colour map"};
            return map[size_t(index)];
        };

        const int w = header_.width, h = header_.height;
        QImage image = NewImage(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        const bool fromTop = header_.descriptor & 0x20, fromRight = header_.descriptor & 0x10;
        const int64_t total = int64_t(w) * h;
        int64_t i = 0;
        const auto put = [&](QRgb c) {
            const int x = int(i % w), y = int(i / w);
            reinterpret_cast<QRgb*>(image.scanLine(fromTop ? y : h - 1 - y))[fromRight ? w - 1 - x : x] = c;
            ++i;
        };
        while (i < total) {
            if (!header_.Rle()) {
                if (end - at < bytesPer) throw DecodeFailure{DecodeFailure::Truncated, {}};
                put(pixelAt(d + at));
                at += bytesPer;
                continue;
            }
            if (at >= end) throw DecodeFailure{DecodeFailure::Truncated, {}};
            const int packet = d[at++];
            const int count = (packet & 0x7F) + 1;
            if (packet & 0x80) {  // one pixel, repeated
                if (end - at < bytesPer) throw DecodeFailure{DecodeFailure::Truncated, {}};
                const QRgb c = pixelAt(d + at);
                at += bytesPer;
                for (int k = 0; k < count && i < total; ++k) put(c);
            } else {  // count pixels as they are
                if (end - at < qsizetype(count) * bytesPer) throw DecodeFailure{DecodeFailure::Truncated, {}};
                for (int k = 0; k < count && i < total; ++k) put(pixelAt(d + at + k * bytesPer));
                at += qsizetype(count) * bytesPer;
            }
        }
        return image;
    }

private:
    const QByteArray& bytes_;
    TgaHeader header_;
};

}  // namespace

bool IsTga(const QByteArray& head, const QByteArray& tail, qint64 size, bool namedTga, const QByteArray& otherFormat) {
    if (head.size() < kHeader) return false;
    const TgaHeader header(reinterpret_cast<const uchar*>(head.constData()));
    if (!header.Valid()) return false;
    if (tail == QByteArray("TRUEVISION-XFILE.\0", 18) || namedTga) return true;
    // Only the header speaks for it: no other format may claim the file, and a plain
    // one must hold all its pixels.
    const qint64 pixels = qint64(header.width) * header.height * ((header.depth + 7) / 8);
    return otherFormat.isEmpty() && (header.Rle() || size >= kHeader + header.idLength + header.MapBytes() + pixels);
}

std::unique_ptr<OwnFormatReader> OpenTga(const QByteArray& bytes) {
    if (bytes.size() < kHeader) throw DecodeFailure{DecodeFailure::Truncated, {}};
    return std::make_unique<TgaReader>(bytes);
}

}  // namespace rt

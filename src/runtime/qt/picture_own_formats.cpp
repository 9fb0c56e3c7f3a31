#include "runtime/qt/picture_own_formats.h"

#include <QColorSpace>
#include <QFile>
#include <QTransform>
#include <QtEndian>
#include <new>

#include "runtime/busy_pointer.h"
#include "runtime/errors.h"
#include "runtime/picture_limits.h"
#include "runtime/strings.h"

namespace rt {

namespace {

constexpr int64_t kMB = int64_t(1) << 20;

std::u16string Named(const std::u16string& name, const std::u16string& reason) {
    return ShownPath(name) + u" (" + reason + u")";
}

std::u16string Megabytes(int64_t bytes) { return Str((bytes + kMB - 1) / kMB) + u" MB"; }

[[noreturn]] void Refuse(const std::u16string& name, const DecodeFailure& failure, int64_t bound) {
    switch (failure.kind) {
    case DecodeFailure::Truncated: Raise(ErrInvalidPicture, Named(name, u"the file ends before the picture does"));
    case DecodeFailure::OutOfMemory: Raise(ErrOutOfMemory, Named(name, u"not enough memory to decode it"));
    case DecodeFailure::TooLarge:
        Raise(ErrPictureTooLarge, Named(name, u"larger than the " + Megabytes(bound) + u" this machine allows"));
    case DecodeFailure::Damaged: break;
    }
    Raise(ErrInvalidPicture, Named(name, u"damaged or not a picture: " + failure.detail));
}

using Opener = std::unique_ptr<OwnFormatReader> (*)(const QByteArray&);

// The reader for the file's format, judged from its first bytes; none when the file is in
// none of these formats.
Opener Recognise(QFile& file) {
    file.seek(0);
    const QByteArray head = file.read(64 * 1024);
    if (IsHeif(head)) return OpenHeif;
    if (IsAvif(head)) return OpenAvif;
    if (IsJxl(head)) return OpenJxl;
    return nullptr;
}

}  // namespace

QImage NewImage(int width, int height, QImage::Format format) {
    QImage image(width, height, format);
    if (image.isNull()) throw DecodeFailure{DecodeFailure::OutOfMemory, {}};
    return image;
}

void ConvertToSrgb(QImage& image, const QByteArray& icc, int cicpPrimaries) {
    QColorSpace space;
    if (!icc.isEmpty()) space = QColorSpace::fromIccProfile(icc);
    else if (cicpPrimaries == 12) space = QColorSpace(QColorSpace::Primaries::DciP3D65, QColorSpace::TransferFunction::SRgb);
    else if (cicpPrimaries == 9)  // BT.2020: D65 white and its own primaries
        space = QColorSpace(QPointF(0.3127, 0.3290), QPointF(0.708, 0.292), QPointF(0.170, 0.797), QPointF(0.131, 0.046),
                            QColorSpace::TransferFunction::SRgb);
    if (!space.isValid() || space == QColorSpace(QColorSpace::SRgb)) return;
    image.setColorSpace(space);
    image.convertToColorSpace(QColorSpace::SRgb);
    if (image.isNull()) throw DecodeFailure{DecodeFailure::OutOfMemory, {}};
}

int ExifOrientation(const QByteArray& exif) {
    qsizetype tiff = -1;
    for (qsizetype at = 0; at <= 10 && tiff < 0; ++at)
        if (exif.mid(at, 4) == QByteArray("II*\0", 4) || exif.mid(at, 4) == QByteArray("MM\0*", 4)) tiff = at;
    if (tiff < 0) return 1;
    const QByteArray t = exif.mid(tiff);
    const bool le = t[0] == 'I';
    const auto u16 = [&](qsizetype i) -> int {
        if (i < 0 || i + 2 > t.size()) return -1;
        const auto* p = reinterpret_cast<const uchar*>(t.constData()) + i;
        return le ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p);
    };
    const auto u32 = [&](qsizetype i) -> qint64 {
        if (i < 0 || i + 4 > t.size()) return -1;
        const auto* p = reinterpret_cast<const uchar*>(t.constData()) + i;
        return le ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
    };
    const qint64 ifd = u32(4);
    const int entries = u16(ifd);
    for (int e = 0; e < entries; ++e) {
        const qint64 entry = ifd + 2 + 12 * e;
        if (u16(entry) == 0x0112 && u16(entry + 2) == 3) {  // Orientation, a SHORT
            const int value = u16(entry + 8);
            return value >= 1 && value <= 8 ? value : 1;
        }
    }
    return 1;
}

QImage Oriented(QImage image, int orientation) {
    // A quarter turn clockwise, then a mirror where the orientation has one.
    const int turn[9] = {0, 0, 0, 180, 0, 90, 90, 90, 270};
    const bool mirrorLeftRight = orientation == 2 || orientation == 5;
    const bool mirrorTopBottom = orientation == 4 || orientation == 7;
    if (orientation < 2 || orientation > 8) return image;
    if (turn[orientation]) image = image.transformed(QTransform().rotate(turn[orientation]));
    if (mirrorLeftRight || mirrorTopBottom) image = image.mirrored(mirrorLeftRight, mirrorTopBottom);
    if (image.isNull()) throw DecodeFailure{DecodeFailure::OutOfMemory, {}};
    return image;
}

bool HasIsoTransforms(const QByteArray& bytes) {
    // The meta box is small and comes before the pixel data: look for the property
    // boxes' types, each right after a box size.
    const qsizetype meta = bytes.indexOf("meta");
    if (meta < 4) return false;
    const qsizetype end = std::min<qsizetype>(bytes.size(), meta - 4 + qFromBigEndian<quint32>(bytes.constData() + meta - 4));
    const QByteArray box = bytes.mid(meta, end - meta);
    return box.contains("irot") || box.contains("imir");
}

bool IsoBoxesOverrun(const QByteArray& bytes) {
    const auto* d = reinterpret_cast<const uchar*>(bytes.constData());
    const quint64 size = quint64(bytes.size());
    quint64 at = 0;
    while (at + 8 <= size) {
        quint64 box = qFromBigEndian<quint32>(d + at);
        if (box == 1) {  // a 64-bit size follows the type
            if (at + 16 > size) return true;
            box = qFromBigEndian<quint64>(d + at + 8);
        } else if (box == 0) {
            return false;  // the last box, to the end of the file
        }
        if (box < 8) return false;  // not boxes: the decoder judges
        if (box > size - at) return true;
        at += box;
    }
    return false;
}

// Every format here has a signature: the name's suffix is not needed.
std::optional<OwnFormatPicture> ReadOwnFormat(QFile& file, const QString&, const std::u16string& name) {
    const Opener open = Recognise(file);
    file.seek(0);
    if (!open) return std::nullopt;

    const int64_t bound = PictureByteBound();
    try {
        // The whole file: these decoders read from memory, and the file's size is part of
        // every format's cost.
        if (file.size() > bound) throw DecodeFailure{DecodeFailure::TooLarge, {}};
        const QByteArray bytes = file.readAll();
        if (bytes.size() != file.size()) {
            if (file.error() != QFileDevice::NoError)
                Raise(ErrDeviceIO, Named(name, file.errorString().toStdU16String()));
            throw DecodeFailure{DecodeFailure::Truncated, {}};  // the file shrank while read
        }
        const std::unique_ptr<OwnFormatReader> reader = open(bytes);
        const DecodingCost cost = reader->Measure();
        if (!cost.size.isValid())
            Raise(ErrInvalidPicture, Named(name, u"damaged or not a picture: its header gives no size"));
        if (cost.bytes > bound)
            Raise(ErrPictureTooLarge, Named(name, u"its header declares " + Str(cost.size.width()) + u" x " +
                                                      Str(cost.size.height()) + u" pixels, " +
                                                      Megabytes(cost.bytes) + u" decoded; this machine allows at most " +
                                                      Megabytes(bound)));
        BusyPointer busy(int64_t(cost.size.width()) * cost.size.height() >= kBusyPixels);
        return OwnFormatPicture{reader->Decode(), reader->Exif()};
    } catch (const DecodeFailure& failure) {
        Refuse(name, failure, bound);
    } catch (const std::bad_alloc&) {
        Refuse(name, {DecodeFailure::OutOfMemory, {}}, bound);
    }
}

}  // namespace rt

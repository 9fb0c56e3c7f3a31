#include "runtime/qt/picture_own_formats.h"

#include <QFile>
#include <QImageReader>
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

bool NamedTga(const QString& suffix) {
    const QString s = suffix.toLower();
    return s == u"tga" || s == u"icb" || s == u"vda" || s == u"vst";
}

using Opener = std::unique_ptr<OwnFormatReader> (*)(const QByteArray&);

// The reader for the file's format, judged from its first and last bytes; none when the
// file is in none of these formats.
Opener Recognise(QFile& file, const QString& suffix) {
    file.seek(0);
    const QByteArray head = file.read(64 * 1024);
    file.seek(std::max<qint64>(0, file.size() - 18));
    const QByteArray tail = file.read(18);
    // What Qt's readers make of the content, so that no other format is taken for a TGA.
    file.seek(0);
    const QByteArray other = QImageReader::imageFormat(&file);
    return IsTga(head, tail, file.size(), NamedTga(suffix), other == "tga" ? QByteArray() : other) ? OpenTga : nullptr;
}

}  // namespace

QImage NewImage(int width, int height, QImage::Format format) {
    QImage image(width, height, format);
    if (image.isNull()) throw DecodeFailure{DecodeFailure::OutOfMemory, {}};
    return image;
}

std::optional<OwnFormatPicture> ReadOwnFormat(QFile& file, const QString& suffix, const std::u16string& name) {
    const Opener open = Recognise(file, suffix);
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
        return OwnFormatPicture{reader->Decode(), reader->Exif(), open == OpenTga};
    } catch (const DecodeFailure& failure) {
        Refuse(name, failure, bound);
    } catch (const std::bad_alloc&) {
        Refuse(name, {DecodeFailure::OutOfMemory, {}}, bound);
    }
}

}  // namespace rt

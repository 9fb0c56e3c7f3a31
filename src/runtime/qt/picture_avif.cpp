// AVIF pictures through libavif and the dav1d decoder: the first image of a sequence,
// turned and mirrored as its irot and imir properties ask, converted to RGB by libavif
// with the file's matrix coefficients and range, deeper samples rounded to 8 bits.
#include <avif/avif.h>

#include <QThread>
#include <QtEndian>
#include <QTransform>

#include "runtime/qt/picture_own_formats.h"

namespace rt {

namespace {

constexpr int64_t kFixedCost = 32 << 20;  // the AV1 decoder's state and reference frames


void Check(avifResult result) {
    if (result == AVIF_RESULT_OK) return;
    if (result == AVIF_RESULT_TRUNCATED_DATA) throw DecodeFailure{DecodeFailure::Truncated, {}};
    if (result == AVIF_RESULT_OUT_OF_MEMORY) throw DecodeFailure{DecodeFailure::OutOfMemory, {}};
    throw DecodeFailure{DecodeFailure::Damaged, QString::fromUtf8(avifResultToString(result)).toStdU16String()};
}

class AvifReader : public OwnFormatReader {
public:
    explicit AvifReader(const QByteArray& bytes) : bytes_(bytes) {
        decoder_->maxThreads = std::max(1, QThread::idealThreadCount());
        // Pictures written without the optional property boxes are common and readable.
        decoder_->strictFlags = AVIF_STRICT_DISABLED;
    }
    ~AvifReader() override { avifDecoderDestroy(decoder_); }

    DecodingCost Measure() override {
        if (IsoBoxesOverrun(bytes_)) throw DecodeFailure{DecodeFailure::Truncated, {}};
        Check(avifDecoderSetIOMemory(decoder_, reinterpret_cast<const uint8_t*>(bytes_.constData()), size_t(bytes_.size())));
        Check(avifDecoderParse(decoder_));
        const avifImage* image = decoder_->image;
        // Files without irot and imir may still carry their orientation in EXIF only.
        const bool transformed = image->transformFlags & (AVIF_TRANSFORM_IROT | AVIF_TRANSFORM_IMIR);
        if (!transformed)
            orientation_ = ExifOrientation(QByteArray(reinterpret_cast<const char*>(image->exif.data), qsizetype(image->exif.size)));
        turned_ = ((image->transformFlags & AVIF_TRANSFORM_IROT) && (image->irot.angle & 1)) || orientation_ >= 5;
        DecodingCost cost;
        cost.size = turned_ ? QSize(int(image->height), int(image->width)) : QSize(int(image->width), int(image->height));
        if (cost.size.isEmpty()) return {};
        // The decoded planes and the decoder's copy of them, our picture, and a turned copy.
        const double pixels = double(image->width) * image->height;
        const double planes = (image->depth > 8 ? 2 : 1) * (decoder_->alphaPresent ? 4 : 3);
        cost.bytes = CostInBytes(pixels * (2 * planes + (transformed || orientation_ > 1 ? 8 : 4)) + double(bytes_.size()) + kFixedCost);
        return cost;
    }

    QImage Decode() override {
        Check(avifDecoderNextImage(decoder_));
        const avifImage* decoded = decoder_->image;
        const bool alpha = decoded->alphaPlane != nullptr;
        QImage image = NewImage(int(decoded->width), int(decoded->height),
                                alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, decoded);
        rgb.depth = 8;  // libavif scales deeper samples with rounding
        rgb.format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_ARGB;
        rgb.pixels = image.bits();
        rgb.rowBytes = uint32_t(image.bytesPerLine());
        Check(avifImageYUVToRGB(decoded, &rgb));
        ConvertToSrgb(image, QByteArray(reinterpret_cast<const char*>(decoded->icc.data), qsizetype(decoded->icc.size)),
                      decoded->colorPrimaries);
        return Oriented(Upright(std::move(image), decoded), orientation_);
    }

    QByteArray Exif() const override {
        const avifRWData& exif = decoder_->image->exif;
        return QByteArray(reinterpret_cast<const char*>(exif.data), qsizetype(exif.size));
    }

private:
    // irot turns anticlockwise in quarter turns, then imir mirrors (mode 0 exchanges top
    // and bottom, mode 1 left and right).
    static QImage Upright(QImage image, const avifImage* decoded) {
        if ((decoded->transformFlags & AVIF_TRANSFORM_IROT) && decoded->irot.angle % 4)
            image = image.transformed(QTransform().rotate(-90.0 * (decoded->irot.angle % 4)));
        if (decoded->transformFlags & AVIF_TRANSFORM_IMIR)
            image = decoded->imir.mode == 0 ? image.mirrored(false, true) : image.mirrored(true, false);
        if (image.isNull()) throw DecodeFailure{DecodeFailure::OutOfMemory, {}};
        return image;
    }

    const QByteArray& bytes_;
    avifDecoder* decoder_ = avifDecoderCreate();
    bool turned_ = false;
    int orientation_ = 1;
};

}  // namespace

bool IsAvif(const QByteArray& head) {
    if (head.size() < 16 || head.mid(4, 4) != "ftyp") return false;
    const qsizetype end = std::min<qsizetype>(head.size(), qFromBigEndian<quint32>(head.constData()));
    for (qsizetype at = 8; at + 4 <= end; at += at == 8 ? 8 : 4)  // major brand, version, compatible brands
        if (head.mid(at, 4) == "avif" || head.mid(at, 4) == "avis") return true;
    return false;
}

std::unique_ptr<OwnFormatReader> OpenAvif(const QByteArray& bytes) {
    return std::make_unique<AvifReader>(bytes);
}

}  // namespace rt

#include <QImage>
#include <webp/encode.h>
#include <webp/mux.h>

#include "runtime/errors.h"
#include "runtime/qt/picture_encode.h"

// WebP through libwebp itself, whose effort setting Qt's writer leaves at its slow
// default; the profile, EXIF and XMP go into their own chunks. A picture read from a
// lossless file is written losslessly, as it was.

namespace rt {

namespace {

// Chosen by measurement on a 24-megapixel photograph (bench_save): effort 2 at quality
// 91 takes about half the time of effort 4 at quality 90 (Qt's setting), with a higher
// PSNR and a smaller file; efforts 0 and 1 overflow libwebp's first partition on large
// detailed pictures at these qualities.
constexpr int kLossyMethod = 2;
constexpr float kLossyQuality = 91;
// Lossless: effort 0 is three times as fast as effort 1 and twenty times as fast as the
// default, for files some 8 % larger.
constexpr int kLosslessMethod = 0;
constexpr float kLosslessQuality = 0;

[[noreturn]] void Fail(const std::u16string& target, const char* why) {
    Raise(ErrCannotWritePicture, target + u" (" + QString::fromLatin1(why).toStdU16String() + u")");
}

const char* EncodingError(WebPEncodingError error) {
    switch (error) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY: return "not enough memory to encode WebP";
    case VP8_ENC_ERROR_BAD_DIMENSION: return "too large for WebP, which holds at most 16383 x 16383 pixels";
    case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
    case VP8_ENC_ERROR_PARTITION_OVERFLOW: return "too much detail for one WebP picture";
    default: return "the WebP encoder failed";
    }
}

// The bitstream in a file with the metadata chunks; the file alone when there are none.
QByteArray WithChunks(const WebPMemoryWriter& written, const PictureMetadata& metadata, const std::u16string& target) {
    const QByteArray plain(reinterpret_cast<const char*>(written.mem), qsizetype(written.size));
    if (metadata.iccProfile.isEmpty() && metadata.exif.isEmpty() && metadata.xmp.isEmpty()) return plain;
    WebPMux* mux = WebPMuxNew();
    const WebPData image = {written.mem, written.size};
    bool ok = mux && WebPMuxSetImage(mux, &image, 0) == WEBP_MUX_OK;
    const auto set = [&](const char* fourcc, const QByteArray& bytes) {
        const WebPData chunk = {reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
        if (ok && !bytes.isEmpty()) ok = WebPMuxSetChunk(mux, fourcc, &chunk, 1) == WEBP_MUX_OK;
    };
    set("ICCP", metadata.iccProfile);
    set("EXIF", metadata.exif);
    set("XMP ", metadata.xmp);
    WebPData assembled = {nullptr, 0};
    ok = ok && WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK;
    WebPMuxDelete(mux);
    if (!ok) Fail(target, "the WebP metadata could not be written");
    QByteArray bytes(reinterpret_cast<const char*>(assembled.bytes), qsizetype(assembled.size));
    WebPDataClear(&assembled);
    return bytes;
}

}  // namespace

QByteArray EncodeWebp(const QImage& source, const PictureMetadata& metadata, const std::u16string& target) {
    const bool alpha = source.hasAlphaChannel();
    const QImage image = source.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    WebPConfig config;
    const bool lossless = metadata.lossless;
    if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, lossless ? kLosslessQuality : kLossyQuality))
        Fail(target, "the WebP encoder failed");
    config.lossless = lossless;
    config.method = lossless ? kLosslessMethod : kLossyMethod;
    config.exact = lossless;  // transparent pixels keep their colour in a lossless copy
    WebPPicture picture;
    if (!WebPPictureInit(&picture)) Fail(target, "the WebP encoder failed");
    picture.use_argb = lossless;
    picture.width = image.width();
    picture.height = image.height();
    // RGB32 and ARGB32 are BGRA in memory on a little-endian machine.
    const bool imported = alpha ? WebPPictureImportBGRA(&picture, image.constBits(), int(image.bytesPerLine()))
                                : WebPPictureImportBGRX(&picture, image.constBits(), int(image.bytesPerLine()));
    if (!imported) {
        WebPPictureFree(&picture);
        Fail(target, EncodingError(picture.error_code));
    }
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    const bool encoded = WebPEncode(&config, &picture);
    const WebPEncodingError error = picture.error_code;
    WebPPictureFree(&picture);
    if (!encoded) {
        WebPMemoryWriterClear(&writer);
        Fail(target, EncodingError(error));
    }
    QByteArray bytes;
    try {
        bytes = WithChunks(writer, metadata, target);
    } catch (...) {
        WebPMemoryWriterClear(&writer);
        throw;
    }
    WebPMemoryWriterClear(&writer);
    return bytes;
}

}  // namespace rt

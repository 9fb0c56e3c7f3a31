// WebP through libwebp itself; the profile, EXIF and XMP go into their own chunks. A
// picture read from a lossless file is written losslessly, as it was.
#include <webp/encode.h>
#include <webp/mux.h>

#include "pictures/writers/workers.h"
#include "pictures/writers/writers.h"

namespace pictures {

namespace {

// Chosen by measurement on a 24-megapixel photograph (bench_save): effort 2 at quality
// 91 takes about half the time of effort 4 at quality 90, with a higher PSNR and a smaller
// file; efforts 0 and 1 overflow libwebp's first partition on large detailed pictures at
// these qualities.
constexpr int kLossyMethod = 2;
constexpr float kLossyQuality = 91;
// Lossless: effort 0 is three times as fast as effort 1 and twenty times as fast as the
// default, for files some 8 % larger.
constexpr int kLosslessMethod = 0;
constexpr float kLosslessQuality = 0;

const char16_t* EncodingError(WebPEncodingError error) {
    switch (error) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY: return u"not enough memory to encode WebP";
    case VP8_ENC_ERROR_BAD_DIMENSION: return u"too large for WebP, which holds at most 16383 x 16383 pixels";
    case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
    case VP8_ENC_ERROR_PARTITION_OVERFLOW: return u"too much detail for one WebP picture";
    default: return u"the WebP encoder failed";
    }
}

// The bitstream in a file with the metadata chunks; the file alone when there are none.
std::string WithChunks(const WebPMemoryWriter& written, const Metadata& metadata) {
    std::string plain(reinterpret_cast<const char*>(written.mem), written.size);
    if (metadata.icc.empty() && metadata.exif.empty() && metadata.xmp.empty()) return plain;
    WebPMux* mux = WebPMuxNew();
    const WebPData image = {written.mem, written.size};
    bool ok = mux && WebPMuxSetImage(mux, &image, 0) == WEBP_MUX_OK;
    const auto set = [&](const char* fourcc, const std::string& bytes) {
        const WebPData chunk = {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
        if (ok && !bytes.empty()) ok = WebPMuxSetChunk(mux, fourcc, &chunk, 1) == WEBP_MUX_OK;
    };
    set("ICCP", metadata.icc);
    set("EXIF", metadata.exif);
    set("XMP ", metadata.xmp);
    WebPData assembled = {nullptr, 0};
    ok = ok && WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK;
    WebPMuxDelete(mux);
    if (!ok) Fail(Failure::WriteFailed, u"the WebP metadata could not be written");
    std::string bytes(reinterpret_cast<const char*>(assembled.bytes), assembled.size);
    WebPDataClear(&assembled);
    return bytes;
}

}  // namespace

std::string EncodeWebp(const Image& image, const Metadata& metadata) {
    const bool alpha = image.HasAlpha();
    WebPConfig config;
    const bool lossless = metadata.lossless;
    if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, lossless ? kLosslessQuality : kLossyQuality))
        Fail(Failure::WriteFailed, u"the WebP encoder failed");
    config.lossless = lossless;
    config.method = lossless ? kLosslessMethod : kLossyMethod;
    config.exact = lossless;  // transparent pixels keep their colour in a lossless copy
    // libwebp's second thread: the lossy analysis pass and the alpha plane, or the lossless
    // encoder's own parallel parts, run beside the main work. It changes no byte.
    config.thread_level = WorkerCount() > 1 ? 1 : 0;
    WebPPicture picture;
    if (!WebPPictureInit(&picture)) Fail(Failure::WriteFailed, u"the WebP encoder failed");
    picture.use_argb = lossless;
    picture.width = image.Width();
    picture.height = image.Height();
    const auto* bgra = reinterpret_cast<const uint8_t*>(image.Pixels());
    const bool imported = alpha ? WebPPictureImportBGRA(&picture, bgra, int(image.Stride()))
                                : WebPPictureImportBGRX(&picture, bgra, int(image.Stride()));
    if (!imported) {
        WebPPictureFree(&picture);
        Fail(Failure::WriteFailed, EncodingError(picture.error_code));
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
        Fail(Failure::WriteFailed, EncodingError(error));
    }
    std::string bytes;
    try {
        bytes = WithChunks(writer, metadata);
    } catch (...) {
        WebPMemoryWriterClear(&writer);
        throw;
    }
    WebPMemoryWriterClear(&writer);
    return bytes;
}

}  // namespace pictures

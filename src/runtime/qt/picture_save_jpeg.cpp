#include <QImage>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

#include "runtime/errors.h"
#include "runtime/qt/picture_encode.h"

// JPEG through libjpeg itself: Qt's writer cannot ask for optimised Huffman tables,
// which make files some percent smaller for little time. Baseline, 4:2:0, quality 90.

namespace rt {

namespace {

constexpr int kQuality = 90;

struct ErrorExit {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
    auto* error = reinterpret_cast<ErrorExit*>(cinfo->err);
    cinfo->err->format_message(cinfo, error->message);
    std::longjmp(error->jump, 1);
}

// APP markers: the profile in numbered APP2 pieces, EXIF and XMP in APP1.
void WriteMetadata(jpeg_compress_struct& cinfo, const PictureMetadata& metadata) {
    if (!metadata.exif.isEmpty() && metadata.exif.size() <= 65533 - 6) {
        const QByteArray app1 = QByteArray("Exif\0\0", 6) + metadata.exif;
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(app1.constData()), app1.size());
    }
    if (!metadata.xmp.isEmpty() && metadata.xmp.size() <= 65533 - 29) {
        const QByteArray app1 = QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) + metadata.xmp;
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(app1.constData()), app1.size());
    }
    constexpr qsizetype kPiece = 65533 - 14;  // marker length less "ICC_PROFILE\0", number, count
    const qsizetype pieces = (metadata.iccProfile.size() + kPiece - 1) / kPiece;
    for (qsizetype i = 0; i < pieces && pieces < 256; ++i) {
        const QByteArray app2 = QByteArray("ICC_PROFILE\0", 12) + char(i + 1) + char(pieces) +
                                metadata.iccProfile.mid(i * kPiece, kPiece);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 2, reinterpret_cast<const JOCTET*>(app2.constData()), app2.size());
    }
}

}  // namespace

QByteArray EncodeJpeg(const QImage& source, const PictureMetadata& metadata, const std::u16string& target) {
    const QImage image = source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct cinfo {};
    ErrorExit error {};
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        Raise(ErrCannotWritePicture, target + u" (" + QString::fromLocal8Bit(error.message).toStdU16String() + u")");
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;  // RGB32 in memory on a little-endian machine
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kQuality, TRUE);
    cinfo.optimize_coding = TRUE;
    cinfo.dct_method = JDCT_ISLOW;
    // 4:2:0 (the defaults' sampling); pixel density as the picture says, when it says.
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0) {
        cinfo.density_unit = 2;  // dots per centimetre
        cinfo.X_density = UINT16(std::min(65535, (image.dotsPerMeterX() + 50) / 100));
        cinfo.Y_density = UINT16(std::min(65535, (image.dotsPerMeterY() + 50) / 100));
    }
    jpeg_start_compress(&cinfo, TRUE);
    WriteMetadata(cinfo, metadata);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

}  // namespace rt

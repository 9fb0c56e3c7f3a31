// PNG through libpng: 8-bit RGB, or RGBA when the picture has alpha; the profile (iCCP),
// EXIF (eXIf) and XMP (iTXt) before the pixel data.
#include <png.h>

#include <csetjmp>
#include <vector>

#include "pictures/writers/writers.h"

namespace pictures {

namespace {

// zlib's fastest level with libpng's adaptive filters keeps files near the default
// level's size at a fraction of its time.
constexpr int kDeflateLevel = 1;

struct Output {
    std::string bytes;
    char message[256] = "the PNG encoder failed";
};

void Append(png_structp png, png_bytep data, png_size_t length) {
    static_cast<Output*>(png_get_io_ptr(png))->bytes.append(reinterpret_cast<const char*>(data), length);
}

void OnError(png_structp png, png_const_charp message) {
    auto* out = static_cast<Output*>(png_get_error_ptr(png));
    snprintf(out->message, sizeof out->message, "%s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

}  // namespace

std::string EncodePng(const Image& image, const Metadata& metadata) {
    const bool alpha = image.HasAlpha();
    const size_t channels = alpha ? 4 : 3;
    // Everything with a destructor is made before setjmp, which a libpng error returns to.
    std::vector<png_byte> row(size_t(image.Width()) * channels);
    Output out;
    out.bytes.reserve(size_t(image.Bytes() / 4));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &out, OnError, OnWarning);
    if (!png) Fail(Failure::OutOfMemory);
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        Fail(Failure::WriteFailed, Text(out.message));
    }
    png_set_write_fn(png, &out, Append, nullptr);
    // A profile libpng finds fault with is left out rather than failing the save.
    png_set_benign_errors(png, 1);
    png_set_compression_level(png, kDeflateLevel);
    png_set_IHDR(png, info, png_uint_32(image.Width()), png_uint_32(image.Height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (image.dotsPerMeterX > 0 && image.dotsPerMeterY > 0)
        png_set_pHYs(png, info, png_uint_32(image.dotsPerMeterX), png_uint_32(image.dotsPerMeterY),
                     PNG_RESOLUTION_METER);
    if (!metadata.icc.empty())
        png_set_iCCP(png, info, "ICC Profile", PNG_COMPRESSION_TYPE_BASE,
                     reinterpret_cast<png_const_bytep>(metadata.icc.data()), png_uint_32(metadata.icc.size()));
    if (!metadata.exif.empty())
        png_set_eXIf_1(png, info, png_uint_32(metadata.exif.size()),
                       const_cast<png_bytep>(reinterpret_cast<png_const_bytep>(metadata.exif.data())));
    png_text xmp {};
    if (!metadata.xmp.empty()) {  // uncompressed, no language or translated keyword
        xmp.compression = PNG_ITXT_COMPRESSION_NONE;
        xmp.key = const_cast<png_charp>("XML:com.adobe.xmp");
        xmp.text = const_cast<png_charp>(metadata.xmp.data());
        xmp.itxt_length = metadata.xmp.size();
        png_set_text(png, info, &xmp, 1);
    }
    png_write_info(png, info);
    for (int y = 0; y < image.Height(); ++y) {
        const uint32_t* in = image.Row(y);
        png_byte* p = row.data();
        for (int x = 0; x < image.Width(); ++x) {
            *p++ = png_byte(RedOf(in[x]));
            *p++ = png_byte(GreenOf(in[x]));
            *p++ = png_byte(BlueOf(in[x]));
            if (alpha) *p++ = png_byte(AlphaOf(in[x]));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::move(out.bytes);
}

}  // namespace pictures

// PNG: 8-bit RGB, or RGBA when the picture has alpha; the profile (iCCP), EXIF (eXIf) and
// XMP (iTXt) before the pixel data. libpng writes the header and those chunks; the pixel
// data is filtered and compressed here in bands on all cores (libdeflate), the bands
// joined as the one zlib stream PNG holds.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <stdexcept>
#include <vector>

#include "pictures/writers/deflate_parts.h"
#include "pictures/writers/png_filters.h"
#include "pictures/writers/workers.h"
#include "pictures/writers/writers.h"

namespace pictures {

namespace {

// libdeflate's fastest level: on a 24-megapixel photograph it compresses as well as zlib's
// fastest in half its time.
constexpr int kDeflateLevel = 1;
// The filter is chosen for a row and kept for the rows below it up to the next choice:
// choosing for every row costs more than it saves.
constexpr int kChooseEvery = 4;
// Below this much pixel data a single band is quicker than starting threads.
constexpr size_t kBandBytes = size_t(1) << 20;
// No band is larger than this (zlib reads a band back in one call, which takes 32 bits).
constexpr size_t kLargestBand = size_t(1) << 30;
// A band other than the last is inflated again to join it to the next (deflate_parts.h),
// which costs about a third of its compression: those bands get fewer rows.
constexpr double kLastBandShare = 1.35;
// The pixel data goes out in IDAT chunks of this size.
constexpr size_t kChunkBytes = size_t(1) << 20;

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

void ToBytes(const uint32_t* in, int width, bool alpha, uint8_t* out) {
    for (int x = 0; x < width; ++x) {
        *out++ = uint8_t(RedOf(in[x]));
        *out++ = uint8_t(GreenOf(in[x]));
        *out++ = uint8_t(BlueOf(in[x]));
        if (alpha) *out++ = uint8_t(AlphaOf(in[x]));
    }
}

// The first row of each band: the bands split the rows so that each takes about as long.
std::vector<int> BandTops(int height, size_t rowBytes) {
    const size_t total = size_t(height) * (rowBytes + 1);
    size_t bands = std::clamp<size_t>(total / kBandBytes, 1, size_t(WorkerCount()));
    bands = std::max(bands, (total + kLargestBand - 1) / kLargestBand);
    bands = std::min(bands, size_t(height));
    const double weight = height / (double(bands - 1) + kLastBandShare);
    std::vector<int> tops;
    for (size_t i = 0; i < bands; ++i)  // no band empty
        tops.push_back(std::clamp(int(double(i) * weight), int(i), height - int(bands - i)));
    tops.push_back(height);
    return tops;
}

// The picture's rows filtered and compressed, band by band.
std::vector<DeflatedPart> CompressedRows(const Image& image, size_t channels) {
    const int width = image.Width();
    const size_t rowBytes = size_t(width) * channels;
    const std::vector<int> tops = BandTops(image.Height(), rowBytes);
    const int bands = int(tops.size()) - 1;
    std::vector<DeflatedPart> parts(static_cast<size_t>(bands));
    RunParts(bands, [&](int band) {
        const int top = tops[size_t(band)], bottom = tops[size_t(band) + 1];
        const size_t size = size_t(bottom - top) * (rowBytes + 1);
        std::unique_ptr<uint8_t[]> filtered(new uint8_t[size]);
        std::vector<uint8_t> above(rowBytes), row(rowBytes), scratch(rowBytes + 1);
        if (top > 0) ToBytes(image.Row(top - 1), width, channels == 4, above.data());
        int filter = 0;
        uint8_t* out = filtered.get();
        for (int y = top; y < bottom; ++y, out += rowBytes + 1) {
            ToBytes(image.Row(y), width, channels == 4, row.data());
            if (y == top || y % kChooseEvery == 0)
                filter = CheapestFilter(row.data(), above.data(), rowBytes, int(channels), scratch.data());
            FilterRow(filter, row.data(), above.data(), rowBytes, int(channels), out);
            std::swap(row, above);
        }
        parts[size_t(band)] = DeflatePart(filtered.get(), size, band == bands - 1, kDeflateLevel);
    });
    return parts;
}

// Writes the zlib stream (header, parts, trailer) as IDAT chunks of kChunkBytes.
void WriteIdat(png_structp png, const std::vector<DeflatedPart>& parts) {
    uint32_t adler = parts[0].adler;
    for (size_t i = 1; i < parts.size(); ++i) adler = CombinedAdler(adler, parts[i]);
    uint8_t trailer[4];
    ZlibTrailer(adler, trailer);
    std::vector<std::pair<const uint8_t*, size_t>> pieces{{kZlibHeader, sizeof kZlibHeader}};
    size_t total = sizeof kZlibHeader + sizeof trailer;
    for (const DeflatedPart& part : parts) pieces.emplace_back(part.bytes.get(), part.size), total += part.size;
    pieces.emplace_back(trailer, sizeof trailer);
    size_t piece = 0, at = 0;
    while (total > 0) {
        size_t chunk = std::min(total, kChunkBytes);
        png_write_chunk_start(png, reinterpret_cast<png_const_bytep>("IDAT"), png_uint_32(chunk));
        total -= chunk;
        while (chunk > 0) {
            const size_t n = std::min(chunk, pieces[piece].second - at);
            png_write_chunk_data(png, pieces[piece].first + at, n);
            chunk -= n, at += n;
            if (at == pieces[piece].second) ++piece, at = 0;
        }
        png_write_chunk_end(png);
    }
}

}  // namespace

std::string EncodePng(const Image& image, const Metadata& metadata) {
    const bool alpha = image.HasAlpha();
    const size_t channels = alpha ? 4 : 3;
    std::vector<DeflatedPart> rows;
    try {
        rows = CompressedRows(image, channels);
    } catch (const std::runtime_error& e) {
        Fail(Failure::WriteFailed, Text(e.what()));
    }
    // Everything with a destructor is made before setjmp, which a libpng error returns to.
    Output out;
    size_t compressed = 0;
    for (const DeflatedPart& part : rows) compressed += part.size;
    out.bytes.reserve(compressed + compressed / kChunkBytes * 12 + metadata.icc.size() + metadata.exif.size() +
                      metadata.xmp.size() + 1024);
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
    WriteIdat(png, rows);
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
    png_destroy_write_struct(&png, &info);
    return std::move(out.bytes);
}

}  // namespace pictures

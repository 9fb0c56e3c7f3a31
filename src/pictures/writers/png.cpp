// PNG: 8-bit RGB, or RGBA when the picture has alpha; the profile (iCCP), EXIF (eXIf) and
// XMP (iTXt) before the pixel data. libpng writes the header and those chunks; the pixel
// data is filtered and compressed here in bands on all cores (libdeflate), the bands
// joined as the one zlib stream PNG holds.
#include <libdeflate.h>
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
// No band is larger than this: a band's rows are held filtered, and its compressed form
// beside them, while it is compressed, so that the memory a save takes beyond the file
// stays bounded for the largest pictures (the 32-bit program's address space is small).
constexpr size_t kLargestBand = size_t(64) << 20;
// A band other than the last is inflated again to join it to the next (deflate_parts.h),
// which costs about half as much as its compression: those bands get fewer rows.
constexpr double kLastBandShare = 1.5;
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

void PutU32(uint32_t v, std::string& out) {
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(bytes, 4);
}

// Bytes as IDAT chunks of at most kChunkBytes, each with its CRC.
void AppendIdat(const uint8_t* data, size_t size, std::string& out) {
    for (size_t at = 0; at < size;) {
        const size_t n = std::min(kChunkBytes, size - at);
        PutU32(uint32_t(n), out);
        out.append("IDAT");
        out.append(reinterpret_cast<const char*>(data + at), n);
        PutU32(libdeflate_crc32(libdeflate_crc32(0, "IDAT", 4), data + at, n), out);
        at += n;
    }
}

// A band's rows, filtered, compressed and in IDAT chunks as they go into the file; the
// first band's begin with the zlib header. The Adler-32 of the filtered rows, to be
// combined with the other bands'.
struct Band {
    std::string chunks;
    uint32_t adler = 1;
    size_t size = 0;
};

// The picture's rows filtered and compressed, band by band.
std::vector<Band> CompressedRows(const Image& image, size_t channels) {
    const int width = image.Width();
    const size_t rowBytes = size_t(width) * channels;
    const std::vector<int> tops = BandTops(image.Height(), rowBytes);
    const int bands = int(tops.size()) - 1;
    std::vector<Band> parts(static_cast<size_t>(bands));
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
        above = {}, row = {}, scratch = {};
        DeflatedPart part = DeflatePart(filtered.get(), size, band == bands - 1, kDeflateLevel);
        filtered.reset();
        Band& done = parts[size_t(band)];
        done.adler = part.adler, done.size = part.inputSize;
        done.chunks.reserve(part.size + (part.size / kChunkBytes + 1) * 12 + sizeof kZlibHeader);
        if (band == 0) {  // the header's own chunk would cost a chunk's 12 bytes more
            std::unique_ptr<uint8_t[]> headed(new uint8_t[part.size + sizeof kZlibHeader]);
            std::copy(kZlibHeader, kZlibHeader + sizeof kZlibHeader, headed.get());
            std::copy(part.bytes.get(), part.bytes.get() + part.size, headed.get() + sizeof kZlibHeader);
            AppendIdat(headed.get(), part.size + sizeof kZlibHeader, done.chunks);
        } else {
            AppendIdat(part.bytes.get(), part.size, done.chunks);
        }
    });
    return parts;
}

// The bands' chunks, each freed once copied, and a last chunk with the zlib stream's checksum.
void AppendBands(std::vector<Band>& bands, std::string& out) {
    uint32_t adler = bands[0].adler;
    for (Band& band : bands) out.append(band.chunks), band.chunks = {};
    for (size_t i = 1; i < bands.size(); ++i) adler = CombinedAdler(adler, bands[i].adler, bands[i].size);
    uint8_t trailer[4];
    ZlibTrailer(adler, trailer);
    AppendIdat(trailer, sizeof trailer, out);
}

}  // namespace

std::string EncodePng(const Image& image, const Metadata& metadata) {
    const bool alpha = image.HasAlpha();
    const size_t channels = alpha ? 4 : 3;
    std::vector<Band> rows;
    try {
        rows = CompressedRows(image, channels);
    } catch (const std::runtime_error& e) {
        Fail(Failure::WriteFailed, Text(e.what()));
    }
    // Everything with a destructor is made before setjmp, which a libpng error returns to.
    Output out;
    size_t compressed = 0;
    for (const Band& band : rows) compressed += band.chunks.size();
    out.bytes.reserve(compressed + metadata.icc.size() + metadata.exif.size() + metadata.xmp.size() + 1024);
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
    png_write_info(png, info);  // libpng writes straight to out.bytes: nothing is held back
    AppendBands(rows, out.bytes);
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
    png_destroy_write_struct(&png, &info);
    return std::move(out.bytes);
}

}  // namespace pictures

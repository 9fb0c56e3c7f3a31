#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <stdexcept>
#include <tiffio.h>
#include <vector>

#include "pictures/writers/deflate_parts.h"
#include "pictures/metadata/metadata.h"
#include "pictures/writers/workers.h"
#include "pictures/writers/writers.h"

// TIFF through libtiff, compressed losslessly, with the metadata added to the finished file.
// The strips are predicted and compressed here on all cores (libdeflate) and handed to
// libtiff as they are to be stored.

namespace pictures {

namespace {

// Measured on a 24-megapixel photograph, file written and synced (bench_save):
// Deflate with the horizontal predictor at a low level gives the shortest whole save.
constexpr int kDeflateLevel = 1;
constexpr tsize_t kStripBytes = 1 << 20;

// A growing file in memory for libtiff.
struct MemoryFile {
    std::string bytes;
    toff_t at = 0;
};

tsize_t Read(thandle_t h, tdata_t buffer, tsize_t size) {
    auto* f = static_cast<MemoryFile*>(h);
    const tsize_t n = std::max<tsize_t>(0, std::min<tsize_t>(size, tsize_t(f->bytes.size()) - tsize_t(f->at)));
    std::memcpy(buffer, f->bytes.data() + f->at, size_t(n));
    f->at += toff_t(n);
    return n;
}

tsize_t Write(thandle_t h, tdata_t buffer, tsize_t size) {
    auto* f = static_cast<MemoryFile*>(h);
    const toff_t end = f->at + toff_t(size);
    if (end > toff_t(f->bytes.size())) f->bytes.resize(size_t(end));
    std::memcpy(f->bytes.data() + f->at, buffer, size_t(size));
    f->at = end;
    return size;
}

toff_t Seek(thandle_t h, toff_t offset, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    if (whence == SEEK_CUR) offset += f->at;
    if (whence == SEEK_END) offset += toff_t(f->bytes.size());
    return f->at = offset;
}

int Close(thandle_t) { return 0; }
toff_t Size(thandle_t h) { return toff_t(static_cast<MemoryFile*>(h)->bytes.size()); }
int Map(thandle_t, tdata_t*, toff_t*) { return 0; }
void Unmap(thandle_t, tdata_t, toff_t) {}

// libtiff reports through handlers that print; the encoder keeps the last message for the error.
thread_local char lastError[256];
void OnError(const char*, const char* format, va_list args) { std::vsnprintf(lastError, sizeof lastError, format, args); }

// The strips' rows as R, G, B (and A) bytes, each byte but a row's first pixel's the
// difference from the byte a pixel before it (the horizontal predictor), Deflate-compressed.
std::vector<DeflatedPart> CompressedStrips(const Image& image, int samples, int rowsPerStrip) {
    const int width = image.Width(), height = image.Height();
    const size_t rowBytes = size_t(width) * size_t(samples);
    const int strips = (height + rowsPerStrip - 1) / rowsPerStrip;
    std::vector<DeflatedPart> out(static_cast<size_t>(strips));
    RunParts(strips, [&](int strip) {
        const int top = strip * rowsPerStrip, bottom = std::min(height, top + rowsPerStrip);
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[size_t(bottom - top) * rowBytes]);
        uint8_t* p = bytes.get();
        for (int y = top; y < bottom; ++y) {
            const uint32_t* in = image.Row(y);
            uint32_t before = 0;  // the pixel to the left; none for the first
            for (int x = 0; x < width; ++x, p += samples) {
                const uint32_t px = in[x];
                p[0] = uint8_t(RedOf(px) - RedOf(before));
                p[1] = uint8_t(GreenOf(px) - GreenOf(before));
                p[2] = uint8_t(BlueOf(px) - BlueOf(before));
                if (samples == 4) p[3] = uint8_t(AlphaOf(px) - AlphaOf(before));
                before = px;
            }
        }
        out[size_t(strip)] = ZlibCompressed(bytes.get(), size_t(bottom - top) * rowBytes, kDeflateLevel);
    });
    return out;
}

}  // namespace

std::string EncodeTiff(const Image& image, const Metadata& metadata) {
    const bool alpha = image.HasAlpha();
    const int samples = alpha ? 4 : 3;
    const uint32_t rowBytes = uint32_t(image.Width()) * uint32_t(samples);
    // No more rows a strip than the picture has: readers take the tag as the strip's size.
    const uint32_t rowsPerStrip =
        std::min(std::max<uint32_t>(1, uint32_t(kStripBytes) / rowBytes), uint32_t(image.Height()));
    std::vector<DeflatedPart> strips;
    try {
        strips = CompressedStrips(image, samples, int(rowsPerStrip));
    } catch (const std::runtime_error& e) {
        Fail(Failure::WriteFailed, Text(e.what()));
    }
    MemoryFile file;
    size_t compressed = 0;
    for (const DeflatedPart& strip : strips) compressed += strip.size;
    file.bytes.reserve(compressed + strips.size() * 8 + 4096);
    lastError[0] = 0;
    const TIFFErrorHandler previous = TIFFSetErrorHandler(OnError);
    const TIFFErrorHandler previousWarning = TIFFSetWarningHandler(nullptr);
    TIFF* tiff = TIFFClientOpen("picture", "w", &file, Read, Write, Seek, Close, Size, Map, Unmap);
    bool ok = tiff != nullptr;
    if (ok) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(image.Width()));
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(image.Height()));
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        if (alpha) {
            const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        if (image.dotsPerMeterX > 0 && image.dotsPerMeterY > 0) {
            TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
            TIFFSetField(tiff, TIFFTAG_XRESOLUTION, float(image.dotsPerMeterX / 100.0));
            TIFFSetField(tiff, TIFFTAG_YRESOLUTION, float(image.dotsPerMeterY / 100.0));
        }
        for (size_t i = 0; ok && i < strips.size(); ++i)
            ok = TIFFWriteRawStrip(tiff, uint32_t(i), strips[i].bytes.get(), tmsize_t(strips[i].size)) ==
                 tmsize_t(strips[i].size);
        ok = TIFFWriteDirectory(tiff) && ok;
        TIFFClose(tiff);
    }
    TIFFSetErrorHandler(previous);
    TIFFSetWarningHandler(previousWarning);
    if (!ok) Fail(Failure::WriteFailed, Text(lastError));
    try {
        return WithTiffMetadata(file.bytes, metadata);
    } catch (const std::exception& e) {
        Fail(Failure::WriteFailed, Text(e.what()));
    }
}

}  // namespace pictures

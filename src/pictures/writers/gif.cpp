#include <gif_lib.h>
#include <libimagequant.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "pictures/writers/writers.h"

// GIF: a 256-colour palette from libimagequant, the picture diffused onto it; transparent
// pixels keep one transparent palette entry.

namespace pictures {

namespace {

// libimagequant's speed 1..10; 4 is its default balance of palette quality and time.
constexpr int kQuantiserSpeed = 4;
// Above this many pixels the palette is made from a sample of the picture.
constexpr int64_t kFullHistogramPixels = 4'000'000;

struct LiqAttrFree { void operator()(liq_attr* p) const { liq_attr_destroy(p); } };
struct LiqImageFree { void operator()(liq_image* p) const { liq_image_destroy(p); } };
struct LiqHistogramFree { void operator()(liq_histogram* p) const { liq_histogram_destroy(p); } };
struct LiqResultFree { void operator()(liq_result* p) const { liq_result_destroy(p); } };

int AppendToBytes(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), size_t(length));
    return length;
}

// R, G, B, A bytes a pixel, as libimagequant takes them.
struct Rgba {
    int width = 0, height = 0;
    std::vector<uint8_t> bytes;
    uint8_t* Row(int y) { return bytes.data() + size_t(y) * size_t(width) * 4; }
    const uint8_t* Row(int y) const { return bytes.data() + size_t(y) * size_t(width) * 4; }
};

// Floyd-Steinberg error diffusion onto the palette, the two halves of the picture at
// once. libimagequant's own dithering takes seconds on a large picture; here the
// nearest palette entry is looked up in a table over 6 bits per channel.
class Ditherer {
public:
    explicit Ditherer(const liq_palette& palette) {
        for (unsigned i = 0; i < palette.count; ++i) {
            const liq_color& c = palette.entries[i];
            if (c.a < 128) {
                if (transparent_ < 0) transparent_ = int(i);  // one transparent entry is enough
                continue;
            }
            opaque_.push_back({int(c.r), int(c.g), int(c.b), int(i)});
        }
        if (opaque_.empty()) opaque_.push_back({0, 0, 0, std::max(transparent_, 0)});
        table_.resize(64 * 64 * 64);
        auto fill = [this](int from, int to) {
            for (int key = from; key < to; ++key)
                table_[size_t(key)] = Nearest(((key >> 12) << 2) + 2, (((key >> 6) & 63) << 2) + 2, ((key & 63) << 2) + 2);
        };
        std::thread other(fill, 0, 64 * 64 * 32);
        fill(64 * 64 * 32, 64 * 64 * 64);
        other.join();
    }
    int Transparent() const { return transparent_; }

    void Run(const Rgba& rgba, unsigned char* out) const {
        const int h = rgba.height;
        std::thread other([&] { Rows(rgba, out, 0, h / 2); });
        Rows(rgba, out, h / 2, h);
        other.join();
    }

private:
    struct Entry {
        int r, g, b, index;
    };

    unsigned char Nearest(int r, int g, int b) const {
        int best = 0, bestDistance = INT_MAX;
        for (size_t i = 0; i < opaque_.size(); ++i) {
            const int dr = r - opaque_[i].r, dg = g - opaque_[i].g, db = b - opaque_[i].b;
            const int d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;  // the eye's rough weights
            if (d < bestDistance) bestDistance = d, best = int(i);
        }
        return (unsigned char)best;
    }

    // Serpentine rows; errors in sixteenths, carried along the row and to the next.
    void Rows(const Rgba& rgba, unsigned char* out, int top, int bottom) const {
        const int w = rgba.width;
        std::vector<int> current(size_t(w + 2) * 3), next(size_t(w + 2) * 3);
        for (int y = top; y < bottom; ++y) {
            const uint8_t* in = rgba.Row(y);
            unsigned char* row = out + size_t(y) * size_t(w);
            const int dir = (y - top) % 2 == 0 ? 1 : -1;
            std::fill(next.begin(), next.end(), 0);
            for (int i = 0; i < w; ++i) {
                const int x = dir > 0 ? i : w - 1 - i;
                const uint8_t* p = in + size_t(x) * 4;
                if (p[3] == 0 && transparent_ >= 0) {
                    row[x] = (unsigned char)transparent_;
                    continue;
                }
                const int* e = &current[size_t(x + 1) * 3];
                const int r = std::clamp(p[0] + (e[0] >> 4), 0, 255);
                const int g = std::clamp(p[1] + (e[1] >> 4), 0, 255);
                const int b = std::clamp(p[2] + (e[2] >> 4), 0, 255);
                const Entry& c = opaque_[table_[size_t(((r >> 2) << 12) | ((g >> 2) << 6) | (b >> 2))]];
                row[x] = (unsigned char)c.index;
                const int err[3] = {r - c.r, g - c.g, b - c.b};
                int* ahead = &current[size_t(x + 1 + dir) * 3];
                int* below = &next[size_t(x + 1) * 3];
                int* belowAhead = &next[size_t(x + 1 + dir) * 3];
                int* belowBehind = &next[size_t(x + 1 - dir) * 3];
                for (int k = 0; k < 3; ++k) {
                    ahead[k] += err[k] * 7;
                    belowBehind[k] += err[k] * 3;
                    below[k] += err[k] * 5;
                    belowAhead[k] += err[k];
                }
            }
            std::swap(current, next);
        }
    }

    std::vector<Entry> opaque_;
    std::vector<unsigned char> table_;  // index into opaque_
    int transparent_ = -1;
};

}  // namespace

std::string EncodeGif(const Image& source) {
    const int w = source.Width(), h = source.Height();
    if (w > 65535 || h > 65535) Fail(Failure::TooLarge, u"a GIF holds at most 65535 by 65535 pixels");

    // GIF transparency is all or nothing: half-transparent pixels become either.
    Rgba rgba{w, h, std::vector<uint8_t>(size_t(w) * size_t(h) * 4)};
    for (int y = 0; y < h; ++y) {
        const uint32_t* in = source.Row(y);
        uint8_t* p = rgba.Row(y);
        for (int x = 0; x < w; ++x, p += 4) {
            const unsigned a = source.HasAlpha() ? AlphaOf(in[x]) : 255;
            if (a < 128) {
                p[0] = p[1] = p[2] = p[3] = 0;
            } else {
                p[0] = uint8_t(RedOf(in[x]));
                p[1] = uint8_t(GreenOf(in[x]));
                p[2] = uint8_t(BlueOf(in[x]));
                p[3] = 255;
            }
        }
    }

    // The palette comes from libimagequant's histogram; on a large picture every other
    // pixel of every other row tells its colours as well, in a quarter of the time.
    std::unique_ptr<liq_attr, LiqAttrFree> attr(liq_attr_create());
    if (!attr) Fail(Failure::OutOfMemory);
    liq_set_max_colors(attr.get(), 256);
    liq_set_speed(attr.get(), kQuantiserSpeed);
    Rgba sampled;
    const Rgba* sample = &rgba;
    if (int64_t(w) * h > kFullHistogramPixels) {
        sampled = Rgba{(w + 1) / 2, (h + 1) / 2, {}};
        sampled.bytes.resize(size_t(sampled.width) * size_t(sampled.height) * 4);
        for (int y = 0; y < sampled.height; ++y) {
            const auto* from = reinterpret_cast<const uint32_t*>(rgba.Row(y * 2));
            auto* to = reinterpret_cast<uint32_t*>(sampled.Row(y));
            for (int x = 0; x < sampled.width; ++x) to[x] = from[x * 2];
        }
        sample = &sampled;
    }
    std::vector<void*> rows(static_cast<size_t>(sample->height));
    for (int y = 0; y < sample->height; ++y) rows[size_t(y)] = const_cast<uint8_t*>(sample->Row(y));
    std::unique_ptr<liq_image, LiqImageFree> image(
        liq_image_create_rgba_rows(attr.get(), rows.data(), sample->width, sample->height, 0));
    if (!image) Fail(Failure::WriteFailed, u"the quantiser refused the picture");
    std::unique_ptr<liq_histogram, LiqHistogramFree> histogram(liq_histogram_create(attr.get()));
    if (!histogram) Fail(Failure::OutOfMemory);
    if (liq_histogram_add_image(histogram.get(), attr.get(), image.get()) != LIQ_OK)
        Fail(Failure::WriteFailed, u"the colours could not be counted");
    liq_result* rawResult = nullptr;
    const liq_error quantised = liq_histogram_quantize(histogram.get(), attr.get(), &rawResult);
    std::unique_ptr<liq_result, LiqResultFree> result(rawResult);
    if (quantised == LIQ_OUT_OF_MEMORY) Fail(Failure::OutOfMemory);
    if (quantised != LIQ_OK || !result) Fail(Failure::WriteFailed, u"no palette could be made");
    const liq_palette* palette = liq_get_palette(result.get());

    std::vector<unsigned char> pixels(size_t(w) * size_t(h));
    const Ditherer ditherer(*palette);
    ditherer.Run(rgba, pixels.data());
    const int transparent = ditherer.Transparent();

    const int mapSize = 1 << GifBitSize(int(std::max(palette->count, 2u)));
    ColorMapObject* map = GifMakeMapObject(mapSize, nullptr);
    if (!map) Fail(Failure::OutOfMemory);
    for (unsigned i = 0; i < palette->count; ++i)
        map->Colors[i] = {palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};

    std::string bytes;
    bytes.reserve(pixels.size() / 2);
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, AppendToBytes, &error);
    if (!gif) {
        GifFreeMapObject(map);
        Fail(Failure::WriteFailed, Text(GifErrorString(error)));
    }
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, nullptr) == GIF_OK;
    if (ok && transparent >= 0) {
        GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, transparent};
        GifByteType extension[4];
        EGifGCBToExtension(&gcb, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, false, map) == GIF_OK;
    for (int y = 0; ok && y < h; ++y) ok = EGifPutLine(gif, pixels.data() + size_t(y) * size_t(w), w) == GIF_OK;
    const int lastError = gif->Error;
    GifFreeMapObject(map);
    int closeError = 0;
    const bool closed = EGifCloseFile(gif, &closeError) == GIF_OK;
    if (!ok) Fail(Failure::WriteFailed, Text(GifErrorString(lastError)));
    if (!closed) Fail(Failure::WriteFailed, Text(GifErrorString(closeError)));
    return bytes;
}

}  // namespace pictures

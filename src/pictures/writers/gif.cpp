#include <gif_lib.h>
#include <libimagequant.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <climits>
#include <cstdint>
#include <memory>
#include <cmath>
#include <vector>

#include "pictures/writers/workers.h"
#include "pictures/writers/writers.h"

// GIF: a picture of at most 256 colours with those; any other with a 256-colour palette
// from libimagequant, the picture diffused onto it. Transparent pixels keep one
// transparent palette entry.

namespace pictures {

namespace {

// libimagequant's speed 1..10; 4 is its default balance of palette quality and time.
constexpr int kQuantiserSpeed = 4;
// Above this many pixels the palette is made from a sample of the picture.
constexpr int64_t kFullHistogramPixels = 4'000'000;

struct LiqAttrFree { void operator()(liq_attr* p) const { liq_attr_destroy(p); } };
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
        for (const Entry& e : opaque_) red_.push_back(e.r), green_.push_back(e.g), blue_.push_back(e.b);
        table_.resize(64 * 64 * 64);
        auto fill = [this](int from, int to) {
            for (int key = from; key < to; ++key)
                table_[size_t(key)] = Nearest(((key >> 12) << 2) + 2, (((key >> 6) & 63) << 2) + 2, ((key & 63) << 2) + 2);
        };
        constexpr int kParts = 16;
        RunParts(kParts, [&](int part) { fill(64 * 64 * 64 * part / kParts, 64 * 64 * 64 * (part + 1) / kParts); });
    }
    int Transparent() const { return transparent_; }

    // The two halves of the picture are dithered on their own, at once where there are
    // two cores.
    void Run(const Rgba& rgba, unsigned char* out) const {
        const int h = rgba.height;
        RunParts(2, [&](int half) { Rows(rgba, out, half ? h / 2 : 0, half ? h : h / 2); });
    }

private:
    struct Entry {
        int r, g, b, index;
    };

    // The distances to all entries first (a loop that vectorises), then their least.
    unsigned char Nearest(int r, int g, int b) const {
        const size_t n = opaque_.size();
        int distance[256];
        for (size_t i = 0; i < n; ++i) {
            const int dr = r - red_[i], dg = g - green_[i], db = b - blue_[i];
            distance[i] = 2 * dr * dr + 4 * dg * dg + 3 * db * db;  // the eye's rough weights
        }
        int best = 0;
        for (size_t i = 1; i < n; ++i)
            if (distance[i] < distance[best]) best = int(i);
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
    std::vector<int> red_, green_, blue_;  // opaque_'s colours, for Nearest
    std::vector<unsigned char> table_;  // index into opaque_
    int transparent_ = -1;
};

// The picture's colours and how many pixels have each, counted on all cores: each thread
// counts the colours in its own range of values over the whole picture. A picture with
// few colours gets them exactly. A photograph has millions, which would make the palette
// search far slower for no better palette: colours that differ only below the top
// kBinBits bits a channel are then counted as one, their mean.
constexpr int kBinBits = 6;
constexpr size_t kExactColours = 1 << 16;

// Transparent pixels are counted as one colour, outside the others' ranges.
constexpr uint32_t kClear = 1u << 24;

uint32_t KeyOf(const uint8_t* p) { return p[3] == 0 ? kClear : uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }

liq_histogram_entry Entry(uint32_t key, uint64_t n) {
    const unsigned count = unsigned(std::min<uint64_t>(n, UINT_MAX));
    if (key == kClear) return {{0, 0, 0, 0}, count};
    return {{uint8_t(key >> 16), uint8_t(key >> 8), uint8_t(key), 255}, count};
}

// The range of keys thread t of n counts.
uint32_t RangeStart(int t, int n) { return uint32_t(uint64_t(kClear + 1) * uint32_t(t) / uint32_t(n)); }

// Every colour exactly; empty when there are more than about kExactColours.
std::vector<liq_histogram_entry> ExactColours(const Rgba& rgba) {
    const int threads = WorkerCount();
    const size_t slots = std::bit_ceil(2 * kExactColours / size_t(threads) + 1);  // at most half full
    const int shift = 32 - std::countr_zero(slots);
    std::vector<std::vector<std::pair<uint32_t, uint32_t>>> tables(static_cast<size_t>(threads));  // key + 1 (0 free), count
    std::atomic<bool> tooMany{false};
    RunParts(threads, [&](int t) {
        const uint32_t from = RangeStart(t, threads), to = RangeStart(t + 1, threads);
        auto& table = tables[size_t(t)];
        table.assign(slots, {0, 0});
        size_t used = 0;
        for (int y = 0; y < rgba.height && !tooMany; ++y) {
            const uint8_t* p = rgba.Row(y);
            for (int x = 0; x < rgba.width; ++x, p += 4) {
                const uint32_t key = KeyOf(p);
                if (key < from || key >= to) continue;
                size_t i = (key * 2654435761u) >> shift;  // the product's top bits mix all of the key's
                while (table[i].first != 0 && table[i].first != key + 1) i = (i + 1) & (slots - 1);
                if (table[i].first == 0) {
                    if (++used > slots / 2) {
                        tooMany = true;
                        return;
                    }
                    table[i].first = key + 1;
                }
                ++table[i].second;
            }
        }
    });
    std::vector<liq_histogram_entry> entries;
    if (tooMany) return entries;
    for (const auto& table : tables)
        for (const auto& [key, n] : table)
            if (key) entries.push_back(Entry(key - 1, n));
    return entries;
}

// Colours binned to kBinBits a channel, each bin's mean colour.
std::vector<liq_histogram_entry> BinnedColours(const Rgba& rgba) {
    constexpr int kDrop = 8 - kBinBits;
    constexpr uint32_t kBins = 1u << (3 * kBinBits);
    struct Bin {
        uint64_t r = 0, g = 0, b = 0, n = 0;
    };
    std::vector<Bin> bins(kBins + 1);  // the last for transparent pixels
    const int threads = WorkerCount();
    RunParts(threads, [&](int t) {
        const uint32_t from = RangeStart(t, threads), to = RangeStart(t + 1, threads);
        for (int y = 0; y < rgba.height; ++y) {
            const uint8_t* p = rgba.Row(y);
            for (int x = 0; x < rgba.width; ++x, p += 4) {
                const uint32_t key = KeyOf(p);
                if (key < from || key >= to) continue;
                Bin& bin = bins[key == kClear ? kBins
                                              : uint32_t(p[0] >> kDrop) << (2 * kBinBits) |
                                                    uint32_t(p[1] >> kDrop) << kBinBits | uint32_t(p[2] >> kDrop)];
                bin.r += p[0], bin.g += p[1], bin.b += p[2], ++bin.n;
            }
        }
    });
    std::vector<liq_histogram_entry> entries;
    for (uint32_t i = 0; i < kBins; ++i) {
        const Bin& bin = bins[i];
        if (!bin.n) continue;
        const auto mean = [&](uint64_t sum) { return uint32_t((sum + bin.n / 2) / bin.n); };
        entries.push_back(Entry(mean(bin.r) << 16 | mean(bin.g) << 8 | mean(bin.b), bin.n));
    }
    if (bins[kBins].n) entries.push_back(Entry(kClear, bins[kBins].n));
    return entries;
}

std::vector<liq_histogram_entry> CountColours(const Rgba& rgba) {
    std::vector<liq_histogram_entry> exact = ExactColours(rgba);
    return exact.empty() ? BinnedColours(rgba) : exact;
}

// A picture of at most 256 colours keeps them: they are the palette, and each pixel is
// its own colour's index. Returns the transparent entry, or -1.
int WithOwnColours(const Rgba& rgba, const std::vector<liq_histogram_entry>& colours, liq_palette& palette,
                   unsigned char* pixels) {
    int transparent = -1;
    std::vector<unsigned char> index(kClear);
    palette.count = unsigned(colours.size());
    for (size_t i = 0; i < colours.size(); ++i) {
        const liq_color& c = colours[i].color;
        palette.entries[i] = c;
        if (c.a == 0) transparent = int(i);
        else index[uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b] = (unsigned char)i;
    }
    const int h = rgba.height, bands = std::min(h, WorkerCount());
    RunParts(bands, [&](int band) {
        for (int y = h * band / bands; y < h * (band + 1) / bands; ++y) {
            const uint8_t* p = rgba.Row(y);
            unsigned char* out = pixels + size_t(y) * size_t(rgba.width);
            for (int x = 0; x < rgba.width; ++x, p += 4) {
                const uint32_t key = KeyOf(p);
                out[x] = key == kClear ? (unsigned char)transparent : index[key];
            }
        }
    });
    return transparent;
}

// A palette of 256 colours for the counted colours, from libimagequant.
liq_palette QuantisedPalette(const std::vector<liq_histogram_entry>& colours) {
    std::unique_ptr<liq_attr, LiqAttrFree> attr(liq_attr_create());
    if (!attr) Fail(Failure::OutOfMemory);
    liq_set_max_colors(attr.get(), 256);
    liq_set_speed(attr.get(), kQuantiserSpeed);
    std::unique_ptr<liq_histogram, LiqHistogramFree> histogram(liq_histogram_create(attr.get()));
    if (!histogram) Fail(Failure::OutOfMemory);
    // libimagequant sizes its colour table from the first call's count squared (in an int):
    // given a photograph's 100,000 colours at once it overflows and asks for a table of a
    // gigabyte, which a 32-bit program cannot have. A first call of about the square root of
    // six times the count makes the table it means for that many colours; the rest follow.
    const int count = int(colours.size());
    const int first = std::min(count, int(std::sqrt(6.0 * count)) + 1);
    for (const auto& [from, n] : {std::pair{0, first}, std::pair{first, count - first}}) {
        if (n == 0) continue;
        const liq_error added = liq_histogram_add_colors(histogram.get(), attr.get(), colours.data() + from, n, 0);
        if (added == LIQ_OUT_OF_MEMORY) Fail(Failure::OutOfMemory);
        if (added != LIQ_OK) Fail(Failure::WriteFailed, u"the colours could not be counted");
    }
    liq_result* rawResult = nullptr;
    const liq_error quantised = liq_histogram_quantize(histogram.get(), attr.get(), &rawResult);
    std::unique_ptr<liq_result, LiqResultFree> result(rawResult);
    if (quantised == LIQ_OUT_OF_MEMORY) Fail(Failure::OutOfMemory);
    if (quantised != LIQ_OK || !result) Fail(Failure::WriteFailed, u"no palette could be made");
    return *liq_get_palette(result.get());
}

}  // namespace

std::string EncodeGif(const Image& source) {
    const int w = source.Width(), h = source.Height();
    if (w > 65535 || h > 65535) Fail(Failure::TooLarge, u"a GIF holds at most 65535 by 65535 pixels");

    // GIF transparency is all or nothing: half-transparent pixels become either.
    Rgba rgba{w, h, std::vector<uint8_t>(size_t(w) * size_t(h) * 4)};
    const int bands = std::min(h, WorkerCount());
    RunParts(bands, [&](int band) {
        for (int y = h * band / bands; y < h * (band + 1) / bands; ++y) {
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
    });

    std::vector<unsigned char> pixels(size_t(w) * size_t(h));
    liq_palette palette{};
    int transparent = -1;
    std::vector<liq_histogram_entry> colours = ExactColours(rgba);
    if (!colours.empty() && colours.size() <= 256) {
        transparent = WithOwnColours(rgba, colours, palette, pixels.data());
    } else {
        // On a large picture every other pixel of every other row tells its colours as well.
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
            colours = CountColours(*sample);
        } else if (colours.empty()) {
            colours = BinnedColours(rgba);
        }
        palette = QuantisedPalette(colours);
        const Ditherer ditherer(palette);
        ditherer.Run(rgba, pixels.data());
        transparent = ditherer.Transparent();
    }

    const int mapSize = 1 << GifBitSize(int(std::max(palette.count, 2u)));
    ColorMapObject* map = GifMakeMapObject(mapSize, nullptr);
    if (!map) Fail(Failure::OutOfMemory);
    for (unsigned i = 0; i < palette.count; ++i)
        map->Colors[i] = {palette.entries[i].r, palette.entries[i].g, palette.entries[i].b};

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

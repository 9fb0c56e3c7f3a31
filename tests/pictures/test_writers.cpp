// Each format the picture core writes, read back by the format's own tools.
#include <zlib.h>

#include <atomic>
#include <cmath>
#include <new>
#include <vector>

#include "picture_test_support.h"
#include "pictures/writers/deflate_parts.h"
#include "pictures/writers/workers.h"
#include "pictures/writers/writers.h"

namespace {

// A picture with smooth gradients, hard edges and, when asked, alpha from clear to opaque.
pictures::Picture Gradients(int width, int height, bool alpha) {
    pictures::Budget budget(int64_t(1) << 30);
    pictures::Picture picture;
    picture.image = pictures::Image::New(width, height, alpha, budget);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.image.Row(y)[x] = pictures::Argb(x * 255 / (width - 1), y * 255 / (height - 1),
                                                     (x / 8 + y / 8) % 2 ? 200 : 40,
                                                     alpha ? unsigned(x * 255 / (width - 1)) : 255u);
    return picture;
}

// Peak signal-to-noise ratio of the colours, alpha-weighted where the picture has alpha.
double Psnr(const pictures::Image& image, const test::Reference& reference) {
    REQUIRE(image.Width() == reference.width);
    REQUIRE(image.Height() == reference.height);
    double sum = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const uint32_t a = image.Pixel(x, y), b = reference.pixels[size_t(y) * size_t(image.Width()) + size_t(x)];
            for (const int shift : {0, 8, 16, 24}) {
                const double d = double((a >> shift) & 0xFF) - double((b >> shift) & 0xFF);
                sum += d * d;
            }
        }
    const double mse = sum / (double(image.Width()) * image.Height() * 4);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace

TEST_CASE("every format written is read back by its own tools as the same picture") {
    const struct {
        const char* name;
        bool alpha;
        double psnr;  // the least PSNR against the picture written (99: exact); the lossy ones near
                      // what they give on this small, sharp-edged picture
        const char* tool;
    } rows[] = {
        {"a.png", false, 99, "convert"},  {"b.png", true, 99, "convert"},   {"c.bmp", false, 99, "convert"},
        {"d.tif", true, 99, "convert"},   {"e.tiff", false, 99, "convert"}, {"f.jpg", false, 24, "convert"},
        {"g.webp", true, 24, "dwebp"},    {"h.gif", false, 28, "convert"},  {"i.avif", true, 33, "avifdec"},
        {"j.jxl", true, 33, "djxl"},      {"k.dib", false, 99, "convert"},
    };
    test::TempDir dir;
    for (const auto& row : rows) {
        const std::string name(row.name);
        CAPTURE(name);
        if (!test::HaveTool(row.tool)) {
            MESSAGE(row.tool << " is not installed: " << row.name << " not checked");
            continue;
        }
        const std::u16string wide(name.begin(), name.end());
        const pictures::Picture picture = Gradients(97, 61, row.alpha);
        const std::string path = dir.Path(name);
        test::WriteFile(path, pictures::Encode(picture, pictures::SaveFormatFor(wide)));
        // The formats ImageMagick here reads only through a decoder tool are decoded to PNG first.
        std::string readable = path;
        if (std::string(row.tool) == "dwebp") test::Run("dwebp -quiet '" + path + "' -o '" + path + ".png'");
        if (std::string(row.tool) == "avifdec") test::Run("avifdec '" + path + "' '" + path + ".png' >/dev/null");
        if (std::string(row.tool) == "djxl") test::Run("djxl '" + path + "' '" + path + ".png' >/dev/null 2>&1");
        if (readable != path || std::string(row.tool) != "convert") readable = path + ".png";
        // Formats without alpha are compared with the picture on white, as they are written.
        const pictures::Image expected = name.ends_with(".jpg") || name.ends_with("bmp") || name.ends_with(".dib")
                                             ? pictures::OnWhite(picture.image)
                                             : picture.image;
        const double psnr = Psnr(expected, test::MagickReading(readable));
        CHECK(psnr >= row.psnr);
    }
}

TEST_CASE("a save keeps the profile only where the format holds one") {
    // JPEG, PNG, TIFF and WebP carry the source's pixels and profile; the others get sRGB pixels.
    pictures::Picture picture = Gradients(16, 16, false);
    pictures::Budget budget(1 << 20);
    picture.shown = pictures::Image::New(16, 16, false, budget);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) picture.shown.Row(y)[x] = pictures::Argb(0, 0, 255);
    test::TempDir dir;
    for (const char* name : {"x.png", "x.bmp"}) {
        const std::string n(name);
        test::WriteFile(dir.Path(n), pictures::Encode(picture, pictures::SaveFormatFor(std::u16string(n.begin(), n.end()))));
    }
    CHECK(test::MagickReading(dir.Path("x.png")).pixels[0] == picture.image.Pixel(0, 0));
    CHECK(test::MagickReading(dir.Path("x.bmp")).pixels[0] == pictures::Argb(0, 0, 255));
}

namespace {

// A picture of any size: gradients with a little pseudo-random grain, so that it neither
// compresses to nothing nor is pure noise; alpha from 1 to 255 when asked. With `colours`,
// only that many colours (and clear pixels), as a palette picture has.
pictures::Image Pattern(int width, int height, bool alpha, int colours = 0) {
    pictures::Budget budget(int64_t(1) << 30);
    pictures::Image image = pictures::Image::New(width, height, alpha, budget);
    uint32_t seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const unsigned grain = seed >> 29;
            unsigned r = (x * 7 + grain) & 255, g = (y * 3 + grain) & 255, b = ((x ^ y) + grain) & 255;
            unsigned a = alpha ? 1 + (x + 2 * y) % 255 : 255;
            if (colours) r = g = (x / 3 + y / 5) % colours, b = 100, a = alpha && x % 11 == 0 ? 0 : 255;
            image.Row(y)[x] = pictures::Argb(r, g, b, a);
        }
    return image;
}

}  // namespace

TEST_CASE("lossless saves come back pixel for pixel whatever the picture's shape") {
    // Large pictures are compressed in bands or strips on several threads; one row, odd
    // widths and bands or strips cut short at the bottom are where the joins go wrong.
    const struct {
        const char* name;
        int width, height;
        bool alpha;
        int colours;  // GIF: a picture with this few colours keeps them exactly
    } rows[] = {
        {"small.png", 97, 61, false, 0},     {"one-row.png", 3001, 1, true, 0},
        {"bands.png", 1501, 700, false, 0},  {"bands-alpha.png", 1001, 601, true, 0},
        {"tall.png", 71, 16000, false, 0}, {"one-row.tif", 5001, 1, false, 0},
        {"strips.tif", 4001, 203, false, 0}, {"strips-alpha.tif", 3001, 151, true, 0},
        {"few.gif", 301, 77, true, 200},     {"few-large.gif", 2001, 1201, false, 256},
    };
    test::TempDir dir;
    for (const auto& row : rows) {
        const std::string name(row.name);
        CAPTURE(name);
        pictures::Picture picture;
        picture.image = Pattern(row.width, row.height, row.alpha, row.colours);
        const std::string path = dir.Path(name);
        test::WriteFile(path, pictures::Encode(picture, pictures::SaveFormatFor(std::u16string(name.begin(), name.end()))));
        // A TIFF is decompressed by libtiff's own tiffcp first: ImageMagick refuses a file
        // smaller than one of its rows uncompressed, as a one-row picture's can be.
        std::string readable = path;
        if (name.ends_with(".tif")) test::Run("tiffcp -c none '" + path + "' '" + (readable = path + ".plain.tif") + "'");
        const test::Reference read = test::MagickReading(readable);
        REQUIRE(read.width == row.width);
        REQUIRE(read.height == row.height);
        size_t wrong = 0;
        for (int y = 0; y < row.height; ++y)
            for (int x = 0; x < row.width; ++x) {
                const uint32_t want = picture.image.Pixel(x, y), got = read.pixels[size_t(y) * size_t(row.width) + size_t(x)];
                // GIF keeps clear pixels clear, whatever colour they had.
                const bool same = name.ends_with(".gif") && pictures::AlphaOf(want) == 0 ? pictures::AlphaOf(got) == 0
                                                                                         : got == want;
                wrong += !same;
            }
        CHECK(wrong == 0);
    }
}

TEST_CASE("parts deflated on their own join into one zlib stream that inflates to the whole") {
    // Parts of many sizes end their last block at every bit of a byte; the joins must hold
    // for each, and the checksums must combine to the whole's.
    std::string data(3'000'000, '\0');
    uint32_t seed = 99;
    for (size_t i = 0; i < data.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        data[i] = char(i % 4000 < 3000 ? (i / 7) & 0xFF : seed >> 24);  // runs and noise
    }
    for (const std::vector<size_t> sizes : {std::vector<size_t>{1, 2, 3, 1000}, std::vector<size_t>{65536, 70001, 1, 999'999},
                                            std::vector<size_t>{3'000'000}}) {
        std::string stream(reinterpret_cast<const char*>(pictures::kZlibHeader), sizeof pictures::kZlibHeader);
        uint32_t adler = 1;
        size_t at = 0;
        for (size_t i = 0; i < sizes.size() && at < data.size(); ++i) {
            const bool last = i + 1 == sizes.size();
            const size_t n = last ? data.size() - at : sizes[i];
            const pictures::DeflatedPart part =
                pictures::DeflatePart(reinterpret_cast<const uint8_t*>(data.data()) + at, n, last, 1);
            stream.append(reinterpret_cast<const char*>(part.bytes.get()), part.size);
            adler = i == 0 ? part.adler : pictures::CombinedAdler(adler, part.adler, n);
            at += n;
        }
        uint8_t trailer[4];
        pictures::ZlibTrailer(adler, trailer);
        stream.append(reinterpret_cast<const char*>(trailer), 4);
        std::string inflated(data.size() + 1, '\0');
        uLongf length = uLongf(inflated.size());
        CHECK(uncompress(reinterpret_cast<Bytef*>(inflated.data()), &length,
                         reinterpret_cast<const Bytef*>(stream.data()), uLong(stream.size())) == Z_OK);
        inflated.resize(length);
        CHECK(inflated == data);
    }
}

TEST_CASE("a photograph's many colours still make a close GIF") {
    // Far more colours than the palette search is given one by one: they are binned.
    pictures::Picture picture;
    picture.image = Pattern(1200, 900, false);  // some 200 000 colours
    test::TempDir dir;
    test::WriteFile(dir.Path("photo.gif"), pictures::Encode(picture, pictures::SaveFormat::Gif));
    // 25.9 dB here both with libimagequant counting every colour and with the bins
    CHECK(Psnr(picture.image, test::MagickReading(dir.Path("photo.gif"))) >= 25.5);
}

TEST_CASE("an encoder's parts run once each, and a failing part fails the whole") {
    std::vector<std::atomic<int>> runs(40);
    pictures::RunParts(40, [&](int i) { ++runs[size_t(i)]; });
    for (const auto& n : runs) CHECK(n == 1);
    // The failure comes out on the caller's thread, whichever thread met it.
    CHECK_THROWS_AS(pictures::RunParts(40, [](int i) { if (i == 5) throw std::bad_alloc(); }), std::bad_alloc);
}

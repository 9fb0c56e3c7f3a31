// BMP files and icons: every header shape, depth and coding, the codes that skip pixels,
// palettes shorter than their depth, and icons whose directory disagrees with the pictures.
#include "picture_test_support.h"

#include "pictures/format.h"

namespace {

using K = pictures::Failure::Kind;
using pictures::Argb;
constexpr uint32_t R = Argb(255, 0, 0), G = Argb(0, 255, 0), B = Argb(0, 0, 255), W = Argb(255, 255, 255);

std::string Le16(unsigned v) { return {char(v), char(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
std::string Raw(std::initializer_list<int> bytes) { return std::string(bytes.begin(), bytes.end()); }
// Palette entries: blue, green, red, and a fourth byte unless three wide.
std::string Entries(std::initializer_list<uint32_t> colours, bool three = false) {
    std::string s;
    for (const uint32_t c : colours) s += Raw({int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)}) + (three ? std::string() : std::string(1, '\0'));
    return s;
}
// A Windows or OS/2 2.x info header of `size` bytes; fields past a short one are left out.
std::string Info(int32_t w, int32_t h, int bits, uint32_t compression = 0, uint32_t used = 0, size_t size = 40) {
    std::string s = Le32(uint32_t(size)) + Le32(uint32_t(w)) + Le32(uint32_t(h)) + Le16(1) + Le16(unsigned(bits)) +
                    Le32(compression) + Le32(0) + Le32(2835) + Le32(3780) + Le32(used) + Le32(0);
    s.resize(size, '\0');
    return s;
}
std::string Put(std::string s, size_t at, const std::string& bytes) { return s.replace(at, bytes.size(), bytes); }
// A BMP: file header, info header and palette, then the pixels (offset: where it says they are).
std::string Bmp(const std::string& head, const std::string& bits, int64_t offset = -1) {
    return "BM" + Le32(uint32_t(14 + head.size() + bits.size())) + Le32(0) +
           Le32(uint32_t(offset < 0 ? int64_t(14 + head.size()) : offset)) + head + bits;
}
// An icon's bitmap: its header counts the mask's rows too.
std::string IconDib(int w, int h, int bits, const std::string& palette, const std::string& rows, const std::string& mask) {
    return Info(w, 2 * h, bits, 0, uint32_t(palette.size() / 4)) + palette + rows + mask;
}
struct IconEntry {
    int w, h;  // as the directory states them
    std::string image;
};
std::string Ico(unsigned type, const std::vector<IconEntry>& entries) {
    std::string dir = Le16(0) + Le16(type) + Le16(unsigned(entries.size())), data;
    for (const IconEntry& e : entries) {
        dir += Raw({e.w, e.h, 0, 0}) + Le16(1) + Le16(32) + Le32(uint32_t(e.image.size())) +
               Le32(uint32_t(6 + 16 * entries.size() + data.size()));
        data += e.image;
    }
    return dir + data;
}
std::vector<uint32_t> PixelsOf(const pictures::Image& image) {
    std::vector<uint32_t> out;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) out.push_back(image.Pixel(x, y));
    return out;
}
bool HaveMagick() {
    if (!test::HaveTool("convert")) MESSAGE("ImageMagick's convert is missing: rows skipped");
    return test::HaveTool("convert");
}
// A picture of many colours and alpha levels, made by ImageMagick.
std::string Source(const test::TempDir& dir, const std::string& size) {
    const std::string path = dir.Path("source.png");
    test::Run("convert -size " + size + " xc: -channel R -fx 'i/w' -channel G -fx 'j/h' -channel B -fx '(i+j)%7/6' "
              "+channel -alpha set -channel A -fx '(i%5)/4' +channel " + path);
    return path;
}
bool CoreReadsPng() {
    for (const pictures::Format* const* f = pictures::Formats(); *f; ++f)
        if ((*f)->name == "png") return true;
    return false;
}

}  // namespace

TEST_CASE("BMP files ImageMagick writes read as it reads them; cut in half, they are refused as cut short") {
    if (!HaveMagick()) return;
    test::TempDir dir;
    const std::string source = Source(dir, "23x13");
    const struct {
        const char* name;
        const char* options;
        const char* coder;
        // ImageMagick reads channels of 4 bits or fewer shifted rather than scaled (a 1-bit
        // alpha of one as 128), and repeats the bits of 5- or 6-bit ones where we round.
        int alphaBits = 0, colourBits = 0, tolerance = 0;
    } rows[] = {
        {"OS/2 1.x header, 24 bits", "-alpha off", "BMP2:"},
        {"OS/2 1.x header, 8-bit palette", "-alpha off -type palette -compress None", "BMP2:"},
        {"OS/2 1.x header, 4-bit palette", "-alpha off -colors 16 -type palette -compress None", "BMP2:"},
        {"OS/2 1.x header, 1-bit palette", "-alpha off -colors 2 -type palette -compress None", "BMP2:"},
        {"v3 header, 24 bits", "-alpha off", "BMP3:"},
        {"v3 header, 32 bits with alpha", "-define bmp3:alpha=true", "BMP3:"},
        {"v3 header, 8-bit palette", "-alpha off -type palette -compress None", "BMP3:"},
        {"v3 header, RLE8", "-alpha off -type palette -compress RLE", "BMP3:"},
        {"v4 header, grey", "-alpha off -type grayscale", ""},
        {"v5 header, 32-bit bit fields with alpha", "", ""},
        {"v5 header, 5-6-5 bit fields", "-alpha off -define bmp:subtype=RGB565", "", 0, 0, 1},
        {"v5 header, 1-5-5-5 bit fields", "-define bmp:subtype=ARGB1555", "", 1, 0, 1},
        {"v5 header, 4-4-4-4 bit fields", "-define bmp:subtype=ARGB4444", "", 4, 4},
        {"v5 header, 4-bit palette", "-alpha off -colors 16 -type palette -compress None", ""},
        {"v5 header, RLE8", "-alpha off -type palette -compress RLE", ""},
    };
    for (const auto& row : rows) {
        INFO(std::string(row.name));
        const std::string path = dir.Path("out.bmp");
        test::Run("convert " + source + " " + row.options + " " + row.coder + path);
        const std::string bytes = test::ReadFile(path);
        const pictures::Picture picture = test::LoadTwiceAlike(bytes);
        test::Reference reference = test::MagickReading(path);
        for (uint32_t& p : reference.pixels)
            for (const int shift : {0, 8, 16, 24})
                if (const int bits = shift == 24 ? row.alphaBits : row.colourBits)
                    p = (p & ~(0xFFu << shift)) | uint32_t(pictures::To8Bits((p >> shift & 0xFF) >> (8 - bits), bits)) << shift;
        CHECK(test::LargestDifference(picture.image, reference) <= row.tolerance);
        CHECK(picture.metadata.lossless);
        const size_t pixelsAt = size_t(uint8_t(bytes[10]) | uint8_t(bytes[11]) << 8);
        CHECK(test::Refusal(bytes.substr(0, pixelsAt + (bytes.size() - pixelsAt) / 2)) == K::Truncated);
    }
}

TEST_CASE("BMP variants no tool writes: header shapes, depths, bit fields, runs that skip pixels") {
    const uint32_t clear = 0;
    const struct {
        const char* name;
        std::string file;
        int width;
        std::vector<uint32_t> pixels;  // top row first
        bool alpha;
    } rows[] = {
        {"OS/2 1.x header with a palette shorter than its depth: the pixels start at the offset",
         Bmp(Le32(12) + Le16(3) + Le16(2) + Le16(1) + Le16(8) + Entries({R, G}, true), Raw({1, 0, 1, 0, 0, 1, 0, 0})),
         3, {R, G, R, G, R, G}, false},
        {"OS/2 2.x 64-byte header, 4 bits", Bmp(Info(3, 1, 4, 0, 3, 64) + Entries({R, G, B}), Raw({0x01, 0x20, 0, 0})), 3,
         {R, G, B}, false},
        {"OS/2 2.x 16-byte header, 24 bits", Bmp(Info(2, 1, 24, 0, 0, 16), Raw({0, 0, 255, 0, 255, 0, 0, 0})), 2, {R, G},
         false},
        {"2 bits a pixel", Bmp(Info(5, 1, 2, 0, 4) + Entries({R, G, B, W}), Raw({0x1B, 0x80, 0, 0})), 5, {R, G, B, W, B},
         false},
        {"top-down rows", Bmp(Info(1, -2, 24), Raw({0, 0, 255, 0, 0, 255, 0, 0})), 1, {R, G}, false},
        {"indexes past the palette show its first entry", Bmp(Info(2, 1, 8, 0, 2) + Entries({B, G}), Raw({1, 5, 0, 0})), 2,
         {G, B}, false},
        {"v2 header holding 5-6-5 masks",
         Bmp(Put(Info(2, 1, 16, 3, 0, 52), 40, Le32(0xF800) + Le32(0x7E0) + Le32(0x1F)), Le16(0xFFFF) + Le16(0x0841)), 2,
         {W, Argb(8, 8, 8)}, false},
        {"10-bit masks after a 40-byte header, scaled with rounding",
         Bmp(Info(1, 1, 32, 3) + Le32(0x3FF00000) + Le32(0xFFC00) + Le32(0x3FF), Le32(0x3FF00000 | 512 << 10)), 1,
         {Argb(255, 128, 0)}, false},
        {"alpha bit fields after a 40-byte header",
         Bmp(Info(2, 1, 16, 6) + Le32(0xF00) + Le32(0xF0) + Le32(0xF) + Le32(0xF000), Le16(0x8F00) + Le16(0xF0F0)), 2,
         {Argb(255, 0, 0, 136), G}, true},
        {"32-bit pixels whose alpha is all zero are opaque", Bmp(Info(2, 1, 32), Raw({0, 0, 255, 0, 255, 0, 0, 0})), 2,
         {R, B}, false},
        {"32-bit pixels with alpha keep it", Bmp(Info(1, 1, 32), Raw({0, 0, 255, 128})), 1, {Argb(255, 0, 0, 128)}, true},
        {"RLE8 deltas, ends of line and the end of the picture leave pixels transparent",
         Bmp(Info(4, 3, 8, 1, 2) + Entries({R, G}),
             Raw({2, 0, 0, 0, /**/ 1, 1, 0, 2, 2, 0, 1, 0, 0, 0, /**/ 0, 3, 1, 0, 1, 0, 0, 1})),
         4, {G, R, G, clear, G, clear, clear, R, R, R, clear, clear}, true},
        {"RLE4 runs alternate their two indexes; spelled-out runs of odd length",
         Bmp(Info(6, 1, 4, 2, 2) + Entries({R, G}), Raw({3, 0x01, 0, 3, 0x10, 0, 0, 1})), 6, {R, G, R, G, R, R}, false},
        {"OS/2 RLE24: a run, then three pixels spelled out",
         Bmp(Info(5, 1, 24, 4, 0, 64), Raw({2, 0, 0, 255, 0, 3, 0, 255, 0, 255, 0, 0, 0, 0, 255, 0, 0, 1})), 5,
         {R, R, G, B, R}, false},
        {"a pixel offset past the end of the file: the pixels follow the palette",
         Bmp(Info(1, 1, 24), Raw({0, 0, 255, 0}), 99999), 1, {R}, false},
    };
    for (const auto& row : rows) {
        INFO(std::string(row.name));
        const pictures::Picture picture = test::LoadTwiceAlike(row.file);
        CHECK(picture.image.Width() == row.width);
        CHECK(PixelsOf(picture.image) == row.pixels);
        CHECK(picture.image.HasAlpha() == row.alpha);
    }
}

TEST_CASE("a v5 BMP keeps its embedded profile and its resolution; a linked profile is not kept") {
    const std::string profile = "a profile's bytes", pixels = Raw({0, 0, 255, 0});
    const std::string head = Put(Info(1, 1, 24, 0, 0, 124), 112, Le32(124 + 4) + Le32(uint32_t(profile.size())));
    const pictures::Picture embedded = test::Load(Bmp(Put(head, 56, "DEBM"), pixels + profile));
    CHECK(embedded.metadata.icc == profile);
    CHECK(embedded.image.dotsPerMeterX == 2835);
    CHECK(embedded.image.dotsPerMeterY == 3780);
    CHECK(test::Load(Bmp(Put(head, 56, "KNIL"), pixels + profile)).metadata.icc.empty());
}

TEST_CASE("icons: the largest picture by its own header, transparency from the mask or alpha") {
    const std::string none(4, '\0');
    const struct {
        const char* name;
        std::string file;
        int width;
        std::vector<uint32_t> pixels;
    } rows[] = {
        {"a cursor whose directory says 256 x 256 holds a 2 x 2 4-bit picture with a mask",
         Ico(2, {{0, 0, IconDib(2, 2, 4, Entries({R, G}), Raw({0x01, 0, 0, 0, 0x10, 0, 0, 0}), Raw({0x40, 0, 0, 0}) + none)}}),
         2, {G, R, R, G & 0xFFFFFF}},
        {"the directory's sizes are wrong: the picture with the most pixels is shown",
         Ico(1, {{64, 64, IconDib(1, 1, 24, "", Raw({0, 0, 255, 0}), none)},
                 {1, 1, IconDib(2, 1, 24, "", Raw({0, 255, 0, 0, 255, 0, 0, 0}), none)}}),
         2, {G, G}},
        {"of two pictures of one size the deeper is shown",
         Ico(1, {{1, 1, IconDib(1, 1, 4, Entries({R}), none, none)},
                 {1, 1, IconDib(1, 1, 32, "", Raw({255, 0, 0, 255}), none)}}),
         1, {B}},
        {"a 32-bit picture whose alpha is all zero takes its transparency from the mask",
         Ico(1, {{2, 1, IconDib(2, 1, 32, "", Raw({0, 0, 255, 0, 255, 0, 0, 0}), Raw({0x40, 0, 0, 0}))}}), 2,
         {R, B & 0xFFFFFF}},
    };
    for (const auto& row : rows) {
        INFO(std::string(row.name));
        const pictures::Picture picture = test::LoadTwiceAlike(row.file, "ico");
        CHECK(picture.image.Width() == row.width);
        CHECK(PixelsOf(picture.image) == row.pixels);
    }
    // Without a picture header the icon's shape is too weak a sign: only its name tells.
    const std::string unclear = Ico(1, {{1, 1, std::string(48, 'x')}});
    const pictures::Bytes bytes(unclear);
    CHECK(pictures::Recognise(bytes, bytes, bytes.size, "") == nullptr);
    CHECK(pictures::Recognise(bytes, bytes, bytes.size, "cur")->name == "ico");
}

TEST_CASE("icons ImageMagick writes read as it reads their largest picture") {
    if (!HaveMagick()) return;
    test::TempDir dir;
    const std::string source = Source(dir, "48x48");
    const struct {
        const char* name;
        const char* options;
        int largest, width;  // the index of the largest picture, and its width
        bool png;
    } rows[] = {
        {"three sizes, 32 bits with alpha", "-define icon:auto-resize=16,32,48", 2, 48, false},
        {"a 4-bit palette with a mask", "-channel A -threshold 50% +channel -colors 16 -define icon:auto-resize=48", 0, 48,
         false},
        {"a PNG picture of 256 x 256 beside a bitmap", "-define icon:auto-resize=32,256", 1, 256, true},
    };
    for (const auto& row : rows) {
        INFO(std::string(row.name));
        if (row.png && !CoreReadsPng()) {
            MESSAGE("the core reads no PNG yet: row skipped");
            continue;
        }
        const std::string icon = dir.Path("out.ico"), largest = dir.Path("largest.png");
        test::Run("convert " + source + " " + row.options + " " + icon);
        test::Run("convert '" + icon + "[" + std::to_string(row.largest) + "]' " + largest);
        const std::string bytes = test::ReadFile(icon);
        const pictures::Picture picture = test::LoadTwiceAlike(bytes, "ico");
        CHECK(picture.image.Width() == row.width);
        // ImageMagick writes the PNG with 16-bit samples and cuts them to 8 bits where libpng rounds.
        CHECK(test::LargestDifference(picture.image, test::MagickReading(largest)) <= (row.png ? 1 : 0));
        const pictures::Bytes entry = pictures::Bytes(bytes).Sub(6 + 16 * size_t(row.largest));
        CHECK(test::Refusal(bytes.substr(0, entry.U32LE(12) + entry.U32LE(8) / 2), "ico") == K::Truncated);
    }
}

TEST_CASE("damaged BMP files and icons are refused with the reason") {
    const struct {
        const char* name;
        std::string file;
        K refusal;
        int64_t bound;
    } rows[] = {
        {"an info header cut short", Bmp(Info(2, 2, 24), "").substr(0, 30), K::Truncated, test::kTestBound},
        {"RLE8 codes ending before the picture's end", Bmp(Info(4, 2, 8, 1, 2) + Entries({R, G}), Raw({2, 0, 0, 0})),
         K::Truncated, test::kTestBound},
        {"an icon picture past the end of the file",
         Ico(1, {{1, 1, IconDib(1, 1, 24, "", Raw({0, 0, 255, 0}), std::string(4, '\0'))}}).substr(0, 22),
         K::Truncated, test::kTestBound},
        {"no width", Bmp(Info(0, 1, 24), ""), K::NoSize, test::kTestBound},
        {"a JPEG inside", Bmp(Info(1, 1, 0, 4), "\xFF\xD8"), K::Damaged, test::kTestBound},
        {"6000 x 6000 under a 64 MB bound", Bmp(Info(6000, 6000, 24), ""), K::TooLarge, int64_t(64) << 20},
    };
    for (const auto& row : rows) {
        INFO(std::string(row.name));
        CHECK(test::Refusal(row.file, "ico", row.bound) == row.refusal);
    }
}

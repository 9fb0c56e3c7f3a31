// PNG, TIFF and WebP shown before they are whole: the visible part first, then the rest
// into the same pixels, both equal to a whole reading's; files better read whole, or cut
// short, left to the whole reading.
#include <algorithm>
#include <optional>

#include "picture_test_support.h"
#include "pictures/visible_first.h"

namespace {

using K = pictures::Failure::Kind;

bool SameTopLeft(const pictures::Image& a, const pictures::Image& b, int width, int height) {
    for (int y = 0; y < height; ++y)
        if (!std::equal(a.Row(y), a.Row(y) + width, b.Row(y))) return false;
    return true;
}

uint32_t Le32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}

// Where a little-endian TIFF's first directory keeps the long values of a tag (the strip
// offsets or byte counts of a file with several strips).
size_t TagValues(const std::string& tiff, uint16_t tag) {
    const size_t ifd = Le32(tiff, 4), entries = uint8_t(tiff[ifd]) | uint8_t(tiff[ifd + 1]) << 8;
    for (size_t e = ifd + 2; e < ifd + 2 + entries * 12; e += 12)
        if ((uint8_t(tiff[e]) | uint8_t(tiff[e + 1]) << 8) == tag) return Le32(tiff, e + 8);
    FAIL("the tag is not in the directory");
    return 0;
}

}  // namespace

TEST_CASE("the visible part of a PNG, TIFF or WebP comes first, then the whole, as a whole reading makes them") {
    test::TempDir dir;
    const std::string src = dir.Path("src.png"), alpha = dir.Path("alpha.png");
    test::Run("convert -seed 21 -size 301x203 plasma: " + src);
    test::Run("convert " + src + " \\( -size 301x203 gradient:white-black \\) -alpha off -compose CopyOpacity -composite " +
              alpha);
    const bool webp = test::HaveTool("cwebp");
    const struct {
        const char* name;
        std::string make;  // writes the file named last
        int visibleWidth, visibleHeight;
    } rows[] = {
        {"PNG RGB", "convert " + src + " -define png:color-type=2 png:", 97, 61},
        {"PNG RGBA 16-bit", "convert " + alpha + " -depth 16 -define png:color-type=6 png:", 150, 1},
        {"PNG palette", "convert " + src + " -colors 16 -type Palette png8:", 400, 100},
        {"PNG grey 1-bit", "convert " + src + " -monochrome png:", 20, 202},
        {"TIFF strips of one row", "convert " + src + " -define tiff:rows-per-strip=1 tiff:", 97, 61},
        {"TIFF deflated strips of 7 rows", "convert " + src + " -compress zip -define tiff:rows-per-strip=7 tiff:", 97, 64},
        {"TIFF tiles at the edge, alpha", "convert " + alpha + " -define tiff:tile-geometry=32x32 tiff:", 97, 61},
        {"TIFF 16-bit tiles", "convert " + src + " -depth 16 -define tiff:tile-geometry=64x16 tiff:", 300, 17},
        {"TIFF palette", "convert " + src + " -colors 16 -type Palette -define tiff:rows-per-strip=5 tiff:", 97, 61},
        {"TIFF planes apart", "convert " + src + " -interlace plane -define tiff:rows-per-strip=9 tiff:", 97, 61},
        {"TIFF JPEG tiles", "convert " + src + " -compress jpeg -define tiff:tile-geometry=64x64 tiff:", 97, 61},
        {"WebP lossy", "cwebp -quiet -q 80 " + src + " -o ", 97, 61},
        {"WebP lossy with alpha", "cwebp -quiet -q 80 " + alpha + " -o ", 301, 100},
        {"WebP lossless", "cwebp -quiet -lossless -exact " + alpha + " -o ", 97, 61},
    };
    for (const auto& row : rows) {
        CAPTURE(std::string(row.name));
        if (!webp && row.make.starts_with("cwebp")) continue;
        test::Run(row.make + dir.Path("picture"));
        const auto bytes = std::make_shared<const std::string>(test::ReadFile(dir.Path("picture")));
        const pictures::Picture reference = test::Load(*bytes);
        pictures::Image decoded;
        std::optional<pictures::VisibleFirst> first =
            pictures::LoadVisibleFirst(pictures::Bytes(*bytes), bytes, row.visibleWidth, row.visibleHeight,
                                       test::kTestBound, {}, [&decoded](const pictures::Picture& p) { decoded = p.image; });
        REQUIRE(first);
        const pictures::Image& early = first->early;
        REQUIRE(early.Width() == std::min(row.visibleWidth, 301));
        REQUIRE(early.Height() == std::min(row.visibleHeight, 203));
        CHECK(early.HasAlpha() == reference.image.HasAlpha());
        CHECK(SameTopLeft(early, reference.image, early.Width(), early.Height()));
        first->completion->Wait();
        REQUIRE(!decoded.Null());
        CHECK(decoded.HasAlpha() == reference.image.HasAlpha());
        CHECK(SameTopLeft(decoded, reference.image, 301, 203));
        CHECK(decoded.dotsPerMeterX == reference.image.dotsPerMeterX);
        // Let go while the rest is being decoded: the worker stops with it.
        CHECK(pictures::LoadVisibleFirst(pictures::Bytes(*bytes), bytes, 10, 10, test::kTestBound).has_value());
    }
    CHECK(pictures::Completion::Running() == 0);
}

TEST_CASE("PNG, TIFF and WebP files better read whole, or cut short, are left to the whole reading") {
    test::TempDir dir;
    test::Run("convert -seed 22 -size 200x150 plasma: -write " + dir.Path("plain.png") + " -orient right-top " +
              dir.Path("turned.tif"));
    test::Run("convert " + dir.Path("plain.png") + " -define tiff:rows-per-strip=10 " + dir.Path("strips.tif"));
    test::Run("convert " + dir.Path("plain.png") + " -interlace PNG -define png:compression-level=0 " +
              dir.Path("interlaced.png"));
    const std::string png = test::ReadFile(dir.Path("plain.png")), tiff = test::ReadFile(dir.Path("strips.tif"));
    std::string pastEnd = tiff;  // the last strip's byte count past the file's end
    const size_t counts = TagValues(tiff, 279) + 4 * (150 / 10 - 1);
    pastEnd[counts + 2] = '\x7f';
    std::string webp;  // none without Debian's webp package: its row is skipped
    if (test::HaveTool("cwebp")) {
        test::Run("cwebp -quiet " + dir.Path("plain.png") + " -o " + dir.Path("lossy.webp"));
        webp = test::ReadFile(dir.Path("lossy.webp"));
    }
    const struct {
        const char* name;
        std::string bytes;
        std::optional<K> refusal;  // what the whole reading says, when it refuses
    } rows[] = {
        {"fits in the pane", png, {}},
        {"PNG interlaced", test::ReadFile(dir.Path("interlaced.png")), {}},
        {"PNG cut between its data chunks", png.substr(0, png.rfind("IDAT") - 4), K::Truncated},
        {"PNG cut in a chunk", png.substr(0, png.size() / 2), K::Truncated},
        {"TIFF turned", test::ReadFile(dir.Path("turned.tif")), {}},
        {"TIFF strip past the end", pastEnd, K::Truncated},
        {"WebP cut", webp.substr(0, webp.size() * 3 / 4), K::Truncated},
        {"past the bound", png, K::TooLarge},
    };
    for (const auto& row : rows) {
        CAPTURE(std::string(row.name));
        if (row.bytes.empty()) continue;
        const int visible = std::string(row.name) == "fits in the pane" ? 300 : 50;
        const int64_t bound = row.refusal == K::TooLarge ? 100 * 1000 : test::kTestBound;
        CHECK(!pictures::LoadVisibleFirst(pictures::Bytes(row.bytes), nullptr, visible, visible, bound));
        if (row.refusal) CHECK(test::Refusal(row.bytes, "", bound) == *row.refusal);
    }
}

TEST_CASE("a TIFF whose data fails below its visible part leaves those strips transparent") {
    test::TempDir dir;
    test::Run("convert -seed 23 -size 120x100 plasma: -compress zip -define tiff:rows-per-strip=10 " +
              dir.Path("strips.tif"));
    const std::string whole = test::ReadFile(dir.Path("strips.tif"));
    auto damaged = std::make_shared<std::string>(whole);
    const size_t last = Le32(whole, TagValues(whole, 273) + 4 * 9);  // the last strip's deflated data
    for (size_t i = 2; i < 12; ++i) (*damaged)[last + i] = '\xff';
    pictures::Image decoded;
    std::optional<pictures::VisibleFirst> first =
        pictures::LoadVisibleFirst(pictures::Bytes(*damaged), damaged, 50, 30, test::kTestBound, {},
                                   [&decoded](const pictures::Picture& picture) { decoded = picture.image; });
    REQUIRE(first);
    first->completion->Wait();
    REQUIRE(!decoded.Null());
    CHECK(decoded.HasAlpha());
    CHECK(pictures::AlphaOf(decoded.Pixel(119, 99)) == 0);
    CHECK(pictures::AlphaOf(decoded.Pixel(0, 89)) == 255);
    CHECK(test::Refusal(*damaged) == K::Damaged);  // read whole, it is refused
}

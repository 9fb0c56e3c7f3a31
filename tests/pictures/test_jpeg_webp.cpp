// JPEG and WebP pictures: every variant the tools make reads as ImageMagick reads it (the
// same libraries, so JPEG to the last bit), the same twice over; files cut short are refused.
// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
// clang-format on

#include <array>

#include "picture_test_support.h"
#include "pictures/visible_first.h"

namespace {

using K = pictures::Failure::Kind;

std::string Le16(uint16_t v) { return {char(v), char(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(uint16_t(v)) + Le16(uint16_t(v >> 16)); }

// An EXIF segment of one field, the orientation, right after the start marker.
std::string WithOrientation(const std::string& jpeg, int orientation) {
    const std::string tiff = std::string("II*\0", 4) + Le32(8) + Le16(1) + Le16(0x0112) + Le16(3) + Le32(1) +
                             Le32(uint32_t(orientation)) + Le32(0);
    const std::string body = std::string("Exif\0\0", 6) + tiff;
    return jpeg.substr(0, 2) + "\xFF\xE1" + char((body.size() + 2) >> 8) + char(body.size() + 2) + body + jpeg.substr(2);
}

// An 8 x 8 CMYK JPEG in one colour written by libjpeg, with or without Adobe's marker.
std::string CmykJpeg(std::array<uint8_t, 4> ink, bool adobeMarker) {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = c.image_height = 8;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    c.write_Adobe_marker = adobeMarker;
    jpeg_start_compress(&c, TRUE);
    std::array<uint8_t, 32> row;
    for (size_t i = 0; i < row.size(); ++i) row[i] = ink[i % 4];
    for (JSAMPROW line = row.data(); c.next_scanline < 8;) jpeg_write_scanlines(&c, &line, 1);
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    const std::string bytes(reinterpret_cast<const char*>(out), size);
    free(out);
    return bytes;
}

// Reads the file as the core does and as ImageMagick does (turned upright by it too).
void CompareWithMagick(const test::TempDir& dir, const std::string& name, int tolerance) {
    const std::string path = dir.Path(name);
    const pictures::Picture picture = test::LoadTwiceAlike(test::ReadFile(path));
    test::Run("convert '" + path + "' -auto-orient '" + path + ".png'");
    const test::Reference reference = test::MagickReading(path + ".png");
    CHECK(test::LargestDifference(picture.image, reference) <= tolerance);
}

}  // namespace

TEST_CASE("JPEG variants read as ImageMagick reads them") {
    test::TempDir dir;
    const std::string src = dir.Path("src.ppm");
    test::Run("convert -seed 7 -size 67x45 plasma: " + src);
    const struct {
        const char* name;
        std::string make;  // the command that writes the file named; $S is the source, $F the file
        int tolerance;
    } rows[] = {
        {"grey.jpg", "convert $S -colorspace Gray $F", 0},
        {"420.jpg", "convert $S -sampling-factor 2x2 $F", 0},
        {"422.jpg", "convert $S -sampling-factor 2x1 $F", 0},
        {"444.jpg", "convert $S -sampling-factor 1x1 -quality 95 $F", 0},
        {"odd-size.jpg", "convert $S -crop 37x29+3+5 +repage -sampling-factor 2x2 $F", 0},
        {"progressive.jpg", "convert $S -interlace JPEG $F", 0},
        {"arithmetic.jpg", "cjpeg -arithmetic -outfile $F $S", 0},
        {"progressive-arithmetic.jpg", "cjpeg -arithmetic -progressive -outfile $F $S", 0},
        {"restarts.jpg", "cjpeg -restart 1 -outfile $F $S", 0},
        {"rgb.jpg", "cjpeg -rgb -outfile $F $S", 0},
        {"cmyk-adobe.jpg", "convert $S -colorspace CMYK $F", 1},
    };
    for (const auto& row : rows) {
        CAPTURE(std::string(row.name));
        std::string command = row.make;
        command.replace(command.find("$S"), 2, src);
        command.replace(command.find("$F"), 2, dir.Path(row.name));
        if (!test::HaveTool(command.substr(0, command.find(' ')))) {
            MESSAGE("no " << command.substr(0, command.find(' ')) << " here: row skipped");
            continue;
        }
        test::Run(command);
        CompareWithMagick(dir, row.name, row.tolerance);
    }
}

TEST_CASE("every EXIF orientation of a JPEG turns it upright") {
    test::TempDir dir;
    test::Run("convert -seed 3 -size 40x24 plasma: " + dir.Path("stored.jpg"));
    const std::string stored = test::ReadFile(dir.Path("stored.jpg"));
    for (int orientation = 1; orientation <= 8; ++orientation) {
        CAPTURE(orientation);
        const std::string name = "turned" + std::to_string(orientation) + ".jpg";
        test::WriteFile(dir.Path(name), WithOrientation(stored, orientation));
        CompareWithMagick(dir, name, 0);
    }
}

TEST_CASE("CMYK JPEGs hold their inks inverted with Adobe's marker, as they are without it") {
    // Full cyan and half black, each way: both are teal.
    const uint32_t adobe = test::Load(CmykJpeg({0, 255, 255, 128}, true)).image.Pixel(4, 4);
    const uint32_t plain = test::Load(CmykJpeg({255, 0, 0, 127}, false)).image.Pixel(4, 4);
    for (const uint32_t pixel : {adobe, plain}) {
        CHECK(pictures::RedOf(pixel) <= 1);
        CHECK(std::abs(int(pictures::GreenOf(pixel)) - 128) <= 1);
        CHECK(std::abs(int(pictures::BlueOf(pixel)) - 128) <= 1);
    }
}

TEST_CASE("JPEG files cut short or beyond what is read are refused with the reason") {
    test::TempDir dir;
    test::Run("convert -seed 5 -size 160x120 plasma: -write " + dir.Path("whole.jpg") + " -interlace JPEG " +
              dir.Path("progressive.jpg"));
    const std::string whole = test::ReadFile(dir.Path("whole.jpg")),
                      progressive = test::ReadFile(dir.Path("progressive.jpg"));
    std::string twelveBits = whole;
    const size_t sof = twelveBits.find("\xFF\xC0");
    REQUIRE(sof != std::string::npos);
    twelveBits[sof + 4] = 12;
    const struct {
        const char* name;
        std::string bytes;
        K kind;
    } rows[] = {
        {"cut in the data", whole.substr(0, whole.size() / 2), K::Truncated},
        {"cut, then an end mark", whole.substr(0, whole.size() / 2) + "\xFF\xD9", K::Truncated},
        {"cut in the headers", whole.substr(0, 300), K::Truncated},
        {"without its end mark", whole.substr(0, whole.size() - 2), K::Truncated},
        {"progressive, cut", progressive.substr(0, progressive.size() * 2 / 3), K::Truncated},
        {"12-bit samples", twelveBits, K::Damaged},
    };
    for (const auto& row : rows) {
        CAPTURE(std::string(row.name));
        CHECK(test::Refusal(row.bytes) == row.kind);
    }
    try {
        test::Load(twelveBits);
    } catch (const pictures::Failure& failure) {
        CHECK(failure.detail.find(u"12 bits") != std::u16string::npos);
    }
}

TEST_CASE("WebP variants read as ImageMagick reads them, lossless or not as stored") {
    if (!test::HaveTool("cwebp") || !test::HaveTool("img2webp")) {
        MESSAGE("no cwebp or img2webp here (Debian's webp package): skipped");
        return;
    }
    test::TempDir dir;
    const std::string src = dir.Path("src.png"), alpha = dir.Path("alpha.png"), other = dir.Path("other.png");
    test::Run("convert -seed 7 -size 67x45 plasma: " + src);
    test::Run("convert " + src + " \\( -size 67x45 gradient:white-black \\) -alpha off -compose CopyOpacity -composite " +
              alpha);
    test::Run("convert -size 67x45 xc:navy " + other);
    const struct {
        const char* name;
        std::string make;
        bool lossless;
    } rows[] = {
        {"lossy.webp", "cwebp -quiet -q 80 " + src, false},
        {"lossless.webp", "cwebp -quiet -lossless " + src, true},
        {"lossy-alpha.webp", "cwebp -quiet -q 80 " + alpha, false},
        {"lossless-alpha.webp", "cwebp -quiet -lossless -exact " + alpha, true},
        {"animated.webp", "img2webp -lossy " + src + " -d 100 " + other, false},
    };
    for (const auto& row : rows) {
        CAPTURE(std::string(row.name));
        const std::string path = dir.Path(row.name);
        test::Run(row.make + " -o " + path + " >/dev/null 2>&1");
        const pictures::Picture picture = test::LoadTwiceAlike(test::ReadFile(path));
        CHECK(picture.metadata.lossless == row.lossless);
        CHECK(test::LargestDifference(picture.image, test::MagickReading(path)) == 0);
    }
}

TEST_CASE("a WebP's EXIF orientation and profile come with it") {
    if (!test::HaveTool("cwebp") || !test::HaveTool("webpmux")) {
        MESSAGE("no cwebp or webpmux here (Debian's webp package): skipped");
        return;
    }
    test::TempDir dir;
    test::Run("convert -seed 9 -size 30x20 plasma: -depth 8 -write " + dir.Path("src.png") + " -rotate 90 " +
              dir.Path("upright.png"));
    test::Run("cwebp -quiet -lossless " + dir.Path("src.png") + " -o " + dir.Path("stored.webp"));
    const std::string exif = std::string("II*\0", 4) + Le32(8) + Le16(1) + Le16(0x0112) + Le16(3) + Le32(1) + Le32(6) +
                             Le32(0);
    test::WriteFile(dir.Path("exif"), exif);
    test::WriteFile(dir.Path("icc"), test::WideGamutProfile());
    test::Run("webpmux -set exif " + dir.Path("exif") + " " + dir.Path("stored.webp") + " -o " + dir.Path("turned.webp") +
              " >/dev/null 2>&1 && webpmux -set icc " + dir.Path("icc") + " " + dir.Path("turned.webp") + " -o " +
              dir.Path("turned.webp") + " >/dev/null 2>&1");
    const pictures::Picture picture = test::LoadTwiceAlike(test::ReadFile(dir.Path("turned.webp")));
    CHECK(test::LargestDifference(picture.image, test::MagickReading(dir.Path("upright.png"))) == 0);
    CHECK(picture.metadata.icc == test::ReadFile(dir.Path("icc")));
    CHECK(!picture.shown.Null());  // shown in sRGB
}

TEST_CASE("WebP files cut short are refused as such") {
    if (!test::HaveTool("cwebp") || !test::HaveTool("img2webp")) {
        MESSAGE("no cwebp or img2webp here (Debian's webp package): skipped");
        return;
    }
    test::TempDir dir;
    test::Run("convert -seed 5 -size 160x120 plasma: " + dir.Path("src.png"));
    test::Run("cwebp -quiet -q 80 " + dir.Path("src.png") + " -o " + dir.Path("lossy.webp"));
    test::Run("cwebp -quiet -lossless " + dir.Path("src.png") + " -o " + dir.Path("lossless.webp"));
    test::Run("img2webp " + dir.Path("src.png") + " " + dir.Path("src.png") + " -o " + dir.Path("anim.webp") +
              " >/dev/null 2>&1");
    for (const char* name : {"lossy.webp", "lossless.webp", "anim.webp"}) {
        const std::string whole = test::ReadFile(dir.Path(name));
        for (const size_t keep : {whole.size() / 2, size_t(40)}) {
            CAPTURE(std::string(name));
            CAPTURE(keep);
            CHECK(test::Refusal(whole.substr(0, keep)) == K::Truncated);
        }
    }
}

TEST_CASE("a large JPEG's visible part comes first, then the whole, as a whole reading makes them") {
    test::TempDir dir;
    const std::string src = dir.Path("src.ppm");
    test::Run("convert -seed 11 -size 301x203 plasma: " + src);
    const struct {
        const char* name;
        std::string make;
        int visibleWidth, visibleHeight;
    } rows[] = {
        {"4:2:0, odd size", "cjpeg -sample 2x2", 97, 61},
        {"4:4:4", "cjpeg -sample 1x1", 150, 40},
        {"restart markers", "cjpeg -restart 1", 64, 64},
        {"narrower than the pane", "cjpeg", 400, 100},
    };
    for (const auto& row : rows) {
        CAPTURE(std::string(row.name));
        test::Run(row.make + " -outfile " + dir.Path("photo.jpg") + " " + src);
        const auto bytes = std::make_shared<const std::string>(test::ReadFile(dir.Path("photo.jpg")));
        const pictures::Picture reference = test::Load(*bytes);
        int wholeCalls = 0;
        std::optional<pictures::VisibleFirst> first = pictures::LoadVisibleFirst(
            pictures::Bytes(*bytes), bytes, row.visibleWidth, row.visibleHeight, test::kTestBound, {},
            [&wholeCalls](const pictures::Picture&) { ++wholeCalls; });
        REQUIRE(first);
        const pictures::Image& early = first->early;
        CHECK(early.Width() == std::min(row.visibleWidth, 301));
        CHECK(early.Height() == std::min(row.visibleHeight, 203));
        bool same = true;
        for (int y = 0; y < early.Height(); ++y)
            for (int x = 0; x < early.Width(); ++x) same = same && early.Pixel(x, y) == reference.image.Pixel(x, y);
        CHECK(same);
        first->completion->Wait();
        CHECK(wholeCalls == 1);
        CHECK(test::LargestDifference(first->picture.image, test::MagickReading(dir.Path("photo.jpg"))) == 0);
    }
    CHECK(pictures::Completion::Running() == 0);  // each worker ended with its picture
}

TEST_CASE("JPEGs better read whole are left to the whole reading") {
    test::TempDir dir;
    test::Run("convert -seed 12 -size 200x150 plasma: -write " + dir.Path("base.ppm") + " -write " + dir.Path("base.jpg") +
              " -interlace JPEG " + dir.Path("progressive.jpg"));
    test::Run("cjpeg -restart 1 -outfile " + dir.Path("restarts.jpg") + " " + dir.Path("base.ppm"));
    const std::string base = test::ReadFile(dir.Path("base.jpg")), restarts = test::ReadFile(dir.Path("restarts.jpg"));
    const struct {
        const char* name;
        std::string bytes;
        int64_t bound;
    } rows[] = {
        {"fits in the pane", base, test::kTestBound},
        {"progressive", test::ReadFile(dir.Path("progressive.jpg")), test::kTestBound},
        {"turned by its EXIF", WithOrientation(base, 6), test::kTestBound},
        {"without its end mark", base.substr(0, base.size() - 2), test::kTestBound},
        {"restart intervals missing", restarts.substr(0, restarts.size() * 3 / 4) + "\xFF\xD9", test::kTestBound},
        {"past the bound", base, 100 * 1000},
    };
    for (const auto& row : rows) {
        CAPTURE(std::string(row.name));
        const int visible = std::string(row.name) == "fits in the pane" ? 300 : 50;
        CHECK(!pictures::LoadVisibleFirst(pictures::Bytes(row.bytes), nullptr, visible, visible, row.bound));
    }
}

TEST_CASE("a JPEG whose data fails below its visible part leaves those rows transparent") {
    // Cut and given its end mark again, without restart markers to tell it before.
    test::TempDir dir;
    test::Run("convert -seed 13 -size 200x300 plasma: " + dir.Path("tall.jpg"));
    const std::string whole = test::ReadFile(dir.Path("tall.jpg"));
    const auto cut = std::make_shared<const std::string>(whole.substr(0, whole.size() * 2 / 3) + "\xFF\xD9");
    pictures::Image decoded;
    std::optional<pictures::VisibleFirst> first =
        pictures::LoadVisibleFirst(pictures::Bytes(*cut), cut, 100, 50, test::kTestBound, {},
                                   [&decoded](const pictures::Picture& picture) { decoded = picture.image; });
    REQUIRE(first);
    first->completion->Wait();
    REQUIRE(!decoded.Null());
    CHECK(decoded.HasAlpha());
    CHECK(pictures::AlphaOf(decoded.Pixel(199, 299)) == 0);
    CHECK(pictures::AlphaOf(decoded.Pixel(0, 0)) == 255);
    CHECK(test::Refusal(*cut) == K::Truncated);  // read whole, it is refused
}

// PNG and GIF pictures: every colour type, depth and interlacing made with ImageMagick and
// compared with its own reading; files cut short; crafted chunks and blocks that must stay
// within the memory bound, or take no pixel from anywhere but the file.
#include <lcms2.h>
#include <zlib.h>

#include "pictures/exif_orientation.h"
#include "picture_test_support.h"

namespace {

using Kind = pictures::Failure::Kind;
using pictures::Argb;

// The picture the PNG rows are made from: colours and alpha that change across it.
const std::string kSource =
    "-size 17x11 xc:black -alpha set -channel R -fx i/w -channel G -fx j/h -channel B -fx '(i+j)/(w+h)' "
    "-channel A -fx '0.2+0.8*i/w' +channel -depth 16";

std::string Be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

std::string Chunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    return Be32(uint32_t(data.size())) + body +
           Be32(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

std::string Deflated(const std::string& bytes) {
    uLongf size = compressBound(uLong(bytes.size()));
    std::string out(size, '\0');
    REQUIRE(compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                      uLong(bytes.size()), 9) == Z_OK);
    out.resize(size);
    return out;
}

const std::string kPngSignature("\x89PNG\r\n\x1a\n", 8);

// A PNG of 8-bit samples, colour type 2 (RGB) or 3 (palette), whose rows (each with its
// filter byte) are given, with extra chunks between its header and its pixels.
std::string Png(uint32_t width, uint32_t height, int colourType, const std::string& rows, const std::string& extra = "") {
    const std::string header = Be32(width) + Be32(height) + char(8) + char(colourType) + std::string(3, '\0');
    return kPngSignature + Chunk("IHDR", header) + extra + Chunk("IDAT", Deflated(rows)) + Chunk("IEND", "");
}
// One red pixel, with extra chunks.
std::string RedPixelPng(const std::string& extra = "") { return Png(1, 1, 2, std::string("\0\xFF\0\0", 4), extra); }

std::vector<uint32_t> PixelsOf(const pictures::Image& image) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) pixels.push_back(image.Pixel(x, y));
    return pixels;
}

std::string Little16(int v) { return {char(v & 0xFF), char(v >> 8)}; }

// A GIF whose first frame is 2 x 1, at (left, top), with pixel indexes a and b (0 to 3; LZW
// codes of 3 bits: clear, a, b, end). Tables are RGB bytes, 2 entries each (empty: none).
std::string Gif(int screenWidth, int screenHeight, const std::string& global, const std::string& extensions,
                int left, int top, const std::string& local, int a, int b) {
    std::string gif = "GIF89a" + Little16(screenWidth) + Little16(screenHeight);
    gif += char(global.empty() ? 0 : 0x80);
    gif += std::string(2, '\0') + global + extensions;
    gif += "\x2C" + Little16(left) + Little16(top) + Little16(2) + Little16(1) + char(local.empty() ? 0 : 0x80) + local;
    gif += std::string{2, 2, char(0x04 | a << 3 | b << 6), 0x0A, 0} + ";";
    return gif;
}
const std::string kRedGreen("\xFF\0\0\0\xFF\0", 6);

// A crafted file and its pixels, read twice alike; or, with no pixels, the refusal.
struct Crafted {
    std::string name, bytes;
    std::vector<uint32_t> pixels;
    Kind refusal = Kind::Damaged;
};

void CheckEach(const std::vector<Crafted>& cases) {
    for (const Crafted& c : cases) {
        CAPTURE(c.name);
        if (c.pixels.empty())
            CHECK(test::Refusal(c.bytes) == c.refusal);
        else
            CHECK(PixelsOf(test::LoadTwiceAlike(c.bytes).image) == c.pixels);
    }
}

}  // namespace

TEST_CASE("PNG: every colour type, depth and interlacing reads as ImageMagick reads it; cut short, it is refused") {
    if (!test::HaveTool("convert")) {
        MESSAGE("ImageMagick's convert is not installed");
        return;
    }
    const std::string grey = "-alpha off -colorspace Gray -define png:color-type=0 ";
    const std::string palette = "-alpha off +dither -define png:exclude-chunks=bKGD -define png:color-type=3 ";
    const std::string twoAlphas = "-channel A -threshold 50% +channel +dither -define png:exclude-chunks=bKGD ";
    const struct {
        std::string name;
        std::string options;
        int depth, colourType;
        const char* writer = "";  // ImageMagick's name for the kind of PNG, when the options need one
    } rows[] = {
        {"grey 1-bit", grey + "-define png:bit-depth=1", 1, 0},
        {"grey 2-bit", grey + "-define png:bit-depth=2", 2, 0},
        {"grey 4-bit", grey + "-define png:bit-depth=4", 4, 0},
        {"grey 8-bit", grey + "-define png:bit-depth=8", 8, 0},
        {"grey 16-bit", grey + "-depth 16 -define png:bit-depth=16", 16, 0},
        {"grey 2-bit with tRNS", grey + "-transparent black -define png:bit-depth=2", 2, 0},
        {"grey 8-bit with tRNS", grey + "-depth 8 -transparent black", 8, 0},
        {"grey 16-bit with tRNS", grey + "-depth 16 -transparent black -define png:bit-depth=16", 16, 0},
        {"grey and alpha 8-bit", "-colorspace Gray -define png:color-type=4 -depth 8", 8, 4},
        {"grey and alpha 16-bit", "-colorspace Gray -define png:color-type=4 -depth 16", 16, 4},
        {"RGB 8-bit", "-alpha off -define png:color-type=2 -depth 8", 8, 2},
        {"RGB 16-bit", "-alpha off -define png:color-type=2 -depth 16", 16, 2},
        {"RGB 16-bit with tRNS", "-alpha off -transparent black -define png:color-type=2 -depth 16", 16, 2},
        {"RGBA 8-bit", "-define png:color-type=6 -depth 8", 8, 6},
        {"RGBA 16-bit", "-define png:color-type=6 -depth 16", 16, 6},
        {"palette 1-bit", palette + "-colors 2 -define png:bit-depth=1", 1, 3},
        {"palette 2-bit", palette + "-colors 4 -define png:bit-depth=2", 2, 3},
        {"palette 4-bit", palette + "-colors 16 -define png:bit-depth=4", 4, 3},
        {"palette 8-bit", palette + "-colors 200 -define png:bit-depth=8", 8, 3},
        {"palette 2-bit with tRNS", twoAlphas + "-colors 4 -type PaletteAlpha -define png:bit-depth=2", 2, 3},
        {"palette 8-bit with tRNS", "-colors 16", 8, 3, "PNG8:"},
        {"interlaced grey 1-bit", grey + "-define png:bit-depth=1 -interlace PNG", 1, 0},
        {"interlaced grey 16-bit with tRNS", grey + "-depth 16 -transparent black -interlace PNG", 16, 0},
        {"interlaced palette 2-bit with tRNS",
         twoAlphas + "-colors 4 -type PaletteAlpha -define png:bit-depth=2 -interlace PNG", 2, 3},
        {"interlaced RGB 8-bit", "-alpha off -define png:color-type=2 -depth 8 -interlace PNG", 8, 2},
        {"interlaced RGBA 16-bit", "-define png:color-type=6 -depth 16 -interlace PNG", 16, 6},
        {"interlaced 1x1, six passes empty", "-resize 1x1! -define png:color-type=6 -depth 8 -interlace PNG", 8, 6},
        {"interlaced 3x2, some passes empty", "-resize 3x2! -define png:color-type=6 -depth 8 -interlace PNG", 8, 6},
    };
    test::TempDir dir;
    const std::string source = dir.Path("source.png");
    test::Run("convert " + kSource + " " + source);
    for (const auto& row : rows) {
        CAPTURE(row.name);
        const std::string path = dir.Path("row.png");
        test::Run("convert " + source + " " + row.options + " " + row.writer + path);
        const std::string bytes = test::ReadFile(path);
        REQUIRE(bytes.size() > 33);
        // The file is what the row says it is.
        CHECK(int(bytes[24]) == row.depth);
        CHECK(int(bytes[25]) == row.colourType);
        CHECK(bool(bytes[28]) == (row.options.find("-interlace") != std::string::npos));

        const pictures::Picture picture = test::LoadTwiceAlike(bytes);
        // 16-bit samples are rounded to 8 bits; ImageMagick cuts some of them instead.
        CHECK(test::LargestDifference(picture.image, test::MagickReading(path)) <= (row.depth == 16 ? 1 : 0));
        CHECK(picture.image.HasAlpha() == (row.colourType >= 4 || bytes.find("tRNS") != std::string::npos));
        // Cut in the middle of the pixels' chunk.
        const size_t idat = bytes.find("IDAT");
        REQUIRE(idat != std::string::npos);
        const size_t cut = idat + 4 + pictures::Bytes(bytes).U32BE(idat - 4) / 2;
        CHECK(test::Refusal(bytes.substr(0, cut)) == Kind::Truncated);
    }
}

TEST_CASE("PNG: crafted chunks and data, each read from the file alone or refused with the reason") {
    const std::string redGreen = Chunk("PLTE", kRedGreen);
    const std::string rows = std::string("\0\0\x05", 3);  // indexes 0 and 5 of a 2-colour palette
    // Pixels whose compressed stream is cut to half, in a chunk that is whole.
    std::string pixels;
    for (int y = 0; y < 64; ++y) {
        pixels += '\0';  // no filter
        for (int i = 0; i < 64 * 3; ++i) pixels += char(i * y);
    }
    const std::string deflated = Deflated(pixels);
    const std::string stopsShort = kPngSignature + Chunk("IHDR", Be32(64) + Be32(64) + std::string("\x08\x02\0\0\0", 5)) +
                                   Chunk("IDAT", deflated.substr(0, deflated.size() / 2)) + Chunk("IEND", "");
    std::string badCrc = RedPixelPng();
    badCrc[badCrc.size() - 16] ^= 1;  // the pixels' CRC
    CheckEach({
        {"palette indexes past the palette are black", Png(2, 1, 3, rows, redGreen), {Argb(255, 0, 0), Argb(0, 0, 0)}},
        {"text and private chunks are skipped",
         RedPixelPng(Chunk("tEXt", std::string("Title\0red", 9)) + Chunk("prVt", "anything")), {Argb(255, 0, 0)}},
        {"an animation's own chunks are skipped: its still picture shows",
         RedPixelPng(Chunk("acTL", Be32(1) + Be32(0)) + Chunk("fcTL", std::string(26, '\0'))), {Argb(255, 0, 0)}},
        {"compressed pixels that stop short, their chunk whole", stopsShort, {}, Kind::Truncated},
        {"a chunk that runs past the end", RedPixelPng().substr(0, 40), {}, Kind::Truncated},
        {"the signature alone", kPngSignature, {}, Kind::Truncated},
        {"no header chunk first", kPngSignature + Chunk("IDAT", std::string(13, '\0')) + Chunk("IEND", ""), {}, Kind::Damaged},
        {"a header of no width", Png(0, 1, 2, std::string(4, '\0')), {}, Kind::NoSize},
        {"a damaged pixel chunk", badCrc, {}, Kind::Damaged},
    });
}

TEST_CASE("PNG: text and profiles that expand past the bound are dropped, the picture shows") {
    constexpr int64_t kBound = 8 << 20;
    // Each text within libpng's own limit of a chunk, together ten times the bound.
    const std::string text4MB = Deflated(std::string(4 << 20, 'a'));
    std::string texts;
    for (int i = 0; i < 10; ++i)
        texts += Chunk("zTXt", std::string("Comment\0\0", 9) + text4MB) +
                 Chunk("iTXt", std::string("Comment\0\x01\0\0\0", 12) + text4MB);
    // An ICC header declaring 40 MB, the rest zeros.
    const std::string profile40MB = Deflated(Be32(40u << 20) + std::string((40 << 20) - 4, '\0'));
    std::string manyChunks;
    for (int i = 0; i < 20000; ++i) manyChunks += Chunk(i % 2 ? "prVt" : "sPLT", std::string("p\0\x08", 3));
    const struct {
        std::string name;
        std::string extra;
    } rows[] = {
        {"zTXt and iTXt chunks of 80 MB in all", texts},
        {"a profile of 40 MB", Chunk("iCCP", std::string("big\0\0", 5) + profile40MB)},
        {"20000 small chunks", manyChunks},
    };
    for (const auto& row : rows) {
        CAPTURE(row.name);
        const pictures::Picture picture = test::Load(RedPixelPng(row.extra), "", kBound);
        CHECK(picture.image.Pixel(0, 0) == Argb(255, 0, 0));
        CHECK(picture.metadata.icc.empty());
    }

    // A profile within the limit is kept as the file gives it.
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(srgb, nullptr, &size);
    std::string icc(size, '\0');
    cmsSaveProfileToMem(srgb, icc.data(), &size);
    cmsCloseProfile(srgb);
    CHECK(test::Load(RedPixelPng(Chunk("iCCP", std::string("sRGB\0\0", 6) + Deflated(icc))), "", kBound).metadata.icc ==
          icc);
}

TEST_CASE("EXIF orientation: found in the first directory in either byte order, 1 for anything else") {
    // A TIFF structure of one directory entry: tag, type, count, value.
    const auto exif = [](bool little, int tag, int type, int value, int entries = 1) {
        const auto u16 = [&](int v) { return little ? Little16(v) : std::string{char(v >> 8), char(v)}; };
        const auto u32 = [&](uint32_t v) { return little ? Little16(int(v & 0xFFFF)) + Little16(int(v >> 16)) : Be32(v); };
        return std::string(little ? "II" : "MM") + u16(42) + u32(8) + u16(entries) + u16(tag) + u16(type) + u32(1) +
               u16(value) + u16(0) + u32(0);
    };
    const struct {
        std::string name;
        std::string bytes;
        int orientation;
    } rows[] = {
        {"little-endian 6", exif(true, 0x0112, 3, 6), 6},
        {"big-endian 8", exif(false, 0x0112, 3, 8), 8},
        {"with JPEG's prefix", std::string("Exif\0\0", 6) + exif(true, 0x0112, 3, 3), 3},
        {"another tag only", exif(true, 0x0110, 3, 6), 1},
        {"not a SHORT", exif(true, 0x0112, 4, 6), 1},
        {"out of range", exif(true, 0x0112, 3, 9), 1},
        {"more entries than bytes", exif(true, 0x0110, 3, 6, 900), 1},
        {"cut inside the header", exif(true, 0x0112, 3, 6).substr(0, 6), 1},
    };
    for (const auto& row : rows) {
        CAPTURE(row.name);
        CHECK(pictures::ExifOrientation(pictures::Bytes(row.bytes)) == row.orientation);
    }
    // A PNG's EXIF turns it, from its eXIf chunk or from the text chunk ImageMagick and exiv2
    // keep it in: red, blue stored; a quarter turn clockwise shows them top to bottom.
    const std::string turned = exif(false, 0x0112, 3, 6);
    std::string hex = "\nexif\n      " + std::to_string(turned.size()) + "\n";
    for (const char c : turned) hex += "0123456789abcdef"[uint8_t(c) >> 4], hex += "0123456789abcdef"[c & 15];
    const struct {
        std::string name, chunk;
    } carriers[] = {
        {"eXIf", Chunk("eXIf", turned)},
        {"compressed raw profile", Chunk("zTXt", std::string("Raw profile type exif\0\0", 23) + Deflated(hex))},
        {"raw profile", Chunk("tEXt", std::string("Raw profile type exif\0", 22) + hex)},
    };
    for (const auto& carrier : carriers) {
        CAPTURE(carrier.name);
        const std::string png = Png(2, 1, 2, std::string("\0\xFF\0\0\0\0\xFF", 7), carrier.chunk);
        const pictures::Image upright = test::LoadTwiceAlike(png).image;
        CHECK(upright.Width() == 1);
        CHECK(PixelsOf(upright) == std::vector<uint32_t>{Argb(255, 0, 0), Argb(0, 0, 255)});
    }
}

TEST_CASE("GIF: the first frame on the logical screen, as ImageMagick reads it; cut inside it, refused") {
    if (!test::HaveTool("convert")) {
        MESSAGE("ImageMagick's convert is not installed");
        return;
    }
    test::TempDir dir;
    const std::string source = dir.Path("source.png");
    test::Run("convert " + kSource + " " + source);
    const std::string colours = source + " -alpha off +dither -colors 16 ";
    const struct {
        std::string name;
        std::string arguments;
        bool alpha;
        double cutAt;  // where in the file a cut falls inside the first frame
    } rows[] = {
        {"global colour table", colours, false, 0.5},
        {"interlaced", colours + "-interlace GIF", false, 0.5},
        {"a transparent index", source + " -channel A -threshold 50% +channel +dither -colors 16", true, 0.5},
        {"two frames: the first shows", colours + "\\( " + source + " -negate -alpha off \\)", false, 0.1},
        {"a frame smaller than the screen, the rest transparent", colours + "-crop 9x5+2+3 +repage -page 30x20+5+4", true, 0.5},
    };
    for (const auto& row : rows) {
        CAPTURE(row.name);
        const std::string path = dir.Path("row.gif");
        test::Run("convert " + row.arguments + " " + path);
        const std::string bytes = test::ReadFile(path);
        const pictures::Picture picture = test::LoadTwiceAlike(bytes);
        // ImageMagick reads a frame at its own size; on the screen, the rest is transparent.
        const test::Reference frame = test::MagickReading(path);
        test::Reference screen = frame;
        if (picture.image.Width() == 30) {
            screen = {30, 20, std::vector<uint32_t>(600, 0)};
            for (int y = 0; y < frame.height; ++y)
                for (int x = 0; x < frame.width; ++x)
                    screen.pixels[size_t(y + 4) * 30 + size_t(x + 5)] = frame.pixels[size_t(y * frame.width + x)];
        }
        CHECK(test::LargestDifference(picture.image, screen) == 0);
        CHECK(picture.image.HasAlpha() == row.alpha);
        CHECK(test::Refusal(bytes.substr(0, size_t(double(bytes.size()) * row.cutAt))) == Kind::Truncated);
    }
}

TEST_CASE("GIF: crafted tables, frames and data, each read from the file alone or refused with the reason") {
    const uint32_t red = Argb(255, 0, 0), green = Argb(0, 255, 0), black = Argb(0, 0, 0);
    const std::string transparentOne("\x21\xF9\x04\x01\0\0\x01\0", 8);  // graphic control: index 1 transparent
    std::string stopsShort = Gif(2, 1, kRedGreen, "", 0, 0, "", 1, 0);
    stopsShort.replace(stopsShort.size() - 4, 2, "\x4C\x01");  // clear, 1, end: one pixel of two
    CheckEach({
        {"the file's colour table", Gif(2, 1, kRedGreen, "", 0, 0, "", 1, 0), {green, red}},
        {"the frame's own table over the file's",
         Gif(2, 1, kRedGreen, "", 0, 0, std::string("\0\0\xFF\xFF\xFF\0", 6), 1, 0), {Argb(255, 255, 0), Argb(0, 0, 255)}},
        {"no colour table at all: black", Gif(2, 1, "", "", 0, 0, "", 1, 0), {black, black}},
        {"indexes past the table take its first colour", Gif(2, 1, kRedGreen, "", 0, 0, "", 3, 1), {red, green}},
        {"the transparent index", Gif(2, 1, kRedGreen, transparentOne, 0, 0, "", 1, 0), {0, red}},
        {"a frame past the screen's edge is cut to it", Gif(2, 1, kRedGreen, "", 1, 0, "", 1, 0), {0, green}},
        {"a screen of no size takes the frame's", Gif(0, 0, kRedGreen, "", 0, 0, "", 0, 1), {red, green}},
        {"compressed pixels that stop short", stopsShort, {}, Kind::Truncated},
        {"no frame before the end", "GIF89a" + Little16(2) + Little16(1) + std::string(3, '\0') + ";", {}, Kind::Truncated},
        {"cut inside the frame's descriptor", Gif(2, 1, kRedGreen, "", 0, 0, "", 1, 0).substr(0, 25), {}, Kind::Truncated},
        {"a huge screen", Gif(60000, 60000, kRedGreen, "", 0, 0, "", 1, 0), {}, Kind::TooLarge},
    });
}

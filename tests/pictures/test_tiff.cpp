// TIFF pictures read through libtiff: the layouts ImageMagick and libtiff's tools write,
// each read twice alike and compared with ImageMagick's own reading.
#include <array>
#include <filesystem>

#include "picture_test_support.h"

namespace {

constexpr const char* kProfiles = "/usr/share/color/icc/ghostscript/";

bool HaveTools() {
    if (test::HaveTool("convert") && test::HaveTool("tiffcp") && test::HaveTool("tiffset") && test::HaveTool("tificc"))
        return true;
    MESSAGE("ImageMagick's convert, libtiff's tiffcp and tiffset or lcms2's tificc are missing: no TIFF is made");
    return false;
}

// The command with each IN, OUT and PROFILES replaced.
std::string Command(std::string command, const test::TempDir& dir, const std::string& out) {
    for (const auto& [word, with] : {std::pair<std::string, std::string>{"IN", dir.Path("source.png")},
                                     {"OUT", dir.Path(out)}, {"REF", dir.Path(out + ".ref")}, {"PROFILES", kProfiles}})
        for (size_t at = command.find(word); at != std::string::npos; at = command.find(word, at + with.size()))
            command.replace(at, word.size(), with);
    return command;
}

// A little-endian TIFF byte by byte: its directory's entries (tag, type, count, value),
// their strip offsets pointing past the end.
std::string Crafted(const std::vector<std::array<uint32_t, 4>>& entries) {
    std::string bytes("II*\0\x08\0\0\0", 8);
    const auto put = [&bytes](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes += char(v >> (8 * i));
    };
    put(uint32_t(entries.size()), 2);
    for (const auto& e : entries) {
        put(e[0], 2);
        put(e[1], 2);
        put(e[2], 4);
        put(e[3], 4);
    }
    put(0, 4);
    return bytes;
}

}  // namespace

TEST_CASE("TIFF layouts read as ImageMagick reads them, every pixel from the file") {
    if (!HaveTools()) return;
    const test::TempDir dir;
    // Edges that cut through strips and 64 x 64 tiles; colours that differ in every channel.
    test::Run(Command("convert -size 150x90 -seed 7 plasma:red-blue IN", dir, ""));
    const struct {
        const char* name;
        const char* make;  // writes OUT from the source picture IN
        int tolerance;
        bool lossless;
        const char* reference = nullptr;  // writes REF, to compare with when not OUT itself
    } rows[] = {
        {"8-bit RGB, uncompressed", "convert IN -depth 8 -compress none OUT", 0, true},
        {"16-bit RGB tiled, planar, Deflate", "convert IN -depth 16 -define tiff:tile-geometry=64x64 -interlace plane -compress zip OUT", 1, true},
        {"16-bit RGB planar strips", "convert IN -depth 16 -interlace plane OUT", 1, true},
        {"16-bit RGB big-endian, LZW", "convert IN -depth 16 -define tiff:endian=msb -compress lzw OUT", 1, true},
        {"12-bit CMYK", "convert IN -colorspace cmyk -depth 12 OUT", 1, true},
        {"16-bit CMYK, Deflate", "convert IN -colorspace cmyk -depth 16 -compress zip OUT", 1, true},
        {"8-bit CMYK planar, PackBits", "convert IN -colorspace cmyk -depth 8 -interlace plane -compress rle OUT", 1, true},
        {"1-bit grey, CCITT group 4, min-is-white", "convert IN -monochrome -compress group4 OUT", 0, true},
        {"2-bit grey", "convert IN -colorspace gray -depth 2 OUT", 1, true},
        {"4-bit grey, LZW", "convert IN -colorspace gray -depth 4 -compress lzw OUT", 1, true},
        {"12-bit grey", "convert IN -colorspace gray -depth 12 OUT", 1, true},
        {"16-bit grey tiled", "convert IN -colorspace gray -depth 16 -define tiff:tile-geometry=64x64 OUT", 1, true},
        // ImageMagick truncates 16-bit palette entries to 8 bits; they are rounded here.
        {"8-bit palette", "convert IN -type palette OUT", 1, true},
        {"4-bit palette", "convert IN -colors 16 -type palette OUT", 1, true},
        {"8-bit RGB with alpha", "convert IN -depth 8 -alpha on -channel a -fx 'i/w' +channel OUT", 0, true},
        {"16-bit RGB, associated alpha", "convert IN -depth 16 -alpha on -channel a -fx 'j/h' +channel -define tiff:alpha=associated OUT", 1, true},
        {"16-bit grey with alpha, planar", "convert IN -colorspace gray -depth 16 -alpha on -channel a -fx 'i/w' +channel -interlace plane OUT", 1, true},
        {"32-bit floating-point RGB", "convert IN -define quantum:format=floating-point -depth 32 -compress zip OUT", 1, true},
        {"16-bit floating-point RGB", "convert IN -define quantum:format=floating-point -depth 16 -compress zip OUT", 1, true},
        // Lab converts through another white than ImageMagick's: dark channels of saturated
        // colours differ by a few levels. ImageMagick reads 16-bit Lab back wrong (blues
        // turn redless): that row is compared with the picture written.
        {"8-bit CIE Lab", "convert IN -depth 8 -colorspace Lab OUT", 6, true},
        {"16-bit CIE Lab", "convert IN -depth 16 -colorspace Lab OUT", 5, true, "convert IN png:REF"},
        {"JPEG-compressed RGB", "convert IN -depth 8 -compress jpeg OUT", 2, false},
        {"JPEG-compressed YCbCr", "convert IN -depth 8 -compress none OUT.rgb.tif && tiffcp -c jpeg -r 16 OUT.rgb.tif OUT", 2, false},
        {"uncompressed YCbCr", "convert IN -depth 8 -colorspace YCbCr -compress none OUT", 2, true},
        {"8-bit planar tiles 16 x 16 (tiffcp)", "convert IN -depth 8 OUT.8.tif && tiffcp -p separate -t -w 16 -l 16 -c zip:2 OUT.8.tif OUT", 0, true},
        {"16-bit strips of 7 rows (tiffcp)", "convert IN -depth 16 OUT.16.tif && tiffcp -r 7 -c lzw:2 OUT.16.tif OUT", 1, true},
        {"BigTIFF", "convert IN -depth 8 TIFF64:OUT", 0, true},
        {"orientation 6, 590 x 88", "convert -size 590x88 -seed 3 plasma: -depth 8 OUT && tiffset -s 274 6 OUT", 0, true,
         "convert OUT -auto-orient png:REF"},
        {"orientation 8, 16-bit planar", "convert -size 590x88 -seed 3 plasma: -depth 16 -interlace plane OUT && tiffset -s 274 8 OUT", 1, true,
         "convert OUT -auto-orient png:REF"},
        {"CMYK with its profile", "convert IN -profile PROFILESsrgb.icc -profile PROFILESps_cmyk.icc -depth 16 OUT", 3, true,
         "tificc -o PROFILESsrgb.icc OUT REF"},
    };
    const bool haveProfiles = std::filesystem::exists(std::string(kProfiles) + "ps_cmyk.icc");
    int n = 0;
    for (const auto& row : rows) {
        const std::string name = row.name;
        CAPTURE(name);
        if (std::string(row.make).find("PROFILES") != std::string::npos && !haveProfiles) {
            MESSAGE("no ICC profiles at " << kProfiles << ": skipped");
            continue;
        }
        const std::string out = "picture" + std::to_string(n++) + ".tif";
        test::Run(Command(row.make, dir, out));
        if (row.reference) test::Run(Command(row.reference, dir, out));
        const pictures::Picture picture = test::LoadTwiceAlike(test::ReadFile(dir.Path(out)), "tif");
        const test::Reference reference = test::MagickReading(dir.Path(row.reference ? out + ".ref" : out));
        CHECK(test::LargestDifference(picture.image, reference) <= row.tolerance);
        CHECK(picture.metadata.lossless == row.lossless);
        // CMYK, Lab and grey are RGB once read: no profile of theirs goes with the pixels.
        CHECK(picture.metadata.icc.empty());
    }
}

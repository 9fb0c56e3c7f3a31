// TIFF pictures read through libtiff: the layouts ImageMagick and libtiff's tools write,
// each read twice alike and compared with ImageMagick's own reading.
#include <array>
#include <filesystem>

#include "picture_test_support.h"
#include "pictures/formats/tiff_samples.h"

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

TEST_CASE("TIFFs cut short, damaged or in a layout not read are refused with the reason") {
    if (!HaveTools()) return;
    const test::TempDir dir;
    test::Run(Command("convert -size 150x90 -seed 7 plasma:red-blue IN", dir, ""));
    // The directory comes first in this file, its strips after it.
    test::Run(Command("convert IN -depth 16 -compress zip OUT", dir, "zip.tif"));
    const std::string zip = test::ReadFile(dir.Path("zip.tif"));
    std::string scrambled = zip;
    for (size_t i = zip.size() / 2; i < zip.size() / 2 + 64; ++i) scrambled[i] = char(i * 37);
    test::Run(Command("convert IN -colorspace cmyk OUT && tiffset -s 332 2 OUT", dir, "inks.tif"));
    test::Run(Command("convert IN -colorspace gray -depth 16 -define quantum:format=signed OUT", dir, "signed.tif"));

    using K = pictures::Failure::Kind;
    // 16 x 1000 pixels in 60000 planes of one-row strips: 60 million strips to keep track of.
    const std::string manyStrips = Crafted({{256, 3, 1, 16}, {257, 3, 1, 1000}, {258, 3, 1, 8}, {262, 3, 1, 1},
                                            {273, 4, 60000000, 1 << 30}, {277, 3, 1, 60000}, {278, 3, 1, 1},
                                            {279, 4, 60000000, 1 << 30}, {284, 3, 1, 2}});
    const struct {
        const char* name;
        std::string bytes;
        K kind;
        const char16_t* detail = u"";  // a part of the detail
    } rows[] = {
        {"cut inside its strips", zip.substr(0, zip.size() * 3 / 5), K::Truncated},
        {"cut inside its directory", zip.substr(0, 240), K::Truncated},
        {"Deflate data scrambled", scrambled, K::Damaged},
        {"inks other than CMYK", test::ReadFile(dir.Path("inks.tif")), K::Damaged, u"CMYK"},
        {"signed samples", test::ReadFile(dir.Path("signed.tif")), K::Damaged, u"signed"},
        {"no width", Crafted({{257, 3, 1, 10}, {273, 4, 1, 8}, {279, 4, 1, 10}}), K::NoSize},
        {"60 million strips", manyStrips, K::TooLarge},
    };
    for (const auto& row : rows) {
        const std::string name = row.name;
        CAPTURE(name);
        try {
            test::Load(row.bytes, "tif", int64_t(64) << 20);
            FAIL("read");
        } catch (const pictures::Failure& failure) {
            CHECK(failure.kind == row.kind);
            CHECK(failure.detail.find(row.detail) != std::u16string::npos);
            if (failure.kind == K::Damaged) CHECK(!failure.detail.empty());
        }
    }
}

TEST_CASE("an RGB profile goes with the pixels; one past 4 MB is left behind") {
    if (!HaveTools()) return;
    const std::string srgb = std::string(kProfiles) + "srgb.icc", a98 = std::string(kProfiles) + "a98.icc";
    if (!std::filesystem::exists(srgb) || !std::filesystem::exists(a98)) {
        MESSAGE("no ICC profiles at " << kProfiles << ": skipped");
        return;
    }
    const test::TempDir dir;
    // A real profile grown past 4 MB: its header's size says so, the rest is zeros.
    std::string big = test::ReadFile(srgb) + std::string(5 << 20, '\0');
    for (int i = 0; i < 4; ++i) big[size_t(i)] = char(big.size() >> (24 - 8 * i));
    test::WriteFile(dir.Path("big.icc"), big);
    test::Run(Command("convert -size 40x30 gradient:red-blue -depth 8 OUT.png", dir, "p"));
    test::Run(Command("convert OUT.png -profile " + a98 + " OUT.a98.tif", dir, "p"));
    test::Run(Command("convert OUT.png -profile " + dir.Path("big.icc") + " OUT.big.tif", dir, "p"));

    const pictures::Picture kept = test::LoadTwiceAlike(test::ReadFile(dir.Path("p.a98.tif")), "tif");
    CHECK(kept.metadata.icc == test::ReadFile(a98));
    CHECK(!kept.shown.Null());  // shown converted from Adobe RGB
    const pictures::Picture left = test::LoadTwiceAlike(test::ReadFile(dir.Path("p.big.tif")), "tif");
    CHECK(left.metadata.icc.empty());
    CHECK(test::LargestDifference(left.image, test::MagickReading(dir.Path("p.png"))) == 0);
}

TEST_CASE("8-bit grey and RGB rows go straight to the same pixels as through 16-bit values") {
    using pictures::tiff::Colours;
    struct Row {
        Colours colours;
        int samples, alpha;
        bool associated;
    };
    for (const Row& r : {Row{Colours::Grey, 1, -1, false}, Row{Colours::GreyInverted, 2, 1, true},
                         Row{Colours::Grey, 2, 1, false}, Row{Colours::Rgb, 3, -1, false},
                         Row{Colours::Rgb, 5, 3, false}, Row{Colours::Rgb, 4, 3, true}, Row{Colours::Rgb, 4, -1, false}}) {
        pictures::tiff::Layout layout;
        layout.colours = r.colours, layout.samples = r.samples, layout.alpha = r.alpha, layout.associated = r.associated;
        REQUIRE(pictures::tiff::Fits8Bits(layout));
        // Every colour value beside every alpha, each sample of a pixel different.
        const int count = 256 * 256;
        std::vector<uint8_t> bytes(size_t(count) * size_t(r.samples) + 3);
        for (int i = 0; i < count; ++i)
            for (int s = 0; s < r.samples; ++s) bytes[size_t(i * r.samples + s)] = uint8_t(s == r.alpha ? i >> 8 : i + s * 7);
        std::vector<uint16_t> values(size_t(count) * size_t(layout.Values()));
        for (int v = 0; v < layout.Values(); ++v)
            pictures::tiff::Unpack(bytes.data(), layout, size_t(layout.SampleOf(v)), size_t(r.samples), count,
                                   values.data() + v, size_t(layout.Values()));
        std::vector<uint32_t> general(bytes.size()), straight(bytes.size());
        const std::vector<uint16_t> noPalette;
        pictures::tiff::PixelConverter(layout, noPalette, {}).Convert(values.data(), count, general.data());
        pictures::tiff::Convert8(bytes.data(), layout, count, straight.data());
        CHECK(straight == general);
    }
}

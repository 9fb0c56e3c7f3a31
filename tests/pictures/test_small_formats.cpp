// The small formats read by code of our own: PNM and PAM, XBM, XPM, WBMP and TGA. Files
// are made by netpbm and ImageMagick and compared with ImageMagick's reading, or spelled
// out byte by byte where the tools do not write a variant; every file is read twice alike.
#include <algorithm>

#include "picture_test_support.h"

namespace {

using K = pictures::Failure::Kind;

constexpr uint32_t B = pictures::Argb(0, 0, 0), W = pictures::Argb(255, 255, 255);

// The pictures the tools start from, made once in the folder: an RGB blend of three
// colours at an odd size (37 x 23: rows that end inside a byte), and the same with alpha
// rising from left to right.
class Sources {
public:
    Sources() {
        ok_ = test::HaveTool("convert") && test::HaveTool("pgmramp");
        if (!ok_) return;
        test::Run("cd " + dir.Path("") + " && convert -size 37x23 xc: -sparse-color barycentric "
                  "'0,0 red 36,0 blue 0,22 yellow' -depth 8 rgb.png && "
                  "convert rgb.png -alpha set -channel A -fx i/w +channel -depth 8 rgba.png");
    }
    // Whether the tools are installed; a row says so and is skipped when not.
    bool Ready() const {
        if (!ok_) MESSAGE("ImageMagick or netpbm is not installed (scripts/packages.txt lists them)");
        return ok_;
    }
    test::TempDir dir;

private:
    bool ok_ = false;
};

// A file the command makes in the folder (named `name`, the command run there).
std::string Made(const test::TempDir& dir, const std::string& name, const std::string& command) {
    test::Run("cd " + dir.Path("") + " && " + command);
    return test::ReadFile(dir.Path(name));
}

// The file read twice alike, then within `tolerance` of ImageMagick's reading of it (turned
// upright: ImageMagick keeps a TGA's rows as stored and names their orientation).
void ReadsAsMagickDoes(const test::TempDir& dir, const std::string& name, const std::string& extension, int tolerance) {
    const std::string bytes = test::ReadFile(dir.Path(name));
    const pictures::Picture picture = test::LoadTwiceAlike(bytes, extension);
    test::Run("convert '" + dir.Path(name) + "' -auto-orient '" + dir.Path(name) + ".png'");
    CHECK(test::LargestDifference(picture.image, test::MagickReading(dir.Path(name) + ".png")) <= tolerance);
}

std::vector<uint32_t> Pixels(const pictures::Image& image) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) pixels.push_back(image.Pixel(x, y));
    return pixels;
}

// Spelled-out files and the pixels they hold, row by row.
struct Spelled {
    const char* what;
    std::string bytes, extension;
    int width;
    std::vector<uint32_t> pixels;
};

void ReadsAsSpelled(const Spelled& row) {
    const std::string what = row.what;
    CAPTURE(what);
    const pictures::Picture picture = test::LoadTwiceAlike(row.bytes, row.extension);
    CHECK(picture.image.Width() == row.width);
    CHECK(Pixels(picture.image) == row.pixels);
}

uint32_t Grey(unsigned v) { return pictures::Argb(v, v, v); }

// Bytes by their values (string literals would end at a zero byte).
std::string Raw(std::initializer_list<uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

TEST_CASE("PNM and PAM: plain and raw, 1 to 16 bits, any maxval, comments anywhere") {
    Sources s;
    if (!s.Ready()) return;
    // name, netpbm or ImageMagick command, largest difference from ImageMagick's reading
    const struct {
        const char* name;
        std::string command;
        int tolerance;
    } rows[] = {
        {"p1.pbm", "convert rgb.png -threshold 50% pbm:- | pnmtoplainpnm > p1.pbm", 0},
        {"p4.pbm", "convert rgb.png -threshold 50% p4.pbm", 0},
        {"p2.pgm", "pgmramp -diag 37 23 | pnmtoplainpnm > p2.pgm", 0},
        {"p5.pgm", "pgmramp -diag 37 23 > p5.pgm", 0},
        {"p5-16.pgm", "pgmramp -diag -maxval 65535 37 23 > p5-16.pgm", 1},
        {"p5-1000.pgm", "pgmramp -lr -maxval 1000 37 23 > p5-1000.pgm", 1},
        {"p3.ppm", "convert rgb.png ppm:- | pnmtoplainpnm > p3.ppm", 0},
        {"p3-1000.ppm", "convert rgb.png ppm:- | pamdepth 1000 | pnmtoplainpnm > p3-1000.ppm", 1},
        {"p6.ppm", "convert rgb.png p6.ppm", 0},
        {"p6-16.ppm", "convert rgb.png -depth 16 p6-16.ppm", 0},
        {"p6-1000.ppm", "convert rgb.png ppm:- | pamdepth 1000 > p6-1000.ppm", 1},
        {"rgba.pam", "convert rgba.png rgba.pam", 0},
        {"grey-alpha.pam", "convert rgba.png -colorspace gray grey-alpha.pam", 0},
        {"grey.pam", "pgmramp -diag 37 23 | pamtopam > grey.pam", 0},
    };
    for (const auto& row : rows) {
        const std::string name = row.name;
        CAPTURE(name);
        Made(s.dir, row.name, row.command);
        ReadsAsMagickDoes(s.dir, row.name, "", row.tolerance);
        // A file cut inside its rows.
        const std::string bytes = test::ReadFile(s.dir.Path(row.name));
        CHECK(test::Refusal(bytes.substr(0, bytes.size() - bytes.size() / 8)) == K::Truncated);
    }

    const Spelled spelled[] = {
        {"plain PBM digits without separators", "P1\n4 2\n0101\n1010\n", "", 4, {W, B, W, B, B, W, B, W}},
        {"comments between every header number and in the samples",
         "P2#a\n3#b\n#c\n1 # d\n255#e\n0 # f\n#g\n128\t255", "", 3, {Grey(0), Grey(128), Grey(255)}},
        {"a comment ending a raw header", "P5 2 1 255#comment\n\x10\xEF", "", 2, {Grey(16), Grey(239)}},
        {"maxval 1000 rounded, samples above it clamped", "P2 4 1 1000 0 500 999 4000", "", 4,
         {Grey(0), Grey(128), Grey(255), Grey(255)}},
        {"16-bit raw samples, high byte first", "P5 2 1 65535\n" + Raw({0x80, 0, 0, 0xFF}), "", 2,
         {Grey(128), Grey(1)}},
        {"PAM black and white: 1 is white",
         "P7\nWIDTH 2\nHEIGHT 1\nDEPTH 1\nMAXVAL 1\nTUPLTYPE BLACKANDWHITE\nENDHDR\n" + Raw({1, 0}), "", 2,
         {W, B}},
    };
    for (const Spelled& row : spelled) ReadsAsSpelled(row);

    const struct {
        const char* what;
        std::string bytes;
        K kind;
    } refused[] = {
        {"plain samples ending early", "P2 3 2 255 1 2 3 4", K::Truncated},
        {"a raw header with no samples", "P6 2 2 255", K::Truncated},
        {"a letter among plain samples", "P2 2 1 255 1 x", K::Damaged},
        {"maxval 0", "P2 1 1 0 0", K::Damaged},
        {"maxval past 16 bits", "P5 1 1 65536\n" + Raw({0, 0}), K::Damaged},
        {"no width", "P4 0 5\n", K::NoSize},
        {"a PAM header line not known", "P7\nWIDTH 1\nCOLOUR 3\nENDHDR\n", K::Damaged},
    };
    for (const auto& row : refused) {
        const std::string what = row.what;
    CAPTURE(what);
        CHECK(test::Refusal(row.bytes) == row.kind);
    }
}

TEST_CASE("XBM: X11 bytes and X10 shorts, lowest bit leftmost, set bits black") {
    Sources s;
    if (s.Ready()) {
        Made(s.dir, "a.xbm", "convert rgb.png -threshold 50% a.xbm");
        ReadsAsMagickDoes(s.dir, "a.xbm", "", 0);
        const std::string bytes = test::ReadFile(s.dir.Path("a.xbm"));
        CHECK(test::Refusal(bytes.substr(0, bytes.rfind("0x"))) == K::Truncated);
    }

    const Spelled spelled[] = {
        {"X10 shorts, rows padded to 16 bits",
         "#define t_width 18\n#define t_height 2\nstatic short t_bits[] = {\n 0x0001, 0x0002, 0x8000, 0x0000};\n", "", 18,
         {B, W, W, W, W, W, W, W, W, W, W, W, W, W, W, W, W, B, W, W, W, W, W, W, W, W, W, W, W, W, W, W, W, B, W, W}},
        {"comments, a hot spot, const unsigned, decimal and upper-case entries",
         "/* made by hand */\n#define i_width 3\n#define i_height 2\n#define i_x_hot 1\n"
         "static const unsigned char i_bits[] = { /* rows */ 0X05, 2 };",
         "", 3, {B, W, B, W, B, W}},
    };
    for (const Spelled& row : spelled) ReadsAsSpelled(row);

    // Sizes are believed only once the array holds the bits for them.
    CHECK(test::Refusal("#define a_width 3\n#define a_height 3\nstatic char a_bits[] = { 0x01, 0x02 };") == K::Damaged);
    CHECK(test::Refusal("#define a_width 60000\n#define a_height 60000\nstatic char a_bits[] = { 0x01,") == K::Truncated);
}

TEST_CASE("XPM: colour tables of hex, names and None, one or more characters a pixel") {
    Sources s;
    if (s.Ready()) {
        const struct {
            const char* name;
            const char* command;
        } rows[] = {
            {"many.xpm", "convert rgb.png -colors 200 many.xpm"},  // 2 characters a pixel, #RRRRGGGGBBBB
            {"none.xpm", "convert rgba.png -colors 16 none.xpm"},  // transparent pixels as None
        };
        for (const auto& row : rows) {
            const std::string name = row.name;
        CAPTURE(name);
            Made(s.dir, row.name, row.command);
            ReadsAsMagickDoes(s.dir, row.name, "", 0);
            const std::string bytes = test::ReadFile(s.dir.Path(row.name));
            CHECK(test::Refusal(bytes.substr(0, bytes.size() - 20)) == K::Truncated);
        }
    }

    const auto xpm = [](const std::string& lines) { return "/* XPM */\nstatic char *p[] = {\n" + lines + "};\n"; };
    const Spelled spelled[] = {
        {"None and two characters a pixel",
         xpm("\"3 1 2 2\",\n\"a. c None\",\n\"b. c #FF8000\",\n/* pixels */\n\"a.b.a.\""), "", 3,
         {0, pictures::Argb(255, 128, 0), 0}},
        {"X11 names, gray percentages, #RGB and 16-bit hex",
         xpm("\"6 1 6 1\",\"g c green\",\"l c Light Gray\",\"h c gray50\",\"t c #FA0\",\"w c #FFFF80000000\","
             "\"n c navy blue\",\"glhtwn\""),
         "", 6,
         {pictures::Argb(0, 255, 0), Grey(211), Grey(127), pictures::Argb(255, 170, 0), pictures::Argb(255, 128, 0),
          pictures::Argb(0, 0, 128)}},
        {"the mono key when there is no colour key, symbolic names passed over",
         xpm("\"2 1 2 1 0 0\",\". s background m white\",\"# m black s fg\",\".#\""), "", 2, {W, B}},
    };
    for (const Spelled& row : spelled) ReadsAsSpelled(row);

    const struct {
        const char* what;
        std::string bytes;
        K kind;
    } refused[] = {
        {"a colour name not known", xpm("\"1 1 1 1\",\"x c NoSuchColour\",\"x\""), K::Damaged},
        {"a pixel the table lacks", xpm("\"2 1 1 1\",\"x c red\",\"xy\""), K::Damaged},
        {"a short row", xpm("\"3 1 1 1\",\"x c red\",\"xx\""), K::Damaged},
        {"more colours than the file could hold", xpm("\"1 1 4000000000 1\",\"x c red\",\"x\""), K::Truncated},
        {"fewer rows than its height", xpm("\"1 2 1 1\",\"x c red\",\"x\""), K::Damaged},
    };
    for (const auto& row : refused) {
        const std::string what = row.what;
    CAPTURE(what);
        CHECK(test::Refusal(row.bytes) == row.kind);
    }
}

TEST_CASE("WBMP: known by its name and a header whose rows fill the file") {
    Sources s;
    if (!s.Ready()) return;
    // 200 pixels wide: the width takes two bytes.
    Made(s.dir, "a.wbmp", "convert rgb.png -resize 200x9! -threshold 50% a.wbmp");
    ReadsAsMagickDoes(s.dir, "a.wbmp", "wbmp", 0);
    const std::string bytes = test::ReadFile(s.dir.Path("a.wbmp"));
    CHECK(test::Refusal(bytes, "") == K::NotAPicture);                  // no name: no signature to go by
    CHECK(test::Refusal(bytes + "extra", "wbmp") == K::NotAPicture);    // more than the rows: other content
    CHECK(test::Refusal(bytes.substr(0, bytes.size() - 3), "wbmp") == K::Truncated);
    ReadsAsSpelled({"1 is white, rows padded to bytes", Raw({0, 0, 3, 2, 0xA0, 0x40}), "wbmp", 3, {W, B, W, B, W, B}});
}

namespace {

// A TGA spelled out: the header, a colour map, then the pixels (each `bytesPer` bytes),
// run-length packed when rle: a run of equal pixels as one repeat packet, others raw.
std::string Tga(int type, int depth, int descriptor, int width, int height, const std::string& pixels, bool rle,
                const std::string& map = "", int mapBits = 0) {
    const int bytesPer = (depth + 7) / 8;
    std::string data;
    for (size_t i = 0; i < pixels.size();) {
        const auto at = [&](size_t k) { return pixels.substr(k * bytesPer, bytesPer); };
        const size_t n = pixels.size() / bytesPer;
        size_t p = i / bytesPer, run = 1;
        if (!rle) {
            data += at(p);
            i += bytesPer;
            continue;
        }
        while (p + run < n && run < 128 && at(p + run) == at(p)) ++run;
        if (run > 1) {
            data += char(0x80 | (run - 1)) + at(p);
        } else {
            while (p + run < n && run < 128 && at(p + run) != at(p + run - 1)) ++run;
            data += char(run - 1);
            for (size_t k = 0; k < run; ++k) data += at(p + k);
        }
        i += run * bytesPer;
    }
    const int mapLength = mapBits ? int(map.size()) / ((mapBits + 7) / 8) : 0;
    const char header[18] = {0, char(mapBits ? 1 : 0), char(type | (rle ? 8 : 0)), 0, 0, char(mapLength), char(mapLength >> 8),
                             char(mapBits), 0, 0, 0, 0, char(width), char(width >> 8), char(height), char(height >> 8),
                             char(depth), char(descriptor)};
    return std::string(header, 18) + map + data;
}

// Pixels of a picture with runs and changes: pixel i is pattern[i / 3 % pattern.size()].
std::string Repeated(const std::vector<std::string>& pattern, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += pattern[size_t(i / 3) % pattern.size()];
    return out;
}

}  // namespace

TEST_CASE("TGA: colour-mapped, true-colour and grey, plain and run-length, every depth and origin") {
    Sources s;
    if (!s.Ready()) return;
    const struct {
        const char* name;
        const char* command;
    } made[] = {
        {"rgb.tga", "convert rgb.png rgb.tga"},
        {"rgb-rle.tga", "convert rgb.png -compress RLE rgb-rle.tga"},
        {"rgba-rle.tga", "convert rgba.png -compress RLE rgba-rle.tga"},
        {"palette.tga", "convert rgb.png -colors 50 -type palette palette.tga"},
        {"palette-rle.tga", "convert rgb.png -colors 50 -type palette -compress RLE palette-rle.tga"},
        {"grey-rle.tga", "convert rgb.png -type grayscale -compress RLE grey-rle.tga"},
    };
    for (const auto& row : made) {
        const std::string name = row.name;
        CAPTURE(name);
        Made(s.dir, row.name, row.command);
        ReadsAsMagickDoes(s.dir, row.name, "tga", 0);
        const std::string bytes = test::ReadFile(s.dir.Path(row.name));
        CHECK(test::Refusal(bytes.substr(0, bytes.size() / 2), "tga") == K::Truncated);
    }

    // The depths and origins ImageMagick does not write, spelled out; its reading of them is
    // the reference for byte order. 16-bit pixels: a clear top bit is transparent.
    const std::string px16 = Repeated({Raw({0x1F, 0x80}), Raw({0xE0, 0x83}), Raw({0, 0xFC}), Raw({0x4A, 0x29}), Raw({0, 0})}, 35);
    const std::string px24 = Repeated({Raw({0x10, 0x80, 0xF0}), Raw({0, 0xFF, 0}), Raw({1, 2, 3})}, 35);
    const std::string px32 = Repeated({Raw({0x10, 0x80, 0xF0, 0x40}), Raw({0, 0xFF, 0, 0xFF}), Raw({1, 2, 3, 0})}, 35);
    const std::string map = Raw({0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0});
    const struct {
        const char* name;
        std::string bytes;
    } spelled[] = {
        {"16-bit alpha bit", Tga(2, 16, 0x01, 7, 5, px16, false)},
        {"16-bit alpha bit, rle", Tga(2, 16, 0x01, 7, 5, px16, true)},
        {"15-bit, rle", Tga(2, 15, 0x00, 7, 5, px16, true)},
        {"24-bit top-down, rle", Tga(2, 24, 0x20, 7, 5, px24, true)},
        {"32-bit right-to-left, rle", Tga(2, 32, 0x18, 7, 5, px32, true)},
        {"32-bit top-down right-to-left", Tga(2, 32, 0x38, 7, 5, px32, false)},
        {"colour map from entry 1, rle",
         Tga(1, 8, 0x20, 7, 5, Repeated({Raw({1}), Raw({2}), Raw({3})}, 35), true, map, 24).replace(3, 1, Raw({1}))},
    };
    for (const auto& row : spelled) {
        const std::string name = row.name;
        CAPTURE(name);
        test::WriteFile(s.dir.Path("spelled.tga"), row.bytes);
        ReadsAsMagickDoes(s.dir, "spelled.tga", "tga", 0);
    }
}

TEST_CASE("TGA is taken by its footer or its name, and never for a file of another format") {
    const std::string plain = Tga(3, 8, 0, 2, 1, Raw({0x10, 0x20}), false);
    const std::string footer = std::string(8, '\0') + "TRUEVISION-XFILE." + Raw({0});
    CHECK(Pixels(test::Load(plain + footer, "").image) == std::vector<uint32_t>{Grey(16), Grey(32)});
    CHECK(Pixels(test::Load(plain, "").image) == std::vector<uint32_t>{Grey(16), Grey(32)});  // holds its pixels
    CHECK(test::Refusal(plain.substr(0, 19), "") == K::NotAPicture);                          // nothing tells it
    CHECK(test::Refusal(plain.substr(0, 19), "tga") == K::Truncated);
    // A colour index before the map's first entry.
    CHECK(test::Refusal(Tga(1, 8, 0, 1, 1, Raw({0}), false, Raw({0, 0, 0xFF}), 24).replace(3, 1, Raw({1})), "tga") ==
          K::Damaged);
    // A PBM named .tga is a PBM.
    CHECK(Pixels(test::Load("P1\n2 1\n01", "tga").image) == std::vector<uint32_t>{W, B});
}

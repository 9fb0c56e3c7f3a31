// HEIF, AVIF and JPEG XL pictures made here with heif-enc, avifenc and cjxl from pictures
// ImageMagick draws: read as each library's own command-line decoder reads them, cropped,
// turned and mirrored as the file says, converted to sRGB from other primaries and curves,
// HDR tone-mapped; every one read twice alike, and refused when cut short.
#include <libheif/heif.h>

#include "picture_test_support.h"
#include "pictures/formats/iso_exif.h"

namespace {

// Pictures without colour chunks, so that the encoders take their samples as they are.
const std::string kPlain = " -define png:exclude-chunk=all ";

// The shell command run in the folder, its picture's bytes afterwards.
std::string Made(const test::TempDir& dir, const std::string& command, const std::string& file) {
    test::Run("cd '" + dir.Path("") + "' && (" + command + ") >/dev/null 2>&1");
    return test::ReadFile(dir.Path(file));
}

bool HaveTools(std::initializer_list<const char*> tools) {
    for (const char* tool : tools)
        if (!test::HaveTool(tool)) {
            MESSAGE(tool << " is not installed (scripts/packages.txt lists it)");
            return false;
        }
    return true;
}

// A picture of 64 x 48 with detail everywhere (a crop or turn a pixel off shows), 8-bit
// (rgb.png), with alpha (rgba.png), 16-bit (deep.png, deepa.png), as a JPEG whose EXIF
// asks for a quarter turn clockwise (turn6.jpg) and that EXIF alone (exif6.bin).
void MakeSources(const test::TempDir& dir) {
    const std::string plasma = "convert -seed 7 -size 64x48 plasma: -depth 16 ";
    const std::string alpha = " \\( -size 64x48 gradient:white-gray20 \\) -alpha off -compose copy_opacity -composite ";
    test::Run("cd '" + dir.Path("") + "' && " + plasma + kPlain + "PNG24:rgb.png && " + plasma + alpha + kPlain +
              "PNG32:rgba.png && " + plasma + kPlain + "PNG48:deep.png && " + plasma + alpha + kPlain +
              "PNG64:deepa.png && convert rgb.png -quality 95 plain.jpg");
    const std::string exif("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0", 26);
    test::WriteFile(dir.Path("exif6.bin"), exif);
    const std::string jpeg = test::ReadFile(dir.Path("plain.jpg"));
    test::WriteFile(dir.Path("turn6.jpg"), jpeg.substr(0, 2) + "\xFF\xE1" + char(0) + char(2 + 6 + exif.size()) +
                                               std::string("Exif\0\0", 6) + exif + jpeg.substr(2));
}

int Orientation(const std::string& exif) { return pictures::IsoExifOrientation(pictures::Bytes(exif)); }

// A picture cut short is refused as one: halfway, and by its last byte.
void CheckCutShortRefused(const std::string& bytes) {
    CHECK(test::Refusal(bytes.substr(0, bytes.size() / 2)) == pictures::Failure::Truncated);
    CHECK(test::Refusal(bytes.substr(0, bytes.size() - 1)) == pictures::Failure::Truncated);
}

// A HEIC of 16-bit RGB samples (stored at `bits`) with colour code points: heif-enc 1.15
// writes no nclx box, so these come from libheif's own encoder.
std::string HeicWithCodePoints(const std::vector<uint16_t>& rgb, int width, int height, int bits, int primaries,
                               int transfer) {
    heif_image* image = nullptr;
    REQUIRE(heif_image_create(width, height, heif_colorspace_RGB,
                              bits > 8 ? heif_chroma_interleaved_RRGGBB_LE : heif_chroma_interleaved_RGB, &image)
                .code == heif_error_Ok);
    heif_image_add_plane(image, heif_channel_interleaved, width, height, bits);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < width * 3; ++i) {
            const unsigned v = rgb[size_t(y) * width * 3 + i] >> (16 - bits);
            if (bits > 8) plane[y * stride + 2 * i] = uint8_t(v), plane[y * stride + 2 * i + 1] = uint8_t(v >> 8);
            else plane[y * stride + i] = uint8_t(v);
        }
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    nclx->color_primaries = heif_color_primaries(primaries);
    nclx->transfer_characteristics = heif_transfer_characteristics(transfer);
    nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
    nclx->full_range_flag = 1;
    heif_image_set_nclx_color_profile(image, nclx);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 95);
    heif_encoder_set_parameter(encoder, "chroma", "444");
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->macOS_compatibility_workaround_no_nclx_profile = 0;
    const heif_error encoded = heif_context_encode_image(context, image, encoder, options, nullptr);
    std::string bytes;
    heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* out) {
                           static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
                           return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                       }};
    heif_context_write(context, &writer, &bytes);
    heif_encoding_options_free(options);
    heif_encoder_release(encoder);
    heif_context_free(context);
    heif_nclx_color_profile_free(nclx);
    heif_image_release(image);
    REQUIRE(encoded.code == heif_error_Ok);
    return bytes;
}

}  // namespace

TEST_CASE("each variant reads as its library's own decoder reads it, and cut short is refused") {
    if (!HaveTools({"heif-enc", "heif-convert", "avifenc", "avifdec", "cjxl", "djxl", "convert"})) return;
    test::TempDir dir;
    MakeSources(dir);
    const struct {
        const char* name;
        const char* encode;  // makes x.heic, x.avif or x.jxl
        const char* decode;  // the library's own decoder, making ref.png
        int tolerance;
    } rows[] = {
        {"heic 8-bit 4:2:0", "heif-enc -q 90 rgb.png -o x.heic", "heif-convert x.heic ref.png", 1},
        {"heic 10-bit with alpha", "heif-enc -b 10 -q 90 deepa.png -o x.heic", "heif-convert x.heic ref.png", 1},
        {"heic 12-bit 4:4:4", "heif-enc -b 12 -p chroma=444 -q 90 deep.png -o x.heic", "heif-convert x.heic ref.png", 1},
        {"avif 8-bit 4:2:0", "avifenc -s 8 -y 420 rgb.png x.avif", "avifdec -d 8 x.avif ref.png", 1},
        {"avif 10-bit with alpha", "avifenc -s 8 -d 10 deepa.png x.avif", "avifdec -d 8 x.avif ref.png", 1},
        {"avif 12-bit 4:4:4", "avifenc -s 8 -d 12 -y 444 deep.png x.avif", "avifdec -d 8 x.avif ref.png", 1},
        {"avif 12-bit 4:2:0", "avifenc -s 8 -d 12 -y 420 --min 20 --max 30 deep.png x.avif", "avifdec -d 8 x.avif ref.png", 1},
        {"avif grey 4:0:0", "avifenc -s 8 -y 400 rgb.png x.avif", "avifdec -d 8 x.avif ref.png", 1},
        // Taking the alpha out again amplifies rounding where the picture is nearly clear.
        {"avif premultiplied alpha", "avifenc -s 8 --premultiply rgba.png x.avif", "avifdec -d 8 x.avif ref.png", 6},
        {"jxl lossy 8-bit", "cjxl -d 1 rgb.png x.jxl", "djxl x.jxl ref.png", 1},
        {"jxl lossy with alpha", "cjxl -d 1 rgba.png x.jxl", "djxl x.jxl ref.png", 1},
        {"jxl lossless 16-bit", "cjxl -d 0 deep.png x.jxl", "djxl x.jxl ref.png", 1},
        {"jxl in a container", "cjxl -d 1 --container=1 rgb.png x.jxl", "djxl x.jxl ref.png", 1},
    };
    for (const auto& row : rows) {
        INFO(std::string(row.name));
        const std::string name = std::string("x.") + (row.encode[0] == 'h' ? "heic" : row.encode[0] == 'a' ? "avif" : "jxl");
        const std::string bytes = Made(dir, row.encode, name);
        Made(dir, row.decode, "ref.png");
        const pictures::Picture picture = test::LoadTwiceAlike(bytes);
        CHECK(test::LargestDifference(picture.image, test::MagickReading(dir.Path("ref.png"))) <= row.tolerance);
        CHECK(picture.image.HasAlpha() == (std::string(row.encode).find("rgba") != std::string::npos ||
                                           std::string(row.encode).find("deepa") != std::string::npos));
        CHECK(picture.metadata.icc.empty());  // the pixels are sRGB
        CheckCutShortRefused(bytes);
    }
}

TEST_CASE("crop box, turn and mirror are applied, and EXIF orientation only without a turn or mirror") {
    if (!HaveTools({"heif-enc", "heif-convert", "avifenc", "avifdec", "convert"})) return;
    test::TempDir dir;
    MakeSources(dir);
    const struct {
        const char* name;
        const char* encode;    // makes x.heic or x.avif (-l: lossless, the samples exact)
        const char* expected;  // makes ref.png, the picture as it should show
        int tolerance;
    } rows[] = {
        {"clap", "avifenc -l --crop 5,6,40,30 rgb.png x.avif", "convert rgb.png -crop 40x30+5+6 +repage ref.png", 0},
        {"irot 1", "avifenc -l --irot 1 rgb.png x.avif", "convert rgb.png -rotate -90 ref.png", 0},
        {"irot 3", "avifenc -l --irot 3 rgb.png x.avif", "convert rgb.png -rotate 90 ref.png", 0},
        {"imir 0", "avifenc -l --imir 0 rgb.png x.avif", "convert rgb.png -flip ref.png", 0},
        {"imir 1", "avifenc -l --imir 1 rgb.png x.avif", "convert rgb.png -flop ref.png", 0},
        {"irot 1 then imir 0", "avifenc -l --irot 1 --imir 0 rgb.png x.avif", "convert rgb.png -rotate -90 -flip ref.png", 0},
        {"irot 2 then imir 1", "avifenc -l --irot 2 --imir 1 rgb.png x.avif", "convert rgb.png -rotate 180 -flop ref.png", 0},
        {"irot 3 then imir 1", "avifenc -l --irot 3 --imir 1 rgb.png x.avif", "convert rgb.png -rotate 90 -flop ref.png", 0},
        {"clap, irot and imir", "avifenc -l --crop 5,6,40,30 --irot 1 --imir 1 rgb.png x.avif",
         "convert rgb.png -crop 40x30+5+6 +repage -rotate -90 -flop ref.png", 0},
        {"clap with alpha", "avifenc -l --crop 5,6,40,30 --irot 3 rgba.png x.avif",
         "convert rgba.png -crop 40x30+5+6 +repage -rotate 90 ref.png", 0},
        {"an image sequence shows its first frame", "convert rgb.png -flip f.png && avifenc -l rgb.png f.png x.avif",
         "convert rgb.png ref.png", 0},
        {"EXIF orientation as irot", "avifenc -l --exif exif6.bin rgb.png x.avif", "convert rgb.png -rotate 90 ref.png", 0},
        {"irot, EXIF orientation not again", "avifenc -l --irot 1 --exif exif6.bin rgb.png x.avif",
         "convert rgb.png -rotate -90 ref.png", 0},
        {"avif with EXIF orientation alone", "heif-enc -A -q 90 turn6.jpg -o x.avif",
         "avifdec x.avif r.png && convert r.png -rotate 90 ref.png", 1},
        {"heic with EXIF orientation alone", "heif-enc -q 90 turn6.jpg -o x.heic",
         "heif-convert x.heic r.png && convert r.png -rotate 90 ref.png", 1},
    };
    for (const auto& row : rows) {
        INFO(std::string(row.name));
        const std::string bytes = Made(dir, row.encode, std::string(row.encode).find("heic") != std::string::npos ? "x.heic" : "x.avif");
        Made(dir, row.expected, "ref.png");
        const pictures::Picture picture = test::LoadTwiceAlike(bytes);
        CHECK(test::LargestDifference(picture.image, test::MagickReading(dir.Path("ref.png"))) <= row.tolerance);
        // The camera data travels on, no longer asking for a turn.
        if (std::string(row.encode).find("exif6") != std::string::npos || std::string(row.encode).find("turn6") != std::string::npos) {
            CHECK(!picture.metadata.exif.empty());
            CHECK(Orientation(picture.metadata.exif) == 1);
        }
        CheckCutShortRefused(bytes);
    }
}

TEST_CASE("other primaries and curves are converted to sRGB, deep samples before rounding") {
    if (!HaveTools({"avifenc", "cjxl", "convert"})) return;
    test::TempDir dir;
    // One colour, 8-bit and 16-bit; what it is in sRGB taken from each colour space by hand
    // (the primaries' matrices and the curves).
    test::Run("cd '" + dir.Path("") + "' && convert -size 16x16 xc:'rgb(200,150,100)'" + kPlain +
              "PNG24:flat.png && convert flat.png -depth 16" + kPlain + "PNG48:flat16.png");
    const uint32_t srgb = pictures::Argb(200, 150, 100), p3 = pictures::Argb(209, 147, 91),
                   bt2020 = pictures::Argb(227, 142, 90), linear = pictures::Argb(229, 202, 168);
    std::vector<uint16_t> colour(16 * 16 * 3);
    for (size_t i = 0; i < colour.size(); ++i) colour[i] = uint16_t((i % 3 == 0 ? 200 : i % 3 == 1 ? 150 : 100) * 257);
    const struct {
        const char* name;
        std::string bytes;
        uint32_t expected;
    } rows[] = {
        {"avif sRGB", Made(dir, "avifenc -l --cicp 1/13/0 flat.png x.avif", "x.avif"), srgb},
        {"avif Display P3", Made(dir, "avifenc -l --cicp 12/13/0 flat.png x.avif", "x.avif"), p3},
        {"avif BT.2020", Made(dir, "avifenc -l --cicp 9/13/0 flat.png x.avif", "x.avif"), bt2020},
        {"avif linear", Made(dir, "avifenc -l --cicp 1/8/0 flat.png x.avif", "x.avif"), linear},
        {"avif Display P3 10-bit", Made(dir, "avifenc -d 10 -y 444 --min 0 --max 0 --cicp 12/13/1 flat16.png x.avif", "x.avif"), p3},
        {"jxl Display P3 lossless", Made(dir, "cjxl -d 0 -x color_space=RGB_D65_DCI_Rel_SRG flat.png x.jxl", "x.jxl"), p3},
        {"jxl BT.2020 lossy", Made(dir, "cjxl -d 1 -x color_space=RGB_D65_202_Rel_SRG flat.png x.jxl", "x.jxl"), bt2020},
        {"jxl linear 16-bit", Made(dir, "cjxl -d 0 -x color_space=RGB_D65_SRG_Rel_Lin flat16.png x.jxl", "x.jxl"), linear},
        {"heic Display P3", HeicWithCodePoints(colour, 16, 16, 8, 12, 13), p3},
        {"heic BT.2020 10-bit", HeicWithCodePoints(colour, 16, 16, 10, 9, 13), bt2020},
    };
    for (const auto& row : rows) {
        INFO(std::string(row.name));
        const pictures::Picture picture = test::LoadTwiceAlike(row.bytes);
        test::Reference expected{16, 16, std::vector<uint32_t>(256, row.expected)};
        CHECK(test::LargestDifference(picture.image, expected) <= 2);
    }
}

TEST_CASE("PQ and HLG pictures are tone-mapped: reference white near 0.75 grey, 1000 cd/m2 near white") {
    if (!HaveTools({"avifenc", "cjxl", "convert"})) return;
    test::TempDir dir;
    // Grey stripes, 8 pixels wide, at these code levels (% of full scale), and the sRGB
    // grey each must show as. PQ's 58 % is 203 cd/m2 (HDR reference white) and 75 % about
    // 1000; HLG's 75 % is reference white and 100 % 1000 cd/m2 on its nominal display.
    // HLG is made to look right on SDR screens as it is, so its levels stay near their
    // code values; PQ's would show near black (or 58 % as 148) without tone mapping.
    const int levels[] = {0, 30, 50, 58, 75, 100};
    const struct {
        int low, high;
    } pq[] = {{0, 3}, {40, 80}, {130, 175}, {186, 206}, {245, 255}, {255, 255}},
      hlg[] = {{0, 3}, {55, 95}, {105, 145}, {125, 160}, {186, 206}, {245, 255}};
    std::string stripes = "convert";
    std::vector<uint16_t> samples(48 * 8 * 3);
    for (int i = 0; i < 6; ++i) stripes += " -size 8x8 xc:'gray(" + std::to_string(levels[i]) + "%)'";
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint16_t(levels[i / 3 % 48 / 8] * 65535 / 100);
    test::Run("cd '" + dir.Path("") + "' && " + stripes + " +append -depth 16" + kPlain + "PNG48:stripes.png");
    const struct {
        const char* name;
        std::string bytes;
        bool isPq;
    } rows[] = {
        {"avif PQ", Made(dir, "avifenc -d 12 -y 444 --min 0 --max 0 --cicp 9/16/9 stripes.png x.avif", "x.avif"), true},
        {"avif HLG", Made(dir, "avifenc -d 10 -y 444 --min 0 --max 0 --cicp 9/18/9 stripes.png x.avif", "x.avif"), false},
        {"jxl PQ lossless", Made(dir, "cjxl -d 0 -x color_space=RGB_D65_202_Rel_PeQ stripes.png x.jxl", "x.jxl"), true},
        {"jxl PQ lossy", Made(dir, "cjxl -d 0.5 -x color_space=RGB_D65_202_Rel_PeQ stripes.png x.jxl", "x.jxl"), true},
        {"jxl HLG", Made(dir, "cjxl -d 0 -x color_space=RGB_D65_202_Rel_HLG stripes.png x.jxl", "x.jxl"), false},
        {"heic PQ 10-bit", HeicWithCodePoints(samples, 48, 8, 10, 9, 16), true},
        {"heic HLG 10-bit", HeicWithCodePoints(samples, 48, 8, 10, 9, 18), false},
    };
    for (const auto& row : rows) {
        const pictures::Picture picture = test::LoadTwiceAlike(row.bytes);
        REQUIRE(picture.image.Width() == 48);
        for (int i = 0; i < 6; ++i) {
            INFO(std::string(row.name));
            CAPTURE(levels[i]);
            const uint32_t shown = picture.image.Pixel(8 * i + 4, 4);
            const auto& range = row.isPq ? pq[i] : hlg[i];
            CHECK(pictures::RedOf(shown) >= unsigned(range.low));
            CHECK(pictures::RedOf(shown) <= unsigned(range.high));
            CHECK(pictures::GreenOf(shown) == pictures::RedOf(shown));  // grey stays grey
        }
    }
}

TEST_CASE("an EXIF block past the limit is left behind and the picture still shows") {
    if (!HaveTools({"avifenc", "convert"})) return;
    test::TempDir dir;
    MakeSources(dir);
    std::string exif = test::ReadFile(dir.Path("exif6.bin"));
    exif.resize(pictures::kMaxIsoExif + 1);
    test::WriteFile(dir.Path("big.bin"), exif);
    const pictures::Picture picture = test::LoadTwiceAlike(Made(dir, "avifenc -l --exif big.bin rgb.png x.avif", "x.avif"));
    CHECK(picture.image.Width() == 48);  // turned as the EXIF asks, by avifenc's irot
    CHECK(picture.metadata.exif.empty());
}

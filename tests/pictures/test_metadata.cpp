// The metadata module: profile, EXIF and XMP read from JPEG, PNG, TIFF and WebP files and
// readied for carrying; blocks past the limit left out while the picture's orientation is
// still read; every kept block counted against the budget.
#include <zlib.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include "picture_test_support.h"
#include "pictures/metadata/metadata.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {


// A camera's metadata written by exiv2 into a file ImageMagick made: turned (6), with a
// thumbnail, a rating in XMP and the profile.
void AddCameraMetadata(const std::string& path, const std::string& icc) {
    auto file = Exiv2::ImageFactory::open(path);
    file->readMetadata();
    Exiv2::ExifData& exif = file->exifData();
    exif["Exif.Image.Make"] = "Orvenna Optics";
    exif["Exif.Image.Orientation"] = uint16_t(6);
    const std::string thumbnail = test::ReadFile(path);  // any bytes serve as a thumbnail here
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(thumbnail.data()), long(thumbnail.size()));
    file->xmpData()["Xmp.xmp.Rating"] = "3";
    const bool webp = path.ends_with(".webp");
    if (!webp) {
        Exiv2::DataBuf profile(reinterpret_cast<const Exiv2::byte*>(icc.data()), long(icc.size()));
        file->setIccProfile(profile);
    }
    file->writeMetadata();
    if (webp) {  // exiv2 writes a WebP's profile chunk wrongly: libwebp's own tool does
        test::WriteFile(path + ".icc", icc);
        test::Run("webpmux -set icc " + path + ".icc " + path + " -o " + path + " >/dev/null 2>&1");
    }
}

std::string Be16(size_t v) { return {char(v >> 8), char(v)}; }
std::string Le16(uint16_t v) { return {char(v), char(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(uint16_t(v)) + Le16(uint16_t(v >> 16)); }

// A JPEG segment right after the start marker.
std::string WithSegment(const std::string& jpeg, int marker, const std::string& body) {
    return jpeg.substr(0, 2) + char(0xFF) + char(marker) + Be16(body.size() + 2) + body + jpeg.substr(2);
}

// EXIF whose many fields all point at the same 40000 bytes: 64 KB that exiv2 would
// copy into 200 MB. It says the picture is turned (6).
std::string ExifOfSharedFields() {
    const uint16_t fields = 1200;
    std::string tiff = std::string("II*\0", 4) + Le32(8) + Le16(fields + 1);
    tiff += Le16(0x0112) + Le16(3) + Le32(1) + Le32(6);
    const uint32_t data = 8 + 2 + 12 * (fields + 1) + 4;
    for (uint16_t i = 0; i < fields; ++i) tiff += Le16(0x9000 + i) + Le16(7) + Le32(40000) + Le32(data);
    tiff += Le32(0) + std::string(40000, 'x');
    return tiff;
}

std::string PngChunk(const std::string& type, const std::string& data) {
    std::string chunk = Be16(data.size() >> 16) + Be16(data.size()) + type + data;
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 4; i < chunk.size(); ++i) {
        crc ^= uint8_t(chunk[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    crc = ~crc;
    return chunk + Be16(crc >> 16) + Be16(crc);
}

struct Read {
    pictures::Metadata metadata;
    int orientation = 0;
    int64_t used = 0;
};

Read ReadMetadata(const std::string& bytes, const std::string& format) {
    pictures::Budget budget(int64_t(64) << 20);
    Read read;
    read.metadata = pictures::ReadFileMetadata(pictures::Bytes(bytes), format, budget, &read.orientation);
    read.used = budget.Used();
    return read;
}

std::string ExifField(const std::string& exif, const char* key) {
    if (exif.empty()) return "(no EXIF)";
    Exiv2::ExifData data;
    Exiv2::ExifParser::decode(data, reinterpret_cast<const Exiv2::byte*>(exif.data()), uint32_t(exif.size()));
    const auto it = data.findKey(Exiv2::ExifKey(key));
    return it == data.end() ? "" : it->toString();
}

}  // namespace

TEST_CASE("each format's profile, EXIF and XMP are read and readied for carrying") {
    test::TempDir dir;
    const std::string icc = test::WideGamutProfile();
    const struct {
        const char* file;
        const char* format;
        bool lossless;
    } rows[] = {
        {"camera.jpg", "jpeg", false}, {"camera.png", "png", true},        {"camera.tif", "tiff", true},
        {"camera.webp", "webp", false}, {"lossless.webp", "webp", true},
    };
    for (const auto& row : rows) {
        CAPTURE(std::string(row.file));
        const std::string path = dir.Path(row.file);
        test::Run("convert -size 16x8 gradient:red-blue " + std::string(row.lossless && row.format == std::string("webp")
                                                                             ? "-define webp:lossless=true "
                                                                             : "") + path);
        AddCameraMetadata(path, icc);
        const Read read = ReadMetadata(test::ReadFile(path), row.format);
        CHECK(read.orientation == 6);
        CHECK(read.metadata.lossless == row.lossless);
        CHECK(read.metadata.icc == icc);
        CHECK(ExifField(read.metadata.exif, "Exif.Image.Make") == "Orvenna Optics");
        CHECK(ExifField(read.metadata.exif, "Exif.Image.Orientation") == "1");
        CHECK(ExifField(read.metadata.exif, "Exif.Thumbnail.JPEGInterchangeFormat") == "");
        CHECK(ExifField(read.metadata.exif, "Exif.Image.ImageWidth") == "");  // the file's own layout
        CHECK(read.metadata.xmp.find("xmp:Rating=\"3\"") != std::string::npos);
        // The blocks kept are what the budget still holds; exiv2's work is given back.
        CHECK(read.used == int64_t(read.metadata.icc.size() + read.metadata.exif.size() + read.metadata.xmp.size()));
    }
}

TEST_CASE("blocks past the limit are left out, the picture's orientation still read") {
    test::TempDir dir;
    test::Run("convert -size 16x8 xc:green -write " + dir.Path("plain.jpg") + " " + dir.Path("plain.png"));
    const std::string jpeg = test::ReadFile(dir.Path("plain.jpg")), png = test::ReadFile(dir.Path("plain.png"));
    std::string hugeProfile = jpeg;  // 80 chunks of 64 KB: a 5 MB profile
    for (int chunk = 80; chunk >= 1; --chunk)
        hugeProfile = WithSegment(hugeProfile, 0xE2, std::string("ICC_PROFILE\0", 12) + char(chunk) + char(80) +
                                                         std::string(65000, 'p'));
    const std::string sharedFields = WithSegment(jpeg, 0xE1, std::string("Exif\0\0", 6) + ExifOfSharedFields());
    // XMP compressed to a few KB that inflates to 6 MB.
    std::string xmp(6 << 20, ' ');
    uLongf packed = compressBound(uLong(xmp.size()));
    std::string zlib(packed, '\0');
    REQUIRE(compress(reinterpret_cast<Bytef*>(zlib.data()), &packed, reinterpret_cast<const Bytef*>(xmp.data()),
                     uLong(xmp.size())) == Z_OK);
    zlib.resize(packed);
    const std::string inflating =
        png.substr(0, 33) + PngChunk("iTXt", std::string("XML:com.adobe.xmp\0\1\0\0\0", 22) + zlib) + png.substr(33);
    const struct {
        const char* name;
        std::string bytes;
        const char* format;
        int orientation;
    } rows[] = {
        {"a 5 MB profile in 80 chunks", hugeProfile, "jpeg", 1},
        {"EXIF fields sharing their bytes", sharedFields, "jpeg", 6},
        {"XMP that inflates to 6 MB", inflating, "png", 1},
    };
    for (const auto& row : rows) {
        CAPTURE(std::string(row.name));
        const Read read = ReadMetadata(row.bytes, row.format);
        CHECK(read.orientation == row.orientation);
        CHECK(read.metadata.icc.empty());
        CHECK(read.metadata.exif.empty());
        CHECK(read.metadata.xmp.empty());
        CHECK(read.used == 0);
    }
}

TEST_CASE("only the four formats are read, and only as the format exiv2 also finds") {
    test::TempDir dir;
    test::Run("convert -size 4x4 xc:red -write " + dir.Path("a.gif") + " " + dir.Path("b.jpg"));
    AddCameraMetadata(dir.Path("b.jpg"), test::WideGamutProfile());
    const Read gif = ReadMetadata(test::ReadFile(dir.Path("a.gif")), "gif");
    CHECK(gif.metadata.lossless);
    CHECK(gif.used == 0);
    const Read jpegAsPng = ReadMetadata(test::ReadFile(dir.Path("b.jpg")), "png");
    CHECK(jpegAsPng.metadata.icc.empty());
    CHECK(jpegAsPng.metadata.exif.empty());
    // A budget too small for the blocks refuses the picture as too large.
    pictures::Budget small(1000);
    int orientation = 0;
    try {
        pictures::ReadFileMetadata(pictures::Bytes(test::ReadFile(dir.Path("b.jpg"))), "jpeg", small, &orientation);
        FAIL("read within 1000 bytes");
    } catch (const pictures::Failure& failure) {
        CHECK(failure.kind == pictures::Failure::TooLarge);
    }
}

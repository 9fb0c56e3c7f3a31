// Each format the picture core writes, read back by the format's own tools.
#include <cmath>

#include "picture_test_support.h"
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

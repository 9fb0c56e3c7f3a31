// The steps every format's reading goes through: recognising, measuring against the
// memory bound, turning upright.
#include "picture_test_support.h"

namespace {

// A QOI picture of width x height spelled out pixel by pixel (RGBA chunks), pixel i
// having red i, green 2i, blue 3i.
std::string Qoi(uint32_t width, uint32_t height, size_t pixelsWritten = SIZE_MAX) {
    std::string q = "qoif";
    for (const uint32_t v : {width, height})
        for (const int shift : {24, 16, 8, 0}) q += char(v >> shift);
    q += "\x04";
    q += '\0';
    const size_t n = std::min<size_t>(size_t(width) * height, pixelsWritten);
    for (size_t i = 0; i < n; ++i) q += {char(0xFF), char(i), char(2 * i), char(3 * i), char(0xFF)};
    q += std::string(7, '\0') + "\x01";
    return q;
}

}  // namespace

TEST_CASE("refusals name why: no format, no size, cut short, too large for the bound") {
    using K = pictures::Failure::Kind;
    CHECK(test::Refusal("not a picture at all, just words") == K::NotAPicture);
    CHECK(test::Refusal(Qoi(0, 5)) == K::NoSize);
    CHECK(test::Refusal(Qoi(4, 4, 4)) == K::Truncated);
    try {
        test::Load(Qoi(3000, 2000, 0), "", 16 << 20);
        FAIL("a 24 MB picture read under a 16 MB bound");
    } catch (const pictures::Failure& failure) {
        CHECK(failure.kind == K::TooLarge);
        CHECK(failure.width == 3000);
        CHECK(failure.height == 2000);
        CHECK(failure.bytes >= 3000 * 2000 * 4);
        CHECK(failure.bound == 16 << 20);
    }
}

TEST_CASE("every orientation turns the stored pixels upright") {
    // A 3 x 2 picture, pixels numbered 0..5 row by row; each orientation's upright picture
    // read row by row, as the EXIF orientations define them.
    pictures::Budget budget(1 << 20);
    pictures::Image stored = pictures::Image::New(3, 2, false, budget);
    for (int i = 0; i < 6; ++i) stored.Row(i / 3)[i % 3] = uint32_t(i);
    const struct {
        int orientation, width;
        std::vector<uint32_t> upright;
    } rows[] = {
        {1, 3, {0, 1, 2, 3, 4, 5}}, {2, 3, {2, 1, 0, 5, 4, 3}}, {3, 3, {5, 4, 3, 2, 1, 0}},
        {4, 3, {3, 4, 5, 0, 1, 2}}, {5, 2, {0, 3, 1, 4, 2, 5}}, {6, 2, {3, 0, 4, 1, 5, 2}},
        {7, 2, {5, 2, 4, 1, 3, 0}}, {8, 2, {2, 5, 1, 4, 0, 3}},
    };
    for (const auto& row : rows) {
        const pictures::Image out = pictures::Oriented(stored, row.orientation, budget);
        CAPTURE(row.orientation);
        REQUIRE(out.Width() == row.width);
        std::vector<uint32_t> got;
        for (int y = 0; y < out.Height(); ++y)
            for (int x = 0; x < out.Width(); ++x) got.push_back(out.Pixel(x, y));
        CHECK(got == row.upright);
    }
}

TEST_CASE("a QOI picture reads the same twice, pixel for pixel") {
    const pictures::Picture picture = test::LoadTwiceAlike(Qoi(5, 3));
    CHECK(picture.image.Pixel(4, 2) == pictures::Argb(14, 28, 42));
    CHECK(picture.metadata.lossless);
}

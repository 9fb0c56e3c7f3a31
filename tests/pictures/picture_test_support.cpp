#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include "picture_test_support.h"

#include <lcms2.h>
#include <malloc.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace test {

TempDir::TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "orvenna-pictures-XXXXXX").string();
    REQUIRE(mkdtemp(templ.data()) != nullptr);
    path_ = templ;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void Run(const std::string& command) {
    const int status = std::system(command.c_str());
    INFO(command);
    REQUIRE(status == 0);
}

bool HaveTool(const std::string& name) { return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0; }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    REQUIRE_MESSAGE(in.good(), path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    REQUIRE(out.good());
}

std::string WideGamutProfile() {
    const cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::string bytes(size, '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(gamma);
    return bytes;
}

pictures::Picture Load(const std::string& bytes, const std::string& extension, int64_t bound) {
    return pictures::Load(pictures::Bytes(bytes), extension, bound);
}

pictures::Failure::Kind Refusal(const std::string& bytes, const std::string& extension, int64_t bound) {
    try {
        pictures::Load(pictures::Bytes(bytes), extension, bound);
    } catch (const pictures::Failure& failure) {
        return failure.kind;
    }
    FAIL("the picture was read");
    return pictures::Failure::Damaged;
}

namespace {

bool SamePixels(const pictures::Image& a, const pictures::Image& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.HasAlpha() != b.HasAlpha()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    return true;
}

}  // namespace

pictures::Picture LoadTwiceAlike(const std::string& bytes, const std::string& extension) {
    mallopt(M_PERTURB, 0x5A);
    pictures::Picture first = Load(bytes, extension);
    mallopt(M_PERTURB, 0xC3);
    const pictures::Picture second = Load(bytes, extension);
    mallopt(M_PERTURB, 0);
    CHECK_MESSAGE(SamePixels(first.image, second.image), "two readings differ: a pixel the file does not give");
    return first;
}

Reference MagickReading(const std::string& path) {
    Reference reference;
    const std::string command = "convert '" + path + "[0]' -depth 8 -format '%w %h\\n' -write info:- rgba:-";
    FILE* pipe = popen(command.c_str(), "r");
    REQUIRE(pipe != nullptr);
    // One newline ends the size: "\n" in the format would also skip pixel bytes that
    // look like white space.
    if (std::fscanf(pipe, "%d %d", &reference.width, &reference.height) == 2 && std::fgetc(pipe) == '\n' &&
        reference.width > 0 && reference.height > 0) {
        std::vector<uint8_t> rgba(size_t(reference.width) * size_t(reference.height) * 4);
        const size_t got = std::fread(rgba.data(), 1, rgba.size(), pipe);
        if (got == rgba.size())
            for (size_t i = 0; i < rgba.size(); i += 4)
                reference.pixels.push_back(pictures::Argb(rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]));
    }
    const int status = pclose(pipe);
    INFO(command);
    REQUIRE(status == 0);
    REQUIRE(reference.pixels.size() == size_t(reference.width) * size_t(reference.height));
    return reference;
}

int LargestDifference(const pictures::Image& image, const Reference& reference) {
    if (image.Width() != reference.width || image.Height() != reference.height) return INT_MAX;
    int largest = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const uint32_t a = image.Pixel(x, y), b = reference.pixels[size_t(y) * size_t(reference.width) + size_t(x)];
            const int da = std::abs(int(pictures::AlphaOf(a)) - int(pictures::AlphaOf(b)));
            largest = std::max(largest, da);
            if (pictures::AlphaOf(a) == 0 && pictures::AlphaOf(b) == 0) continue;
            for (const int shift : {0, 8, 16})
                largest = std::max(largest, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
        }
    return largest;
}

}  // namespace test

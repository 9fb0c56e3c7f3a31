// The HEIF, AVIF, JPEG XL and metadata families as the Linux program has them: modules beside
// this test program, loaded when a picture first needs one, once, whichever thread comes
// first; and the refusal, with the reason, when they are missing.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "picture_test_support.h"
#include "pictures/format.h"
#include "pictures/writers/writers.h"

namespace {

// Which of these libraries the process has mapped, by file name.
bool Mapped(const std::string& library) {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find("/" + library + ".so") != std::string::npos) return true;
    return false;
}

struct Samples {
    std::string heic, avif, jxl;
};

// The same picture in the three formats: red, its top-left quarter green.
Samples Made(const test::TempDir& dir) {
    test::Run("cd '" + dir.Path("") + "' && convert -size 64x48 xc:'#c03060' -fill '#30c060' -draw 'rectangle 0,0 31,23' "
              "PNG24:a.png && heif-enc -q 95 -o a.heic a.png >/dev/null && avifenc --min 0 --max 4 a.png a.avif >/dev/null "
              "&& cjxl -d 0 a.png a.jxl >/dev/null 2>&1");
    return {test::ReadFile(dir.Path("a.heic")), test::ReadFile(dir.Path("a.avif")), test::ReadFile(dir.Path("a.jxl"))};
}

// The colour of the picture read at one point, within the lossy codecs' error.
void CheckRead(const pictures::Picture& picture) {
    REQUIRE(picture.image.Width() == 64);
    REQUIRE(picture.image.Height() == 48);
    const auto near = [](uint32_t pixel, uint32_t expected) {
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(int(pixel >> shift & 255) - int(expected >> shift & 255)) > 12) return false;
        return true;
    };
    CHECK(near(picture.image.Row(10)[10], 0x30c060));
    CHECK(near(picture.image.Row(40)[50], 0xc03060));
}

}  // namespace

TEST_CASE("the families are loaded on the first picture that needs them, once, from threads that race") {
    if (std::getenv("ORVENNA_TEST_ALONE")) return;
    test::TempDir dir;
    const Samples samples = Made(dir);
    const char* const libraries[] = {"libheif", "libavif", "libde265", "libjxl", "libhwy", "libexiv2"};
    for (const char* library : libraries) CHECK_MESSAGE(!Mapped(library), library);
    // Recognising a file needs no module.
    CHECK(pictures::Recognise(pictures::Bytes(samples.heic), {}, samples.heic.size(), "")->name == "heif");
    CHECK(pictures::Recognise(pictures::Bytes(samples.jxl), {}, samples.jxl.size(), "")->name == "jxl");
    for (const char* library : libraries) CHECK_MESSAGE(!Mapped(library), library);

    const std::string* files[] = {&samples.heic, &samples.avif, &samples.jxl, &samples.heic, &samples.jxl, &samples.avif};
    pictures::Picture read[std::size(files)];
    std::vector<std::thread> threads;
    for (size_t i = 0; i < std::size(files); ++i)
        threads.emplace_back([&, i] {
            try {
                read[i] = test::Load(*files[i]);
            } catch (const pictures::Failure&) {
                // left empty: CheckRead fails on it
            }
        });
    for (std::thread& thread : threads) thread.join();
    for (const pictures::Picture& picture : read) CheckRead(picture);
    for (const char* library : libraries) CHECK_MESSAGE(Mapped(library), library);

    // Saved through the modules' encoders, read back through their readers.
    CheckRead(test::Load(pictures::Encode(read[0], pictures::SaveFormat::Avif)));
    CheckRead(test::Load(pictures::Encode(read[0], pictures::SaveFormat::Jxl)));
}

TEST_CASE("without the modules beside the program, HEIF, AVIF and JPEG XL are refused with the reason") {
    const char* alone = std::getenv("ORVENNA_TEST_ALONE");
    if (!alone) {
        // This program again in a folder of its own: with the metadata module alone, then
        // with no module at all.
        for (const char* metadata : {"orvenna-metadata.so", ""}) {
            test::TempDir folder;
            const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
            if (*metadata) std::filesystem::copy_file(self.parent_path() / metadata, folder.Path(metadata));
            std::filesystem::copy_file(self, folder.Path("test"));
            test::Run(std::string("ORVENNA_TEST_ALONE=") + (*metadata ? "families" : "none") + " '" +
                      folder.Path("test") + "' --no-version");
        }
        return;
    }
    if (std::string(alone) == "none") {
        // Every picture's metadata is read through exiv2: without it nothing is read half.
        test::TempDir dir;
        test::Run("cd '" + dir.Path("") + "' && convert -size 8x8 xc:red PNG24:a.png");
        try {
            test::Load(test::ReadFile(dir.Path("a.png")));
            FAIL("read without the metadata module");
        } catch (const pictures::Failure& failure) {
            CHECK(failure.detail.find(u"the metadata support is not installed") != std::u16string::npos);
        }
        return;
    }
    test::TempDir dir;
    const Samples samples = Made(dir);
    for (const std::string* file : {&samples.heic, &samples.avif, &samples.jxl}) {
        try {
            test::Load(*file);
            FAIL("read without its module");
        } catch (const pictures::Failure& failure) {
            CHECK(failure.kind == pictures::Failure::Damaged);
            CHECK(failure.detail.find(u"support is not installed") != std::u16string::npos);
        }
    }
    // The rest of the formats are unaffected.
    const pictures::Picture png = test::Load(test::ReadFile(dir.Path("a.png")));
    CheckRead(png);
    for (pictures::SaveFormat format : {pictures::SaveFormat::Avif, pictures::SaveFormat::Jxl}) {
        try {
            pictures::Encode(png, format);
            FAIL("written without its module");
        } catch (const pictures::Failure& failure) {
            CHECK(failure.kind == pictures::Failure::WriteFailed);
            CHECK(failure.detail.find(u"support is not installed") != std::u16string::npos);
        }
    }
}

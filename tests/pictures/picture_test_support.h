// What the picture core's tests share: files made by the formats' own tools in a folder
// of the test's own, the core's reading of them, and the tools' reading to compare with.
#pragma once

#include <doctest/doctest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pictures/load.h"

namespace test {

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string Path(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Runs a shell command; the test fails (and says the command) when it does not succeed.
void Run(const std::string& command);
// Whether a command-line tool is installed.
bool HaveTool(const std::string& name);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// An RGB colour profile wider than sRGB (gamma 2.2, Adobe RGB's primaries), made by Little CMS.
std::string WideGamutProfile();

// The memory bound the tests read under unless they say another.
constexpr int64_t kTestBound = int64_t(256) << 20;

// The core's reading of bytes (the extension as the file name would give it).
pictures::Picture Load(const std::string& bytes, const std::string& extension = "", int64_t bound = kTestBound);
// The failure the core refuses bytes with; fails the test when they are read.
pictures::Failure::Kind Refusal(const std::string& bytes, const std::string& extension = "",
                                int64_t bound = kTestBound);

// Reads the bytes twice, the allocator filling new memory with a different byte each time:
// any pixel the decoder left unwritten shows as a difference. Returns the first reading.
pictures::Picture LoadTwiceAlike(const std::string& bytes, const std::string& extension = "");

// A picture as ImageMagick reads it, in the same 0xAARRGGBB pixels (the first frame).
struct Reference {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};
Reference MagickReading(const std::string& path);

// The largest difference of any channel of any pixel (alpha included; the colour of
// fully transparent pixels is not compared); a different size is INT_MAX.
int LargestDifference(const pictures::Image& image, const Reference& reference);

}  // namespace test

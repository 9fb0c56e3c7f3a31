// picture_dump OUTDIR FILE...: loads each file as the program does (LoadPicture of this
// platform's runtime) and writes what the screen would get, so that the Linux and the
// Windows program can be compared on the same files. For each file, one line on standard
// output, N counting the files from 1 and NAME the file's own name (UTF-8):
//   N<TAB>NAME<TAB>WIDTH<TAB>HEIGHT<TAB>ALPHA      its sRGB pixels in OUTDIR/N.raw (0xAARRGGBB,
//                                                  little-endian, row after row, straight alpha)
//   N<TAB>NAME<TAB>refused<TAB>NUMBER<TAB>REASON   the run-time error's number and the reason
//                                                  after the file's name
// OUTDIR "-" writes no pixels (replaying many files for crashes).
// picture_dump --time N FILE... loads each file N times instead and writes NAME<TAB>MS, the
// fastest load in milliseconds (for comparing the two programs' speed on the same file).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/picture.h"
#include "runtime/strings.h"
#ifdef _WIN32
#include "runtime/win32/picture_data.h"
#else
#include "runtime/qt/picture_data.h"
#endif

namespace {

std::u16string NameOf(const std::u16string& path) {
    const size_t slash = path.find_last_of(u"/\\");
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

// What follows the file's name in an error's description: " (reason)".
std::u16string ReasonOf(const std::u16string& description, const std::u16string& shown) {
    const size_t at = description.find(shown);
    if (at == std::u16string::npos) return description;
    std::u16string reason = description.substr(at + shown.size());
    if (reason.size() >= 3 && reason.starts_with(u" (") && reason.ends_with(u")")) reason = reason.substr(2, reason.size() - 3);
    return reason;
}

void WritePixels(const std::string& file, const pictures::Image& image) {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) return;
    for (int y = 0; y < image.Height(); ++y) std::fwrite(image.Row(y), 4, size_t(image.Width()), out);
    std::fclose(out);
}

void Dump(int n, const std::u16string& path, const std::string& outdir) {
    const std::string name = rt::ToUtf8(NameOf(path));
    try {
        const rt::Picture picture = rt::LoadPicture(path);
        const pictures::Image& image = rt::WholeData(picture)->core.Srgb();
        std::printf("%d\t%s\t%d\t%d\t%d\n", n, name.c_str(), image.Width(), image.Height(),
                    image.AnyTransparent() ? 1 : 0);
        if (outdir != "-") WritePixels(outdir + "/" + std::to_string(n) + ".raw", image);
    } catch (const rt::RuntimeError& error) {
        const std::string reason = rt::ToUtf8(ReasonOf(error.Description(), rt::ShownPath(path)));
        std::printf("%d\t%s\trefused\t%d\t%s\n", n, name.c_str(), error.Number(), reason.c_str());
    }
    std::fflush(stdout);
}

void Time(int repeat, const std::u16string& path) {
    double best = 1e300;
    for (int i = 0; i < repeat; ++i) {
        const auto start = std::chrono::steady_clock::now();
        try {
            const rt::Picture picture = rt::LoadPicture(path);
            rt::WholeData(picture);
        } catch (const rt::RuntimeError&) {
        }
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("%s\t%.1f\n", rt::ToUtf8(NameOf(path)).c_str(), best);
    std::fflush(stdout);
}

// Runs the dump or the timing over the files given from argument 1 on: path(i) is argument
// i as the program's path, text(i) as this system's own text (the output folder's path).
template <class Path, class Text>
int Run(int argc, Path path, Text text) {
    if (argc < 2) return 2;
    const std::string first = text(1);
    if (first == "--time") {
        if (argc < 3) return 2;
        const int repeat = std::max(1, std::atoi(text(2).c_str()));
        for (int i = 3; i < argc; ++i) Time(repeat, path(i));
        return 0;
    }
    for (int i = 2; i < argc; ++i) Dump(i - 1, path(i), first);
    return 0;
}

}  // namespace

#ifdef _WIN32
// Wide arguments: the names reach the program as the system holds them, in any script.
int wmain(int argc, wchar_t** argv) {
    const auto path = [argv](int i) { return std::u16string(argv[i], argv[i] + std::wcslen(argv[i])); };
    return Run(argc, path, [&path](int i) { return rt::ToUtf8(path(i)); });
}
#else
int main(int argc, char** argv) {
    return Run(argc, [argv](int i) { return rt::WindowsPath(argv[i]); }, [argv](int i) { return std::string(argv[i]); });
}
#endif

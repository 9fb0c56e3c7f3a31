// picture_dump OUTDIR FILE...: loads each file as the program does (LoadPicture of this
// platform's runtime) and writes what the screen would get, so that the Linux and the
// Windows program can be compared on the same files. For each file, one line on standard
// output, N counting the files from 1 and NAME the file's own name (UTF-8):
//   N<TAB>NAME<TAB>WIDTH<TAB>HEIGHT<TAB>ALPHA      its sRGB pixels in OUTDIR/N.raw (0xAARRGGBB,
//                                                  little-endian, row after row, straight alpha)
//   N<TAB>NAME<TAB>refused<TAB>NUMBER<TAB>REASON   the run-time error's number and the reason
//                                                  after the file's name
// OUTDIR "-" writes no pixels (replaying many files for crashes).
#include <cstdio>
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

}  // namespace

#ifdef _WIN32
// Wide arguments: the names reach the program as the system holds them, in any script.
int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring outdir(argv[1]);
    std::string out;
    for (wchar_t c : outdir) out += char(c);  // the output folder's path is ASCII
    for (int i = 2; i < argc; ++i) Dump(i - 1, std::u16string(argv[i], argv[i] + std::wcslen(argv[i])), out);
    return 0;
}
#else
int main(int argc, char** argv) {
    if (argc < 2) return 2;
    for (int i = 2; i < argc; ++i) Dump(i - 1, rt::WindowsPath(argv[i]), argv[1]);
    return 0;
}
#endif

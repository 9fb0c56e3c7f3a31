// Any file loaded as a picture, and a small one written out again, carrying what metadata
// it has. The first byte picks the file's extension (its low three bits: a few formats
// without a signature are read by their extension) and the format it is saved in (the
// next three, none for some); the rest is the file.
#include <QGuiApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/errors.h"
#include "runtime/picture.h"
#include "runtime/picture_limits.h"
#include "runtime/strings.h"
#include "runtime/testing.h"

namespace {

std::string folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    // The decoders' warnings about damaged files would drown the fuzzer's own output.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // Pictures up to this bound are decoded; larger ones are refused before decoding.
    rt::testing::LimitPictureBytesForTests(int64_t(128) << 20);
    char pattern[] = "/tmp/fuzz-picture-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    folder = pattern;
    std::atexit([] { std::remove(folder.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const extensions[] = {"jpg", "png", "gif", "ico", "cur", "tga", "wbmp", ""};
    static const char* const targets[] = {"", "jpg", "png", "tif", "webp", "gif", "bmp", ""};
    if (size == 0) return 0;
    const std::string host = folder + "/picture." + extensions[data[0] % 8];
    const std::string target = targets[(data[0] >> 3) % 8];
    FILE* file = std::fopen(host.c_str(), "wb");
    if (!file || std::fwrite(data + 1, 1, size - 1, file) != size - 1 || std::fclose(file) != 0) std::abort();
    try {
        const rt::Picture picture = rt::LoadPicture(rt::WindowsPath(host));
        if (picture.Empty() || picture.PixelWidth() <= 0 || picture.PixelHeight() <= 0) __builtin_trap();
        // Small pictures only: the encoders' time on large ones would slow the search.
        if (!target.empty() && int64_t(picture.PixelWidth()) * picture.PixelHeight() <= 256 * 256) {
            const std::string saved = folder + "/saved." + target;
            rt::SavePicture(picture, rt::WindowsPath(saved));
            std::remove(saved.c_str());
        }
    } catch (const rt::RuntimeError&) {
    }
    std::remove(host.c_str());
    return 0;
}

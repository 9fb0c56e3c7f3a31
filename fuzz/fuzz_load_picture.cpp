// Any file loaded as a picture. The first byte picks the file's extension, as a few
// formats without a signature are read by their extension; the rest is the file.
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
    if (size == 0) return 0;
    const std::string host = folder + "/picture." + extensions[data[0] % std::size(extensions)];
    FILE* file = std::fopen(host.c_str(), "wb");
    if (!file || std::fwrite(data + 1, 1, size - 1, file) != size - 1 || std::fclose(file) != 0) std::abort();
    try {
        const rt::Picture picture = rt::LoadPicture(rt::WindowsPath(host));
        if (picture.Empty() || picture.PixelWidth() <= 0 || picture.PixelHeight() <= 0) __builtin_trap();
    } catch (const rt::RuntimeError&) {
    }
    std::remove(host.c_str());
    return 0;
}

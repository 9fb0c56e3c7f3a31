// Loads one picture under a given memory bound, in a process of its own, and prints the
// error number (0 when it loaded), how far memory rose at its peak during the load, and
// the bytes of the picture it made: "number peak-bytes picture-bytes".
// Usage: load_peak <bound-bytes> <host-path>
#include <QCoreApplication>
#include <cstdio>
#include <fstream>
#include <string>

#include "runtime/errors.h"
#include "runtime/picture.h"
#include "runtime/picture_limits.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"
#include "runtime/testing.h"
#include "process_memory.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) return 2;
    rt::testing::LimitPictureBytesForTests(std::stoll(argv[1]));
    const std::u16string path = rt::WindowsPath(argv[2]);
    // The peak so far is set back to what is in use now (Linux 4.0 and later).
    std::ofstream("/proc/self/clear_refs") << "5";
    const int64_t before = ProcessStatusBytes("VmRSS");
    int number = 0;
    long long pictureBytes = 0;
    try {
        const rt::Picture picture = rt::LoadPicture(path);
        pictureBytes = rt::ImageOf(picture)->sizeInBytes();
    } catch (const rt::RuntimeError& e) {
        number = e.Number();
    }
    std::printf("%d %lld %lld\n", number, (long long)(ProcessStatusBytes("VmHWM") - before), pictureBytes);
    return 0;
}

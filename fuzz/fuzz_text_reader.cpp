// Any file read field by field, as the open command reads the chosen file as text.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "runtime/errors.h"
#include "runtime/file_input.h"
#include "runtime/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One file in memory, rewritten for every input.
    static const int fd = memfd_create("text-input", 0);
    static const std::u16string path = rt::WindowsPath("/proc/self/fd/" + std::to_string(fd));
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size)) __builtin_trap();

    constexpr int kNumber = 1;
    try {
        rt::OpenForInput(path, kNumber);
        rt::Variant field;
        // Every field takes at least one byte, or ends the file.
        for (size_t fields = 0; !rt::Eof(kNumber); ++fields) {
            if (fields > size + 1) __builtin_trap();
            rt::Input(kNumber, field);
            (void)rt::TextOf(field);
        }
    } catch (const rt::RuntimeError&) {
    }
    rt::Close(kNumber);
    return 0;
}

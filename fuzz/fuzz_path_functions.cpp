// Any path, as UTF-16 code units: split into extension and file name, and mapped to the
// host's form and back.
#include <cstdint>
#include <cstring>
#include <string>

#include "runtime/errors.h"
#include "runtime/strings.h"
#include "intake/path_functions.h"

namespace {

bool EndsWith(const std::u16string& text, const std::u16string& tail) {
    return tail.size() <= text.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string path(size / 2, u'\0');
    std::memcpy(path.data(), data, path.size() * sizeof(char16_t));
    try {
        const std::u16string extension = ExtensionOf(path), name = FileNameOf(path);
        // Both are what follows the last separator of their kind.
        if (!EndsWith(path, extension) || extension.find(u'.') != std::u16string::npos) __builtin_trap();
        if (!EndsWith(path, name) || name.find(u'\\') != std::u16string::npos) __builtin_trap();
    } catch (const rt::RuntimeError& e) {
        // Only a path past 32,767 code units overflows the 16-bit positions.
        if (e.Number() != rt::ErrOverflow || path.size() <= 32767) __builtin_trap();
    }
    const std::string host = rt::HostPath(path);
    if (host.find('\0') != std::string::npos) __builtin_trap();
    const std::u16string back = rt::WindowsPath(host);
    if (back.find(u'/') != std::u16string::npos) __builtin_trap();
    return 0;
}

#include "intake/path_functions.h"

#include "runtime/int16.h"

// Both scan from the end with 16-bit positions, as the program always has: a path of
// more than 32,767 characters raises Overflow before any character is looked at.

std::u16string ExtensionOf(const std::u16string& path) {
    const int16_t n = rt::CInt16(path.size());
    for (int16_t i = n; i >= 1; --i) {
        if (path[size_t(i - 1)] == u'.') return path.substr(size_t(i));
    }
    return {};
}

std::u16string FileNameOf(const std::u16string& path) {
    const int16_t n = rt::CInt16(path.size());
    int16_t k = 0;
    for (int16_t i = n; i >= 1; --i) {
        rt::Add16(k, 1);
        if (path[size_t(i - 1)] == u'\\') return path.substr(path.size() - size_t(k - 1));
    }
    return {};
}

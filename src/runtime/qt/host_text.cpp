// The 8-bit text and host paths of the Qt backend: UTF-8 on Linux, "/" between folders.
#include "runtime/strings.h"

namespace rt {

std::string ToAnsi(const std::u16string& text) { return ToUtf8(text); }

std::u16string FromAnsi(const std::string& bytes) { return FromUtf8(bytes); }

std::string HostPath(const std::u16string& windowsPath) {
    std::u16string p = UpToNul(windowsPath);
    for (auto& c : p)
        if (c == u'\\') c = u'/';
    return ToUtf8(p);
}

std::u16string WindowsPath(const std::string& hostPath) {
    std::u16string p = FromUtf8(hostPath);
    for (auto& c : p)
        if (c == u'/') c = u'\\';
    return p;
}

}  // namespace rt

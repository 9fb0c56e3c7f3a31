// Text conversions on Windows: UTF-8 and the system's ANSI code page through the
// system's converters; paths are already in Windows form.
#include "runtime/strings.h"

#include "runtime/win32/backend.h"

namespace rt {

namespace win32 {

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::u16string Utf16(const wchar_t* text, size_t length) { return std::u16string(text, text + length); }
std::u16string Utf16(const std::wstring& text) { return Utf16(text.data(), text.size()); }

}  // namespace win32

namespace {

std::string Narrow(UINT codePage, const std::u16string& text) {
    if (text.empty()) return {};
    const std::wstring wide = win32::Wide(text);
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(n), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

std::u16string Widen(UINT codePage, const std::string& bytes) {
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), wide.data(), n);
    return win32::Utf16(wide);
}

}  // namespace

std::string ToUtf8(const std::u16string& text) { return Narrow(CP_UTF8, text); }
std::u16string FromUtf8(const std::string& text) { return Widen(CP_UTF8, text); }

std::string ToAnsi(const std::u16string& text) { return Narrow(CP_ACP, text); }
std::u16string FromAnsi(const std::string& bytes) { return Widen(CP_ACP, bytes); }

// The host is Windows: a path keeps its form; the 8-bit host text is UTF-8.
std::string HostPath(const std::u16string& windowsPath) { return ToUtf8(UpToNul(windowsPath)); }
std::u16string WindowsPath(const std::string& hostPath) { return FromUtf8(hostPath); }

std::u16string UpToNul(const std::u16string& text) {
    auto nul = text.find(u'\0');
    return nul == std::u16string::npos ? text : text.substr(0, nul);
}

std::u16string Str(long long number) {
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace rt

// Text on Windows: UTF-16 as the system's wide calls take it, the 8-bit text of the
// system's ANSI code page, and paths that are already in Windows form.
#include "runtime/strings.h"
#include "runtime/win32/peers.h"

namespace rt {

namespace win32 {

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::u16string Utf16(const wchar_t* text, size_t length) { return std::u16string(text, text + length); }
std::u16string Utf16(const std::wstring& text) { return Utf16(text.data(), text.size()); }

std::u16string WindowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(size_t(n) + 1, L'\0');
    GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(size_t(n));
    return Utf16(text);
}

std::u16string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n && text ? std::wstring(text, n) : L"error " + std::to_wstring(error);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.' ||
                                message.back() == L' '))
        message.pop_back();
    return Utf16(message);
}

}  // namespace win32

std::string ToAnsi(const std::u16string& text) {
    if (text.empty()) return {};
    const std::wstring wide = win32::Wide(text);
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

std::u16string FromAnsi(const std::string& bytes) {
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), wide.data(), n);
    return win32::Utf16(wide);
}

// The host is Windows: a path keeps its form; its 8-bit host text is UTF-8.
std::string HostPath(const std::u16string& windowsPath) { return ToUtf8(UpToNul(windowsPath)); }
std::u16string WindowsPath(const std::string& hostPath) { return FromUtf8(hostPath); }
std::u16string ShownPath(const std::u16string& windowsPath) { return UpToNul(windowsPath); }

void AppendFromFileText(std::u16string& out, std::string_view bytes) { out += FromAnsi(std::string(bytes)); }

// The ANSI code page's double-byte characters are told by their first byte only:
// counted from the start.
size_t WholeFileTextCharacters(std::string_view bytes) {
    size_t whole = 0;
    while (whole < bytes.size()) {
        const size_t step = IsDBCSLeadByte(static_cast<BYTE>(bytes[whole])) ? 2 : 1;
        if (whole + step > bytes.size()) break;
        whole += step;
    }
    return whole;
}

}  // namespace rt

// The 8-bit text and host paths of the Qt backend (Linux): UTF-8, "/" between folders,
// and every host path maps to the program's text and back byte for byte.
#include <algorithm>

#include "runtime/strings.h"
#include "runtime/utf8.h"

namespace rt {

namespace {

using utf8::AppendUtf16;
using utf8::AppendUtf8;

// A byte that is not part of valid UTF-8 travels as the lone surrogate U+DC00 + byte:
// no valid UTF-8 decodes to a lone surrogate, so the byte comes back exactly.
constexpr char16_t kEscapedByte = 0xDC00;
// A "\" inside a host name: the full-width reverse solidus reads the same and is no
// separator for the program's path functions.
constexpr char16_t kHostBackslash = 0xFF3C;

// Two byte forms of the program's text. A host path: UTF-8 whose other bytes are
// escaped, "/" and "\" turned into "\" and kHostBackslash (a genuine kHostBackslash is
// escaped byte by byte, so that it stays itself). The 8-bit text of the platform
// calls: UTF-8 that also carries lone surrogates in their 3-byte form, so that a path
// with escaped bytes passes through it unchanged. Plain: UTF-8 with escaped bytes.
enum class Form { HostPath, Ansi, Plain };

std::u16string Decode(const std::string& bytes, Form form) {
    const bool hostPath = form == Form::HostPath;
    std::u16string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        const size_t n = utf8::Sequence(bytes, i, form == Form::Ansi, &cp);
        if (n == 0 || (hostPath && cp == kHostBackslash)) {
            for (size_t k = 0; k < std::max<size_t>(n, 1); ++k)
                out += char16_t(kEscapedByte + static_cast<unsigned char>(bytes[i + k]));
            i += std::max<size_t>(n, 1);
            continue;
        }
        if (hostPath && cp == '\\') cp = kHostBackslash;
        else if (hostPath && cp == '/') cp = '\\';
        AppendUtf16(out, cp);
        i += n;
    }
    return out;
}

// The way back. In a host path escaped bytes are themselves again and any other lone
// surrogate (no host name makes one) becomes U+FFFD.
std::string Encode(const std::u16string& text, Form form) {
    const bool hostPath = form == Form::HostPath;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (utf8::PairAt(text, i, &cp)) {
            ++i;
        } else if (hostPath && cp >= kEscapedByte + 0x80 && cp <= kEscapedByte + 0xFF) {
            out += char(cp - kEscapedByte);
            continue;
        } else if (hostPath && cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        } else if (hostPath && cp == u'\\') {
            cp = '/';
        } else if (hostPath && cp == kHostBackslash) {
            cp = '\\';
        }
        AppendUtf8(out, cp);
    }
    return out;
}

// Whole text of well-formed UTF-8 (no surrogates).
bool ValidUtf8(const std::string& bytes) {
    char32_t cp = 0;
    for (size_t i = 0, n; i < bytes.size(); i += n)
        if ((n = utf8::Sequence(bytes, i, false, &cp)) == 0) return false;
    return true;
}

bool HasSurrogate(const std::u16string& text) {
    for (char16_t c : text)
        if (c >= 0xD800 && c <= 0xDFFF) return true;
    return false;
}

}  // namespace

std::string ToAnsi(const std::u16string& text) {
    // Text without surrogates is plain UTF-8 (the fast way).
    if (!HasSurrogate(text)) return ToUtf8(text);
    return Encode(text, Form::Ansi);
}

std::u16string FromAnsi(const std::string& bytes) {
    if (ValidUtf8(bytes)) return FromUtf8(bytes);
    return Decode(bytes, Form::Ansi);
}

std::string HostPath(const std::u16string& windowsPath) { return Encode(UpToNul(windowsPath), Form::HostPath); }

std::u16string WindowsPath(const std::string& hostPath) { return Decode(hostPath, Form::HostPath); }

std::u16string ShownPath(const std::u16string& windowsPath) {
    std::u16string shown = Decode(HostPath(windowsPath), Form::Plain);
    for (char16_t& c : shown)
        if (c >= kEscapedByte + 0x80 && c <= kEscapedByte + 0xFF) c = 0xFFFD;  // a byte that is not text
    return shown;
}

void AppendFromFileText(std::u16string& out, std::string_view bytes) { AppendFromUtf8(out, bytes); }

// UTF-8 characters take up to four bytes and never start with a 10xxxxxx byte: the last
// few bytes tell whether the end cuts one.
size_t WholeFileTextCharacters(std::string_view bytes) {
    const size_t size = bytes.size();
    for (size_t back = 1; back <= std::min<size_t>(4, size); ++back) {
        const auto b = static_cast<unsigned char>(bytes[size - back]);
        if ((b & 0xC0) == 0x80) continue;
        if (b < 0xC0) return size;
        const size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        return length > back ? size - back : size;
    }
    return size;
}

}  // namespace rt

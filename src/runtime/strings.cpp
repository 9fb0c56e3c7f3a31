#include "runtime/strings.h"

#include <algorithm>

namespace rt {

namespace {

// A byte that is not part of valid UTF-8 travels as the lone surrogate U+DC00 + byte:
// no valid UTF-8 decodes to a lone surrogate, so the byte comes back exactly.
constexpr char16_t kEscapedByte = 0xDC00;
// A "\" inside a host name: the full-width reverse solidus reads the same and is no
// separator for the program's path functions.
constexpr char16_t kHostBackslash = 0xFF3C;

bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at bytes[i] (shortest form, at most
// U+10FFFF, surrogates only when allowed), or 0 when there is none; its code point in *code.
size_t Utf8Sequence(std::string_view bytes, size_t i, bool surrogates, char32_t* code) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
    const size_t left = bytes.size() - i;
    const unsigned char c = b(0);
    if (c < 0x80) return *code = c, 1;
    if (c >= 0xC2 && c <= 0xDF && left >= 2 && Continuation(b(1))) return *code = char32_t(c & 0x1F) << 6 | (b(1) & 0x3F), 2;
    if (c >= 0xE0 && c <= 0xEF && left >= 3 && Continuation(b(1)) && Continuation(b(2))) {
        const char32_t cp = char32_t(c & 0x0F) << 12 | char32_t(b(1) & 0x3F) << 6 | (b(2) & 0x3F);
        if (cp < 0x800 || (!surrogates && cp >= 0xD800 && cp <= 0xDFFF)) return 0;
        return *code = cp, 3;
    }
    if (c >= 0xF0 && c <= 0xF4 && left >= 4 && Continuation(b(1)) && Continuation(b(2)) && Continuation(b(3))) {
        const char32_t cp = char32_t(c & 0x07) << 18 | char32_t(b(1) & 0x3F) << 12 | char32_t(b(2) & 0x3F) << 6 |
                            (b(3) & 0x3F);
        if (cp < 0x10000 || cp > 0x10FFFF) return 0;
        return *code = cp, 4;
    }
    return 0;
}

void Append(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += char16_t(cp);
    } else {
        out += char16_t(0xD800 + ((cp - 0x10000) >> 10));
        out += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
}

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
        const size_t n = Utf8Sequence(bytes, i, form == Form::Ansi, &cp);
        if (n == 0 || (hostPath && cp == kHostBackslash)) {
            for (size_t k = 0; k < std::max<size_t>(n, 1); ++k)
                out += char16_t(kEscapedByte + static_cast<unsigned char>(bytes[i + k]));
            i += std::max<size_t>(n, 1);
            continue;
        }
        if (hostPath && cp == '\\') cp = kHostBackslash;
        else if (hostPath && cp == '/') cp = '\\';
        Append(out, cp);
        i += n;
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// The way back. In a host path escaped bytes are themselves again and any other lone
// surrogate (no host name makes one) becomes U+FFFD.
std::string Encode(const std::u16string& text, Form form) {
    const bool hostPath = form == Form::HostPath;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
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
        if ((n = Utf8Sequence(bytes, i, false, &cp)) == 0) return false;
    return true;
}

bool HasSurrogate(const std::u16string& text) {
    for (char16_t c : text)
        if (c >= 0xD800 && c <= 0xDFFF) return true;
    return false;
}

}  // namespace

// A lone surrogate has no UTF-8 form: it is written as "?".
std::string ToUtf8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = '?';
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::u16string FromUtf8(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    AppendFromUtf8(out, text);
    return out;
}

// Each byte that does not belong to a well-formed sequence becomes U+FFFD.
void AppendFromUtf8(std::u16string& out, std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            out += char16_t(bytes[i++]);
            continue;
        }
        char32_t cp = 0;
        const size_t n = Utf8Sequence(bytes, i, false, &cp);
        if (n == 0) {
            out += char16_t(0xFFFD);
            ++i;
            continue;
        }
        Append(out, cp);
        i += n;
    }
}

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

std::u16string UpToNul(const std::u16string& text) {
    auto nul = text.find(u'\0');
    return nul == std::u16string::npos ? text : text.substr(0, nul);
}

std::u16string Str(long long number) {
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace rt

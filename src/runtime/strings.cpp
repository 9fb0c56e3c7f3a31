#include "runtime/strings.h"

#include "runtime/utf8.h"

namespace rt {

namespace utf8 {

namespace {

bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

size_t Sequence(std::string_view bytes, size_t i, bool surrogates, char32_t* code) {
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

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += char16_t(cp);
    } else {
        out += char16_t(0xD800 + ((cp - 0x10000) >> 10));
        out += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
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

}  // namespace utf8

using utf8::AppendUtf16;
using utf8::AppendUtf8;

// A lone surrogate has no UTF-8 form: it is written as "?".
std::string ToUtf8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (utf8::PairAt(text, i, &cp)) {
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
        const size_t n = utf8::Sequence(bytes, i, false, &cp);
        if (n == 0) {
            out += char16_t(0xFFFD);
            ++i;
            continue;
        }
        AppendUtf16(out, cp);
        i += n;
    }
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

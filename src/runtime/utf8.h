// UTF-8 pieces shared by the runtime's text conversions and a backend's own (its 8-bit
// text and host paths).
#pragma once

#include <string>
#include <string_view>

namespace rt::utf8 {

// Length of the well-formed UTF-8 sequence at bytes[i] (shortest form, at most
// U+10FFFF, surrogates only when allowed), or 0 when there is none; its code point in *code.
size_t Sequence(std::string_view bytes, size_t i, bool surrogates, char32_t* code);
// Appends the code point as UTF-16 (a surrogate pair above U+FFFF).
void AppendUtf16(std::u16string& out, char32_t cp);
// Appends the code point as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
// Whether text[i] and text[i + 1] are a surrogate pair; its code point in *code.
inline bool PairAt(const std::u16string& text, size_t i, char32_t* code) {
    if (text[i] < 0xD800 || text[i] > 0xDBFF || i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
        return false;
    *code = 0x10000 + (char32_t(text[i] - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    return true;
}

}  // namespace rt::utf8

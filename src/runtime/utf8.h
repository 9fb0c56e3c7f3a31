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

}  // namespace rt::utf8

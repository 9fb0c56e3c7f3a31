// Reading the C source that XBM and XPM pictures are written as: identifiers, numbers and
// strings between whitespace and comments, every step checked against the file's end.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "pictures/bytes.h"

namespace pictures {

class CSource {
public:
    explicit CSource(Bytes text, size_t at = 0) : text_(text.View()), at_(at) {}

    size_t At() const { return at_; }
    // Skips whitespace and /* */ and // comments; false at the end of the text.
    bool SkipSpace();
    // Each of these first skips whitespace and comments.
    // The character the next token starts with, or 0 at the end.
    char Peek();
    bool Take(char c);                 // the next token is c: steps past it
    bool Take(std::string_view word);  // the text goes on with word: steps past it
    // The identifier starting here (letters, digits, '_'); empty when none.
    std::string_view Identifier();
    // A C integer (decimal or 0x hexadecimal) starting here, capped at 2^32; nothing when
    // none starts here.
    std::optional<uint64_t> Number();
    // The contents of the "string" starting here, as written (a backslash keeps the quote
    // after it inside); fails as cut short when the closing quote is missing.
    std::optional<std::string_view> String();
    // Steps past a declaration (words, '*', "[]", '=') and the opening brace of its array;
    // whether `word` was one of its words. Fails when no brace follows.
    bool EnterArray(std::string_view word);
    // Steps past the rest of the line.
    void SkipLine();

private:
    std::string_view text_;
    size_t at_;
};

}  // namespace pictures

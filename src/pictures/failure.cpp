#include "pictures/failure.h"

namespace pictures {

std::u16string Text(std::string_view message) {
    std::u16string out;
    out.reserve(message.size());
    for (const char c : message) out += char16_t(uint8_t(c));
    return out;
}

}  // namespace pictures

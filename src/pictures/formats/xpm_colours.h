// The colours an XPM colour table gives: #RGB to #RRRRGGGGBBBB, None, and the X11 colour
// names common in XPM files.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pictures {

// The colour a table entry's value stands for (None is fully transparent); nothing for a
// name not known here.
std::optional<uint32_t> XpmColour(std::string_view value);

}  // namespace pictures

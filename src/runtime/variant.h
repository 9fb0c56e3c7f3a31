// The tagged value that holds nothing, a number or a string.
#pragma once

#include <string>
#include <variant>

namespace rt {

using Variant = std::variant<std::monostate, double, std::u16string>;

}  // namespace rt

// Signed 16-bit counters as the handlers use them: passing 32,767 raises Overflow.
#pragma once

#include <cstdint>
#include <limits>
#include <utility>

#include "runtime/errors.h"

namespace rt {

// Converts a length or count to 16 bits, raising Overflow when it does not fit.
template <typename T>
int16_t CInt16(T value) {
    if (std::cmp_greater(value, std::numeric_limits<int16_t>::max()) ||
        std::cmp_less(value, std::numeric_limits<int16_t>::min()))
        Raise(ErrOverflow);
    return static_cast<int16_t>(value);
}

// i = i + delta with the overflow check of 16-bit arithmetic.
inline void Add16(int16_t& i, int delta) { i = CInt16(static_cast<int32_t>(i) + delta); }

}  // namespace rt

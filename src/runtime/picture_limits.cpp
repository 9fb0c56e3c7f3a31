#include "runtime/picture_limits.h"

#include <algorithm>

#include "runtime/memory_available.h"
#include "runtime/testing.h"

namespace rt {

int64_t DecodedBytes(int64_t width, int64_t height) { return width * height * 4; }

int64_t PictureByteBound() {
    if (const int64_t forTests = testing::Hooks().pictureByteBound; forTests > 0) return forTests;
    constexpr int64_t kMB = int64_t(1) << 20;
    return std::min(MemoryAvailable() / 2, 4096 * kMB);
}

}  // namespace rt

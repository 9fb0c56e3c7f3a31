#include "runtime/picture_limits.h"

#include <algorithm>

#include "runtime/memory_available.h"

namespace rt {

namespace {
int64_t testBound = 0;
}

int64_t DecodedBytes(int64_t width, int64_t height) { return width * height * 4; }

int64_t PictureByteBound() {
    if (testBound > 0) return testBound;
    constexpr int64_t kMB = int64_t(1) << 20;
    return std::min(MemoryAvailable() / 2, 4096 * kMB);
}

void LimitPictureBytesForTests(int64_t bytes) { testBound = bytes; }

}  // namespace rt

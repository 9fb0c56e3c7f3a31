#include "runtime/picture_limits.h"

#include <unistd.h>

#include <algorithm>

namespace rt {

int64_t DecodedBytes(int64_t width, int64_t height) { return width * height * 4; }

int64_t PictureByteBound() {
    constexpr int64_t kMB = int64_t(1) << 20;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    const int64_t physical = pages > 0 && pageSize > 0 ? int64_t(pages) * pageSize : 1024 * kMB;
    return std::clamp(physical / 4, 256 * kMB, 4096 * kMB);
}

}  // namespace rt

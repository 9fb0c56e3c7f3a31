#include "runtime/picture_limits.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>

namespace rt {

namespace {

// The machine's physical memory in bytes, or 0 when the system does not say.
int64_t PhysicalMemory() {
#ifdef _WIN32
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? int64_t(status.ullTotalPhys) : 0;
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? int64_t(pages) * pageSize : 0;
#endif
}

}  // namespace

int64_t DecodedBytes(int64_t width, int64_t height) { return width * height * 4; }

int64_t PictureByteBound() {
    constexpr int64_t kMB = int64_t(1) << 20;
    const int64_t reported = PhysicalMemory();
    const int64_t physical = reported > 0 ? reported : 1024 * kMB;
    return std::clamp(physical / 4, 256 * kMB, 4096 * kMB);
}

}  // namespace rt

// Memory on Windows: a 32-bit program runs out of address space (2 GB, or 4 GB on 64-bit
// Windows) before a large machine runs out of memory, so both count.
#include "runtime/memory_available.h"

#include <windows.h>

#include <algorithm>

namespace rt {

int64_t MemoryAvailable() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return int64_t(512) << 20;
    return int64_t(std::min(status.ullAvailPhys, status.ullAvailVirtual));
}

}  // namespace rt

// How much memory this process can still take before the machine or its container runs out.
#pragma once

#include <cstdint>

namespace rt {

// Bytes this process may still allocate (backend). On Linux the smallest of the
// system's available memory (MemAvailable) and, for every memory control group the
// process is in (v1 or v2, the group and its parents), its limit less its use;
// reclaimable file cache a group holds counts as free, as the kernel would drop it first.
// On Windows the smaller of the free physical memory and the process's free address space.
int64_t MemoryAvailable();

}  // namespace rt

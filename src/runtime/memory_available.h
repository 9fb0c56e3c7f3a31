// How much memory this process can still take before the machine or its container runs out.
#pragma once

#include <cstdint>

namespace rt {

// Bytes this process may still allocate: the smallest of the system's available memory
// (MemAvailable) and, for every memory control group the process is in (v1 or v2, the
// group and its parents), its limit less its use. Reclaimable file cache a group holds
// counts as free, as the kernel would drop it first.
int64_t MemoryAvailable();

}  // namespace rt

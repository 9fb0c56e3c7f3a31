// Any bytes read by the picture core as a JPEG or WebP file would be (with the metadata
// they carry) under a 64 MB bound: refused or read, never a crash, a hang or more memory.
#include <cstddef>
#include <cstdint>

#include "pictures/load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        pictures::Load(pictures::Bytes(data, size), "", int64_t(64) << 20);
    } catch (const pictures::Failure&) {
    }
    return 0;
}

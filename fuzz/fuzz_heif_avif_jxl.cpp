// Any file read by the picture core as HEIF, AVIF or JPEG XL under a 64 MB bound: read
// whole, or refused with a reason; never a crash, a leak or a read outside its bytes.
#include <cstddef>
#include <cstdint>

#include "pictures/load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const pictures::Picture picture = pictures::Load(pictures::Bytes(data, size), "", int64_t(64) << 20);
        if (picture.image.Null() || picture.image.Width() <= 0 || picture.image.Height() <= 0) __builtin_trap();
    } catch (const pictures::Failure&) {
    }
    return 0;
}

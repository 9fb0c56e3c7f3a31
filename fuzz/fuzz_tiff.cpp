// Any bytes read as a TIFF picture by the picture core under a 64 MB bound: refused with
// a reason or read whole, never a crash, a leak or memory past the bound.
#include <cstddef>
#include <cstdint>

#include "pictures/load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const pictures::Picture picture = pictures::Load(pictures::Bytes(data, size), "tif", int64_t(64) << 20);
        if (picture.image.Null() || picture.image.Width() <= 0 || picture.image.Height() <= 0) __builtin_trap();
    } catch (const pictures::Failure&) {
    }
    return 0;
}

// PNG and GIF files read by the picture core under a 64 MB bound: any input is read or
// refused with a reason, never read past its end or into memory it does not own.
#include <cstdint>
#include <cstdlib>

#include "pictures/load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const pictures::Picture picture = pictures::Load(pictures::Bytes(data, size), "", int64_t(64) << 20);
        if (picture.image.Null() || picture.image.Width() <= 0 || picture.image.Height() <= 0) std::abort();
    } catch (const pictures::Failure&) {
    }
    return 0;
}

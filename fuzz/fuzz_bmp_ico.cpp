// Any bytes read by the picture core as a BMP or an icon: named .ico, so that icons whose
// shape alone would not be claimed are read too; BMP files are told by their signature.
#include <cstddef>
#include <cstdint>

#include "pictures/load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const pictures::Picture picture = pictures::Load(pictures::Bytes(data, size), "ico", int64_t(64) << 20);
        if (picture.image.Null() || picture.image.Width() <= 0 || picture.image.Height() <= 0) __builtin_trap();
    } catch (const pictures::Failure&) {
    }
    return 0;
}

// The small formats read by the picture core's own code (PNM and PAM, XBM, XPM, WBMP, TGA):
// any bytes as a file. The first byte picks the name's extension (WBMP is known only by
// its name, a TGA without its footer partly), the rest is the file.
#include <cstdint>
#include <string_view>

#include "pictures/load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr std::string_view extensions[] = {"", "wbmp", "tga", "xpm"};
    if (size == 0) return 0;
    try {
        const pictures::Picture picture =
            pictures::Load(pictures::Bytes(data + 1, size - 1), extensions[data[0] % 4], int64_t(64) << 20);
        if (picture.image.Null()) __builtin_trap();
    } catch (const pictures::Failure&) {
    }
    return 0;
}

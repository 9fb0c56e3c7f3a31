#include "pictures/formats/iso_boxes.h"

#include <algorithm>

namespace pictures {

bool HasIsoBrand(Bytes head, std::initializer_list<std::string_view> brands,
                 std::initializer_list<std::string_view> excluded) {
    if (head.size < 16 || head.View().substr(4, 4) != "ftyp") return false;
    const size_t end = std::min<size_t>(head.size, head.U32BE(0));
    bool found = false;
    for (size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {  // major brand, version, compatible brands
        const std::string_view brand = head.View().substr(at, 4);
        if (std::find(excluded.begin(), excluded.end(), brand) != excluded.end()) return false;
        found = found || std::find(brands.begin(), brands.end(), brand) != brands.end();
    }
    return found;
}

bool IsoBoxesOverrun(Bytes file) {
    const uint64_t size = file.size;
    uint64_t at = 0;
    while (at + 8 <= size) {
        uint64_t box = file.U32BE(at);
        if (box == 1) {  // a 64-bit size follows the type
            if (at + 16 > size) return true;
            box = file.U64BE(at + 8);
        } else if (box == 0) {
            return false;  // the last box, to the end of the file
        }
        if (box < 8) return false;  // not boxes: the decoder judges
        if (box > size - at) return true;
        at += box;
    }
    return false;
}

bool HasIsoTransforms(Bytes file) {
    // The meta box is small and comes before the pixel data: look for the property boxes'
    // types within it.
    const std::string_view all = file.View();
    const size_t meta = all.find("meta");
    if (meta == std::string_view::npos || meta < 4) return false;
    const uint32_t size = file.U32BE(meta - 4);  // counting its own size field before the type
    const std::string_view box = all.substr(meta, size >= 4 ? size - 4 : 0);
    return box.find("irot") != std::string_view::npos || box.find("imir") != std::string_view::npos;
}

}  // namespace pictures

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

namespace {

// One box within `in` at `at`: its type and contents; false when none fits there.
struct Box {
    std::string_view type;
    Bytes contents;
    size_t end = 0;  // where the next box starts
};

bool BoxAt(Bytes in, size_t at, Box& box) {
    if (!in.Has(at, 8)) return false;
    uint64_t size = in.U32BE(at), header = 8;
    if (size == 1) {
        if (!in.Has(at, 16)) return false;
        size = in.U64BE(at + 8), header = 16;
    } else if (size == 0) {
        size = in.size - at;  // to the end
    }
    if (size < header || !in.Has(at, size)) return false;
    box.type = in.View().substr(at + 4, 4);
    box.contents = in.Sub(size_t(at + header), size_t(size - header));
    box.end = size_t(at + size);
    return true;
}

// The contents of the first box of this type among the boxes in `in`.
Bytes Child(Bytes in, std::string_view type) {
    Box box;
    for (size_t at = 0; BoxAt(in, at, box); at = box.end)
        if (box.type == type) return box.contents;
    return {};
}

}  // namespace

Bytes IsoPrimaryProperty(Bytes file, std::string_view type) {
    const Bytes meta = Child(file, "meta").Sub(4);  // after its version and flags
    const Bytes pitm = Child(meta, "pitm"), iprp = Child(meta, "iprp");
    if (!pitm.Has(0, 6)) return {};
    const bool shortIds = pitm.U8(0) == 0;
    if (!shortIds && !pitm.Has(0, 8)) return {};
    const uint32_t primary = shortIds ? pitm.U16BE(4) : pitm.U32BE(4);
    const Bytes ipco = Child(iprp, "ipco"), ipma = Child(iprp, "ipma");
    if (!ipma.Has(0, 8)) return {};
    // ipma: per item, its property indices (from 1, in ipco's order), the top bit essential.
    const bool longIds = ipma.U8(0) >= 1, wideIndices = ipma.U8(3) & 1;
    const uint32_t items = ipma.U32BE(4);
    size_t at = 8;
    for (uint32_t i = 0; i < items; ++i) {
        if (!ipma.Has(at, longIds ? 5 : 3)) return {};
        const uint32_t item = longIds ? ipma.U32BE(at) : ipma.U16BE(at);
        at += longIds ? 4 : 2;
        const unsigned count = ipma.U8(at++);
        if (!ipma.Has(at, uint64_t(count) * (wideIndices ? 2 : 1))) return {};
        for (unsigned j = 0; j < count && item == primary; ++j) {
            const unsigned index = wideIndices ? ipma.U16BE(at + 2 * j) & 0x7FFF : ipma.U8(at + j) & 0x7F;
            Box box;
            size_t from = 0;
            for (unsigned k = 1; BoxAt(ipco, from, box) && k < index; ++k) from = box.end;
            if (index > 0 && BoxAt(ipco, from, box) && box.type == type) return box.contents;
        }
        at += count * (wideIndices ? 2 : 1);
    }
    return {};
}

IsoRect IsoCleanAperture(Bytes file, int width, int height, int shiftX, int shiftY) {
    const IsoRect whole{0, 0, width, height};
    const Bytes clap = IsoPrimaryProperty(file, "clap");
    if (!clap.Has(0, 32)) return whole;
    const auto signedAt = [&](size_t at) { return int64_t(int32_t(clap.U32BE(at))); };
    const int64_t widthN = clap.U32BE(0), widthD = clap.U32BE(4), heightN = clap.U32BE(8), heightD = clap.U32BE(12);
    const int64_t offXN = signedAt(16), offXD = clap.U32BE(20), offYN = signedAt(24), offYD = clap.U32BE(28);
    if (widthD <= 0 || heightD <= 0 || offXD <= 0 || offYD <= 0 || widthN % widthD || heightN % heightD) return whole;
    const int64_t cropWidth = widthN / widthD, cropHeight = heightN / heightD;
    // The offsets place the aperture's centre from the picture's: its left edge is at
    // offX + (width - cropWidth) / 2, which must be a whole pixel.
    const int64_t twiceX = 2 * offXN + offXD * (width - cropWidth), twiceY = 2 * offYN + offYD * (height - cropHeight);
    if (twiceX % (2 * offXD) || twiceY % (2 * offYD)) return whole;
    const int64_t x = twiceX / (2 * offXD), y = twiceY / (2 * offYD);
    if (cropWidth <= 0 || cropHeight <= 0 || x < 0 || y < 0 || x + cropWidth > width || y + cropHeight > height ||
        (x & shiftX) || (y & shiftY))
        return whole;
    return {int(x), int(y), int(cropWidth), int(cropHeight)};
}

int IsoTransformOrientation(Bytes file) {
    const Bytes irot = IsoPrimaryProperty(file, "irot"), imir = IsoPrimaryProperty(file, "imir");
    if (irot.size < 1 && imir.size < 1) return 0;
    static constexpr int kOrientation[4][3] = {{1, 4, 2}, {8, 5, 7}, {3, 2, 4}, {6, 7, 5}};  // [turn][no mirror, 0, 1]
    const int turn = irot.size ? irot.U8(0) & 3 : 0;
    const int mirror = imir.size ? 1 + (imir.U8(0) & 1) : 0;
    return kOrientation[turn][mirror];
}

}  // namespace pictures

#include "pictures/formats/iso_exif.h"

#include <algorithm>

// exiv2 0.27's headers still name std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace pictures {

namespace {

// What parsing takes besides the block: each 12-byte field becomes an entry of its own.
constexpr double kParseBytesPerByte = 8;

// The TIFF structure: from its byte-order mark, after whatever prefix there is.
Bytes Tiff(Bytes exif) {
    const std::string_view all = exif.View();
    size_t at = std::min(all.find(std::string_view("II*\0", 4)), all.find(std::string_view("MM\0*", 4)));
    return at == std::string_view::npos ? Bytes() : exif.Sub(at);
}

// IFD0 fields that describe the source file's own pixels and storage; written into
// another file they would describe it wrongly. The profile and XMP travel separately.
bool IsLayoutTag(uint16_t tag) {
    switch (tag) {
    case 0x00FE: case 0x00FF:                                      // (New)SubfileType
    case 0x0100: case 0x0101: case 0x0102: case 0x0103: case 0x0106:  // size, bits, compression, photometric
    case 0x010A: case 0x0111: case 0x0115: case 0x0116: case 0x0117:  // fill order, strips, samples
    case 0x011C: case 0x013D: case 0x0142: case 0x0143: case 0x0144: case 0x0145:  // planar, predictor, tiles
    case 0x014A: case 0x0152: case 0x0153: case 0x015B: case 0x0201: case 0x0202:  // sub-IFDs, extra samples, JPEG
    case 0x0212:                                                   // YCbCr subsampling
    case 0x02BC: case 0x8773: return true;                         // XMP, ICC profile
    default: return false;
    }
}

}  // namespace

int IsoExifOrientation(Bytes exif) {
    const Bytes t = Tiff(exif);
    if (t.size < 8) return 1;
    const bool le = t.data[0] == 'I';
    const auto u16 = [&](uint64_t at) { return t.Has(at, 2) ? (le ? t.U16LE(at) : t.U16BE(at)) : -1; };
    const auto u32 = [&](uint64_t at) -> uint64_t { return t.Has(at, 4) ? (le ? t.U32LE(at) : t.U32BE(at)) : UINT64_MAX; };
    const uint64_t ifd = u32(4);
    const int entries = ifd < t.size ? u16(ifd) : -1;
    for (int e = 0; e < entries; ++e) {
        const uint64_t entry = ifd + 2 + 12 * uint64_t(e);
        if (!t.Has(entry, 12)) break;
        if (u16(entry) == 0x0112 && u16(entry + 2) == 3) {  // Orientation, a SHORT
            const int value = u16(entry + 8);
            return value >= 1 && value <= 8 ? value : 1;
        }
    }
    return 1;
}

std::string CarriedIsoExif(Bytes exif, Budget& budget) {
    const Bytes tiff = Tiff(exif);
    if (tiff.size == 0 || exif.size > kMaxIsoExif) return {};
    const int64_t parsing = CostInBytes(double(tiff.size) * kParseBytesPerByte);
    budget.Take(parsing);
    std::string carried;
    try {
        Exiv2::ExifData data;
        const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(data, tiff.data, uint32_t(tiff.size));
        Exiv2::ExifThumb(data).erase();
        for (auto it = data.begin(); it != data.end();) {
            const std::string group = it->groupName();
            const bool otherImage = group.rfind("SubImage", 0) == 0 || (group.size() > 5 && group.rfind("Image", 0) == 0);
            if (otherImage || (group == "Image" && IsLayoutTag(it->tag())))
                it = data.erase(it);
            else
                ++it;
        }
        if (!data.empty()) {
            const auto orientation = data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
            if (orientation != data.end()) *orientation = uint16_t(1);
            Exiv2::Blob blob;
            Exiv2::ExifParser::encode(blob, order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : order, data);
            carried.assign(reinterpret_cast<const char*>(blob.data()), blob.size());
        }
    } catch (const std::exception&) {
        carried.clear();  // damaged: the pixels alone are carried
    }
    budget.Give(parsing);
    budget.Take(int64_t(carried.size()));
    return carried;
}

}  // namespace pictures

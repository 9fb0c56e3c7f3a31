#include "pictures/metadata/carried.h"

#include "pictures/formats/iso_exif.h"
#include "pictures/metadata/exiv.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace pictures {

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

std::string CarriedExif(Exiv2::ExifData exif, Exiv2::ByteOrder order) {
    Exiv2::ExifThumb(exif).erase();
    for (auto it = exif.begin(); it != exif.end();) {
        const std::string group = it->groupName();
        const bool otherImage = group.rfind("SubImage", 0) == 0 || (group.size() > 5 && group.rfind("Image", 0) == 0);
        if (otherImage || (group == "Image" && IsLayoutTag(it->tag())))
            it = exif.erase(it);
        else
            ++it;
    }
    if (exif.empty()) return {};
    const auto orientation = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (orientation != exif.end()) *orientation = uint16_t(1);
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : order, exif);
    return std::string(blob.begin(), blob.end());
}

std::string CarriedXmp(const std::string& packet) {
    // Only a packet that names an orientation is parsed and written again.
    if (packet.find("Orientation") == std::string::npos) return packet;
    Exiv2::XmpData xmp;
    if (Exiv2::XmpParser::decode(xmp, packet) != 0) return packet;
    const auto orientation = xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation"));
    if (orientation == xmp.end()) return packet;
    *orientation = "1";
    std::string out;
    if (Exiv2::XmpParser::encode(out, xmp) != 0) return {};
    return out;
}

std::string exiv::CarriedIsoExif(Bytes exif, Budget& budget) {
    // What parsing takes besides the block: each 12-byte field becomes an entry of its own.
    constexpr double kParseBytesPerByte = 8;
    const Bytes tiff = IsoExifTiff(exif);
    if (tiff.size == 0 || exif.size > kMaxIsoExif) return {};
    const int64_t parsing = CostInBytes(double(tiff.size) * kParseBytesPerByte);
    budget.Take(parsing);
    std::string carried;
    try {
        Exiv2::ExifData data;
        const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(data, tiff.data, uint32_t(tiff.size));
        carried = CarriedExif(std::move(data), order);
    } catch (const std::exception&) {
        carried.clear();  // damaged: the pixels alone are carried
    }
    budget.Give(parsing);
    budget.Take(int64_t(carried.size()));
    return carried;
}

}  // namespace pictures

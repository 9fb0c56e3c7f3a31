#include "pictures/formats/iso_exif.h"

#include <algorithm>

#include "pictures/exif_orientation.h"
#include "pictures/metadata/carried.h"

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

}  // namespace

int IsoExifOrientation(Bytes exif) { return ExifOrientation(Tiff(exif)); }

std::string CarriedIsoExif(Bytes exif, Budget& budget) {
    const Bytes tiff = Tiff(exif);
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

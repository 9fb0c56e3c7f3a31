#include "pictures/formats/iso_exif.h"

#include <algorithm>

#include "pictures/exif_orientation.h"

namespace pictures {

Bytes IsoExifTiff(Bytes exif) {
    const std::string_view all = exif.View();
    size_t at = std::min(all.find(std::string_view("II*\0", 4)), all.find(std::string_view("MM\0*", 4)));
    return at == std::string_view::npos ? Bytes() : exif.Sub(at);
}

int IsoExifOrientation(Bytes exif) { return ExifOrientation(IsoExifTiff(exif)); }

}  // namespace pictures

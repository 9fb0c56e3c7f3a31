#include "pictures/writers/tiff_metadata.h"

// exiv2 0.27's headers still name std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

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

std::string WithTiffMetadata(const std::string& tiff, const Metadata& metadata) {
    if (metadata.exif.empty() && metadata.xmp.empty() && metadata.icc.empty()) return tiff;
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(tiff.data()), long(tiff.size()));
    image->readMetadata();
    Exiv2::ExifData exif;
    if (!metadata.exif.empty())
        Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte*>(metadata.exif.data()),
                                  uint32_t(metadata.exif.size()));
    // The new file's own layout fields stay as the encoder wrote them.
    for (const Exiv2::Exifdatum& field : image->exifData())
        if (field.groupName() == "Image" && IsLayoutTag(field.tag())) exif.add(field);
    image->setExifData(exif);
    if (!metadata.xmp.empty()) {
        image->writeXmpFromPacket(true);
        image->setXmpPacket(metadata.xmp);
    }
    if (!metadata.icc.empty()) {
        Exiv2::DataBuf profile(reinterpret_cast<const Exiv2::byte*>(metadata.icc.data()), long(metadata.icc.size()));
        image->setIccProfile(profile, false);
    }
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.open();
    std::string out(size_t(io.size()), '\0');
    io.seek(0, Exiv2::BasicIo::beg);
    io.read(reinterpret_cast<Exiv2::byte*>(out.data()), long(out.size()));
    io.close();
    return out;
}

}  // namespace pictures

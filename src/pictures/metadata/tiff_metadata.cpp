// The metadata of a saved picture written into a finished TIFF file through exiv2.
#include "pictures/metadata/carried.h"
#include "pictures/metadata/exiv.h"

// exiv2 0.27's headers still name std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace pictures {

std::string exiv::WithTiffMetadata(const std::string& tiff, const Metadata& metadata) {
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

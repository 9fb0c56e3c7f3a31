// EXIF and XMP readied for carrying, on exiv2's own records (shared by the metadata
// module's parts; exiv2 stays out of the core's public headers).
#pragma once

// exiv2 0.27's headers still name std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include <string>

namespace pictures {

// Whether a field of the first EXIF or TIFF directory describes the file's own pixels and
// storage (size, samples, strips, tiles, compression), or is the profile or XMP, which
// travel on their own: written into another file it would describe it wrongly.
bool IsLayoutTag(uint16_t tag);

// The EXIF fields worth carrying, as a TIFF structure; empty when none are left.
std::string CarriedExif(Exiv2::ExifData exif, Exiv2::ByteOrder order);

// The XMP packet, its orientation (if it has one) set to 1.
std::string CarriedXmp(const std::string& packet);

}  // namespace pictures

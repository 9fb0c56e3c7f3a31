// The metadata of a saved picture written into a finished TIFF file through exiv2.
#pragma once

#include <string>

#include "pictures/picture.h"

namespace pictures {

// The TIFF file with the EXIF fields, XMP and profile in its first directory. Throws
// what exiv2 throws when it cannot.
std::string WithTiffMetadata(const std::string& tiff, const Metadata& metadata);

}  // namespace pictures

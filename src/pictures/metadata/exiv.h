// The metadata work done with exiv2, in the metadata module: the core reaches these through
// the module's record (metadata.h's functions and CarriedIsoExif load it when first called).
#pragma once

#include <string>
#include <string_view>

#include "pictures/budget.h"
#include "pictures/bytes.h"
#include "pictures/picture.h"

namespace pictures::exiv {

Metadata ReadFileMetadata(Bytes file, std::string_view format, Budget& budget, int* orientation);
std::string CarriedIsoExif(Bytes exif, Budget& budget);
std::string WithTiffMetadata(const std::string& tiff, const Metadata& metadata);

}  // namespace pictures::exiv

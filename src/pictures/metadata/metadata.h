// What a picture file says besides its pixels (colour profile, EXIF, XMP, lossless or
// not), read with exiv2 and readied for carrying to the files the picture is saved as.
// exiv2 is in the metadata module, which these calls load when first made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pictures/budget.h"
#include "pictures/bytes.h"
#include "pictures/picture.h"

namespace pictures {

// A profile, EXIF or XMP block larger than this is not kept, nor decompressed, nor handed
// to exiv2: the picture shows without it.
constexpr size_t kMetadataBlockLimit = size_t(4) << 20;

// The metadata of a whole JPEG, PNG, TIFF or WebP file; format is the core's name of it
// ("jpeg", "png", "tiff", "webp"). Read only when exiv2 takes the file for that same
// format (exiv2's other parsers, video containers among them, can loop on a crafted file);
// a file in any other format gives only whether it is lossless. EXIF comes without its
// thumbnail and the fields describing the file's own pixel layout, its orientation (and
// XMP's) set to 1. Every block is counted against the budget before it is copied; damaged
// metadata is left out. orientation receives the EXIF orientation, 1 when none.
Metadata ReadFileMetadata(Bytes file, std::string_view format, Budget& budget, int* orientation);

// The TIFF file with the EXIF fields, XMP and profile in its first directory. Throws
// what exiv2 throws when it cannot.
std::string WithTiffMetadata(const std::string& tiff, const Metadata& metadata);

}  // namespace pictures

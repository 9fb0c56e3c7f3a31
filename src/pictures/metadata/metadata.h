// What a picture file says besides its pixels (colour profile, EXIF, XMP, lossless or
// not), read with exiv2 and readied for carrying to the files the picture is saved as.
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

// EXIF stored as a TIFF structure (after a short prefix such as "Exif\0\0"), readied for
// carrying as above; empty when there is none, it cannot be read or is too large.
std::string CarriedExif(Bytes stored);

// Whether a field of the first EXIF or TIFF directory describes the file's own pixels and
// storage (size, samples, strips, tiles, compression), or is the profile or XMP, which
// travel on their own: written into another file it would describe it wrongly.
bool IsLayoutTag(uint16_t tag);

}  // namespace pictures

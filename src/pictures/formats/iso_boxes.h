// The box structure HEIF, AVIF and JPEG XL containers share (ISO base media files).
#pragma once

#include <initializer_list>
#include <string_view>

#include "pictures/bytes.h"

namespace pictures {

// Whether the file starts with an ftyp box naming, as its major or a compatible brand, one
// of these brands; and none of the excluded ones.
bool HasIsoBrand(Bytes head, std::initializer_list<std::string_view> brands,
                 std::initializer_list<std::string_view> excluded = {});

// Whether the top-level boxes run past the file's end: a file cut short.
bool IsoBoxesOverrun(Bytes file);

// Whether the item properties hold a turn (irot) or a mirror (imir): such files are turned
// by those, and any EXIF orientation only repeats them.
bool HasIsoTransforms(Bytes file);

// The contents (after the box header) of the primary item's property of this type, as the
// meta box associates them; empty when there is none or the boxes do not hold together.
Bytes IsoPrimaryProperty(Bytes file, std::string_view type);

}  // namespace pictures

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

// A rectangle of the coded picture.
struct IsoRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The clean aperture (clap) of the primary item within its coded size; the whole picture
// when it has none, or one that is not whole pixels inside the picture, or on subsampled
// chroma (shiftX, shiftY: 1 where halved) starts between two chroma samples.
IsoRect IsoCleanAperture(Bytes file, int width, int height, int shiftX, int shiftY);

// The EXIF orientation that does what the primary item's turn (irot, quarter turns
// anticlockwise) and then mirror (imir: axis 0 exchanges top and bottom, 1 left and right)
// do; 0 when it has neither.
int IsoTransformOrientation(Bytes file);

}  // namespace pictures

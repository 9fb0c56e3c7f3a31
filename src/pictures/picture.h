// A picture as the core reads it from a file and hands it on to be shown and saved.
#pragma once

#include <string>

#include "pictures/image.h"

namespace pictures {

// What a file says about its picture besides the pixels, carried to the files the
// picture is saved as.
struct Metadata {
    std::string icc;   // the embedded colour profile; empty means sRGB
    std::string exif;  // EXIF as a TIFF structure, orientation 1, without a thumbnail
    std::string xmp;   // the XMP packet
    bool lossless = false;  // the file was in a lossless format
};

struct Picture {
    Image image;  // upright, as the file holds the colours (in its profile)
    Image shown;  // the same in sRGB when the profile is another; null when image is sRGB
    Metadata metadata;

    // The pixels in sRGB, as the screen shows them.
    const Image& Srgb() const { return shown.Null() ? image : shown; }
};

}  // namespace pictures

// Colour profiles: pictures converted to sRGB with Little CMS, for the screen and for the
// formats that hold no profile.
#pragma once

#include <string>

#include "pictures/budget.h"
#include "pictures/image.h"

namespace pictures {

// Whether an ICC profile describes sRGB (its primaries and tone curves match sRGB's), so
// that its pixels need no conversion.
bool IsSrgbProfile(const std::string& icc);

// The picture's pixels converted from the ICC profile to sRGB; a null image when the
// profile is empty, is sRGB already, or cannot be used (the pixels are then taken as sRGB).
Image ConvertedToSrgb(const Image& image, const std::string& icc, Budget& budget);

}  // namespace pictures

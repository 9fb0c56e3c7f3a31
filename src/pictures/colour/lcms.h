// Little CMS handles owned, and the profiles the colour conversions start from.
#pragma once

#include <lcms2.h>

#include <memory>

#include "pictures/colour/space.h"

namespace pictures {

using LcmsProfile = std::unique_ptr<void, decltype(&cmsCloseProfile)>;
using LcmsTransform = std::unique_ptr<void, decltype(&cmsDeleteTransform)>;

// The profile of an RGB colour space: its ICC profile when it has one, else one made of
// its primaries and curve; with linear set, of its primaries and linear curves (for
// samples brought to linear light already). Null when unusable or not RGB.
LcmsProfile SourceProfile(const ColourSpace& space, bool linear = false);

// A transform from the profile to sRGB between the two pixel layouts; null when Little
// CMS refuses them.
LcmsTransform TransformToSrgb(void* source, cmsUInt32Number inFormat, cmsUInt32Number outFormat,
                              cmsUInt32Number flags = 0);

}  // namespace pictures

// Colour profiles: turning a picture's colours into sRGB, for the screen and for the
// formats that hold no profile.
#pragma once

#include <QByteArray>
#include <QImage>

namespace rt {

// The picture's pixels converted from the ICC profile to sRGB; a null image when the
// profile is empty, is sRGB already, or cannot be used (the pixels are then taken as sRGB).
QImage ConvertedToSrgb(const QImage& image, const QByteArray& iccProfile);

}  // namespace rt

// Colour profiles on the Qt side: a QImage's pixels converted to sRGB by the picture core.
#pragma once

#include <QByteArray>
#include <QImage>

namespace rt {

// The picture's pixels converted from the ICC profile to sRGB; a null image when the
// profile is empty, is sRGB already, or cannot be used (the pixels are then taken as sRGB).
QImage ConvertedToSrgb(const QImage& image, const QByteArray& iccProfile);

}  // namespace rt

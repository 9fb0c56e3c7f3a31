#include "runtime/qt/picture_colour.h"

#include <memory>

#include "pictures/colour/srgb.h"
#include "runtime/qt/picture_data.h"

namespace rt {

QImage ConvertedToSrgb(const QImage& image, const QByteArray& iccProfile) {
    if (iccProfile.isEmpty() || image.isNull()) return {};
    const bool alpha = image.hasAlphaChannel();
    auto kept = std::make_shared<QImage>(
        image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32));  // shared, not copied, when it is
    const pictures::Image source =
        pictures::Image::Adopt(reinterpret_cast<uint32_t*>(const_cast<uchar*>(kept->constBits())), kept->width(),
                               kept->height(), ptrdiff_t(kept->bytesPerLine()), alpha, kept);
    // The memory bound is for reading a file; this copy is for the screen.
    pictures::Budget unbounded(int64_t(1) << 62);
    QImage out = WrappedImage(pictures::ConvertedToSrgb(source, iccProfile.toStdString(), unbounded));
    if (!out.isNull()) {
        out.setDotsPerMeterX(image.dotsPerMeterX());
        out.setDotsPerMeterY(image.dotsPerMeterY());
    }
    return out;
}

}  // namespace rt

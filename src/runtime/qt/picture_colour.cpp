#include "runtime/qt/picture_colour.h"

#include <QColorSpace>
#include <lcms2.h>
#include <memory>

// Qt's own transform serves the matrix-and-curve profiles almost every camera and editor
// writes, and is three to five times faster than Little CMS on a large picture; Little
// CMS takes the profiles Qt cannot read (table-based ones).

namespace rt {

namespace {

QImage WithLittleCms(const QImage& image, const QByteArray& iccProfile) {
    using Profile = std::unique_ptr<void, decltype(&cmsCloseProfile)>;
    const Profile source(cmsOpenProfileFromMem(iccProfile.constData(), cmsUInt32Number(iccProfile.size())),
                         &cmsCloseProfile);
    const Profile srgb(cmsCreate_sRGBProfile(), &cmsCloseProfile);
    if (!source || !srgb || cmsGetColorSpace(source.get()) != cmsSigRgbData) return {};
    const std::unique_ptr<void, decltype(&cmsDeleteTransform)> transform(
        cmsCreateTransform(source.get(), TYPE_BGRA_8, srgb.get(), TYPE_BGRA_8, INTENT_PERCEPTUAL, cmsFLAGS_COPY_ALPHA),
        &cmsDeleteTransform);
    if (!transform) return {};
    QImage out(image.size(), image.format());
    if (out.isNull()) return {};
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    cmsDoTransformLineStride(transform.get(), image.constBits(), out.bits(), cmsUInt32Number(image.width()),
                             cmsUInt32Number(image.height()), cmsUInt32Number(image.bytesPerLine()),
                             cmsUInt32Number(out.bytesPerLine()), 0, 0);
    return out;
}

}  // namespace

QImage ConvertedToSrgb(const QImage& image, const QByteArray& iccProfile) {
    if (iccProfile.isEmpty() || image.isNull()) return {};
    const QColorSpace space = QColorSpace::fromIccProfile(iccProfile);
    if (space == QColorSpace(QColorSpace::SRgb)) return {};
    // The pixels are 4-byte BGRA in memory (RGB32 and ARGB32 on a little-endian machine).
    if (!space.isValid()) return WithLittleCms(image, iccProfile);
    QImage tagged = image;
    tagged.setColorSpace(space);
    QImage out = tagged.convertedToColorSpace(QColorSpace::SRgb);
    out.setColorSpace(QColorSpace());
    return out;
}

}  // namespace rt

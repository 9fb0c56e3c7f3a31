#include "pictures/colour/srgb.h"

#include <lcms2.h>

#include <cmath>
#include <memory>

#include "pictures/colour/halves.h"

namespace pictures {

namespace {

using Profile = std::unique_ptr<void, decltype(&cmsCloseProfile)>;
using Transform = std::unique_ptr<void, decltype(&cmsDeleteTransform)>;

Profile Open(const std::string& icc) {
    return Profile(cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size())), &cmsCloseProfile);
}

bool Near(double a, double b) { return std::fabs(a - b) < 0.002; }

}  // namespace

bool IsSrgbProfile(const std::string& icc) {
    const Profile profile = Open(icc);
    const Profile srgb(cmsCreate_sRGBProfile(), &cmsCloseProfile);
    if (!profile || !srgb || cmsGetColorSpace(profile.get()) != cmsSigRgbData || !cmsIsMatrixShaper(profile.get()))
        return false;
    for (const cmsTagSignature tag : {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag}) {
        const auto* a = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile.get(), tag));
        const auto* b = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb.get(), tag));
        if (!a || !b || !Near(a->X, b->X) || !Near(a->Y, b->Y) || !Near(a->Z, b->Z)) return false;
    }
    for (const cmsTagSignature tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag}) {
        const auto* a = static_cast<const cmsToneCurve*>(cmsReadTag(profile.get(), tag));
        const auto* b = static_cast<const cmsToneCurve*>(cmsReadTag(srgb.get(), tag));
        if (!a || !b) return false;
        for (int i = 0; i <= 16; ++i)
            if (!Near(cmsEvalToneCurveFloat(a, float(i / 16.0)), cmsEvalToneCurveFloat(b, float(i / 16.0)))) return false;
    }
    return true;
}

Image ConvertedToSrgb(const Image& image, const std::string& icc, Budget& budget) {
    if (icc.empty() || image.Null() || IsSrgbProfile(icc)) return {};
    const Profile source = Open(icc);
    const Profile srgb(cmsCreate_sRGBProfile(), &cmsCloseProfile);
    if (!source || !srgb || cmsGetColorSpace(source.get()) != cmsSigRgbData) return {};
    const Transform transform(cmsCreateTransform(source.get(), TYPE_BGRA_8, srgb.get(), TYPE_BGRA_8,
                                                 INTENT_PERCEPTUAL, cmsFLAGS_COPY_ALPHA),
                              &cmsDeleteTransform);
    if (!transform) return {};
    Image out = Image::New(image.Width(), image.Height(), image.HasAlpha(), budget);
    out.dotsPerMeterX = image.dotsPerMeterX;
    out.dotsPerMeterY = image.dotsPerMeterY;
    // A transform may be used by several threads at once (each call keeps its own cache).
    InTwoHalves(image.Width(), image.Height(), [&](int, int first, int end) {
        cmsDoTransformLineStride(transform.get(), image.Row(first), out.Row(first), cmsUInt32Number(image.Width()),
                                 cmsUInt32Number(end - first), cmsUInt32Number(image.Stride()),
                                 cmsUInt32Number(out.Stride()), 0, 0);
    });
    return out;
}

}  // namespace pictures

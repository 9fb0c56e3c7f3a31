#include "pictures/colour/space.h"

#include "pictures/colour/lcms.h"
#include "pictures/colour/srgb.h"

namespace pictures {

namespace {

constexpr double kD65[2] = {0.3127, 0.3290};

Chromaticities WithD65(double rx, double ry, double gx, double gy, double bx, double by) {
    return {{rx, ry}, {gx, gy}, {bx, by}, {kD65[0], kD65[1]}};
}

bool Same(const Chromaticities& a, const Chromaticities& b) {
    const double* p = &a.red[0];
    const double* q = &b.red[0];
    for (int i = 0; i < 8; ++i)
        if (p[i] - q[i] > 0.0005 || q[i] - p[i] > 0.0005) return false;
    return true;
}

}  // namespace

Chromaticities CicpPrimaries(int code) {
    switch (code) {
    case 5: return WithD65(0.64, 0.33, 0.29, 0.60, 0.15, 0.06);
    case 6:
    case 7: return WithD65(0.630, 0.340, 0.310, 0.595, 0.155, 0.070);
    case 9: return WithD65(0.708, 0.292, 0.170, 0.797, 0.131, 0.046);
    case 11: return {{0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}, {0.314, 0.351}};
    case 12: return WithD65(0.680, 0.320, 0.265, 0.690, 0.150, 0.060);
    case 22: return WithD65(0.630, 0.340, 0.295, 0.605, 0.155, 0.077);
    default: return ColourSpace().primaries;
    }
}

Transfer CicpTransfer(int code, double* gamma) {
    switch (code) {
    case 4: *gamma = 2.2; return Transfer::Gamma;
    case 5: *gamma = 2.8; return Transfer::Gamma;
    case 8: return Transfer::Linear;
    case 16: return Transfer::Pq;
    case 18: return Transfer::Hlg;
    default: return Transfer::Srgb;
    }
}

ColourSpace CicpSpace(int primaries, int transfer, std::string icc) {
    ColourSpace space;
    space.icc = std::move(icc);
    space.primaries = CicpPrimaries(primaries);
    space.transfer = CicpTransfer(transfer, &space.gamma);
    return space;
}

bool ColourSpace::IsSrgb() const {
    if (Hdr()) return false;
    if (!icc.empty()) return IsSrgbProfile(icc);
    return transfer == Transfer::Srgb && Same(primaries, ColourSpace().primaries);
}

LcmsProfile SourceProfile(const ColourSpace& space, bool linear) {
    if (!space.icc.empty() && !space.Hdr() && !linear) {
        LcmsProfile profile(cmsOpenProfileFromMem(space.icc.data(), cmsUInt32Number(space.icc.size())),
                            &cmsCloseProfile);
        if (profile && cmsGetColorSpace(profile.get()) != cmsSigRgbData) profile.reset();
        return profile;
    }
    // sRGB's curve: linear near black, then a 2.4 power.
    const double srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = nullptr;
    if (linear || space.transfer == Transfer::Linear) curve = cmsBuildGamma(nullptr, 1.0);
    else if (space.transfer == Transfer::Gamma) curve = cmsBuildGamma(nullptr, space.gamma);
    else curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
    if (!curve) return LcmsProfile(nullptr, &cmsCloseProfile);
    const Chromaticities& c = space.primaries;
    const cmsCIExyY white{c.white[0], c.white[1], 1.0};
    const cmsCIExyYTRIPLE primaries{{c.red[0], c.red[1], 1.0}, {c.green[0], c.green[1], 1.0}, {c.blue[0], c.blue[1], 1.0}};
    cmsToneCurve* const curves[3] = {curve, curve, curve};
    LcmsProfile profile(cmsCreateRGBProfile(&white, &primaries, curves), &cmsCloseProfile);
    cmsFreeToneCurve(curve);
    return profile;
}

LcmsTransform TransformToSrgb(void* source, cmsUInt32Number inFormat, cmsUInt32Number outFormat,
                              cmsUInt32Number flags) {
    const LcmsProfile srgb(cmsCreate_sRGBProfile(), &cmsCloseProfile);
    if (!source || !srgb) return LcmsTransform(nullptr, &cmsDeleteTransform);
    return LcmsTransform(cmsCreateTransform(source, inFormat, srgb.get(), outFormat, INTENT_PERCEPTUAL, flags),
                         &cmsDeleteTransform);
}

}  // namespace pictures

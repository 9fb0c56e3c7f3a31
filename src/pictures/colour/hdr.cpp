#include "pictures/colour/hdr.h"

#include <algorithm>
#include <cmath>

namespace pictures {

namespace {

constexpr double kReferenceWhite = 203;  // cd/m2: HDR's diffuse white
constexpr double kPeak = 1000;           // cd/m2: the display HLG is made for, and PQ mapped from
constexpr double kWhite = kPeak / kReferenceWhite;

// SMPTE ST 2084: a code value (0 to 1) to display light in cd/m2.
double PqLight(double code) {
    constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128;
    constexpr double c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32, c3 = 2392.0 / 4096 * 32;
    const double p = std::pow(code, 1 / m2);
    return 10000 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1 / m1);
}

// BT.2100 HLG's inverse OETF: a code value (0 to 1) to scene light (0 to 1).
double HlgSceneLight(double code) {
    constexpr double a = 0.17883277, b = 0.28466892, c = 0.55991073;
    if (code <= 0.5) return code * code / 3;
    return (std::exp((code - c) / a) + b) / 12;
}

}  // namespace

ToneMapper::ToneMapper(const ColourSpace& space, int bits) : hlg_(space.transfer == Transfer::Hlg) {
    const unsigned levels = 1u << bits;
    light_.resize(levels);
    for (unsigned v = 0; v < levels; ++v) {
        const double code = double(v) / (levels - 1);
        light_[v] = float(hlg_ ? HlgSceneLight(code) : PqLight(code));
    }
}

void ToneMapper::Map(unsigned r, unsigned g, unsigned b, float* out) const {
    float c[3] = {light_[r], light_[g], light_[b]};
    if (hlg_) {
        // The OOTF: display light from scene light, by the scene's luminance (BT.2020
        // weights) to the power 1.2 - 1 (BT.2100's system gamma for a 1000 cd/m2 display).
        const double ys = 0.2627 * c[0] + 0.6780 * c[1] + 0.0593 * c[2];
        const float gain = ys > 0 ? float(kPeak * std::pow(ys, 0.2)) : 0.0f;
        for (float& v : c) v *= gain;
    }
    const double m = std::max({c[0], c[1], c[2]}) / kReferenceWhite;
    if (m <= 0) {
        out[0] = out[1] = out[2] = 0;
        return;
    }
    const double mapped = std::min(1.0, m * (1 + m / (kWhite * kWhite)) / (1 + m));
    const float scale = float(mapped / m / kReferenceWhite);
    for (int i = 0; i < 3; ++i) out[i] = std::min(1.0f, c[i] * scale);
}

}  // namespace pictures

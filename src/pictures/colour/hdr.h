// HDR samples (PQ or HLG) tone-mapped to SDR linear light, ready for the primaries'
// conversion to sRGB.
//
// The operator: samples to display light in cd/m2 (PQ's EOTF; HLG's inverse OETF and its
// OOTF for a 1000 cd/m2 display), divided by the 203 cd/m2 of HDR reference white, then
// each pixel scaled by T(m)/m, m its largest component, with the extended Reinhard curve
//   T(x) = x (1 + x / W^2) / (1 + x),  W = 1000 / 203,
// which keeps hues, leaves dark tones near linear, takes reference white to 0.52 (0.75 in
// sRGB's curve, room kept for highlights) and 1000 cd/m2 to SDR white; brighter clips.
#pragma once

#include <cstdint>
#include <vector>

#include "pictures/colour/space.h"

namespace pictures {

class ToneMapper {
public:
    // For samples of `bits` bits (8 to 16) in an HDR colour space.
    ToneMapper(const ColourSpace& space, int bits);
    // Bytes its table takes.
    static double Cost(int bits) { return double(1 << bits) * sizeof(float); }

    // One pixel's code values (each at most 2^bits - 1) to linear SDR light, 0 to 1.
    void Map(unsigned r, unsigned g, unsigned b, float* out) const;

private:
    std::vector<float> light_;  // code value -> display light (PQ, cd/m2) or scene light (HLG, 0 to 1)
    bool hlg_;
};

}  // namespace pictures

// A picture's colour space as its file describes it: an embedded ICC profile, or the
// primaries and transfer curve given as code points (CICP in HEIF and AVIF, the colour
// encoding of JPEG XL).
#pragma once

#include <string>

namespace pictures {

// The CIE xy chromaticities of the red, green and blue primaries and of the white point.
struct Chromaticities {
    double red[2], green[2], blue[2], white[2];
};

enum class Transfer {
    Srgb,    // sRGB's curve; BT.709's and the unspecified ones are shown with it too
    Linear,  // linear light
    Gamma,   // a plain power curve (gamma below)
    Pq,      // SMPTE ST 2084 (HDR): absolute light up to 10000 cd/m2
    Hlg,     // hybrid log-gamma (HDR): light relative to the display's peak
};

struct ColourSpace {
    std::string icc;  // an embedded profile; used before the code points unless they say HDR
    Chromaticities primaries{{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}, {0.3127, 0.3290}};  // sRGB's
    Transfer transfer = Transfer::Srgb;
    double gamma = 2.2;  // the decoding exponent of Transfer::Gamma

    bool Hdr() const { return transfer == Transfer::Pq || transfer == Transfer::Hlg; }
    // Whether the samples are sRGB already, so that they need no conversion.
    bool IsSrgb() const;
};

// The chromaticities of a CICP colour primaries code point (1 BT.709/sRGB, 5 and 6 the
// BT.601 ones, 9 BT.2020, 11 DCI-P3, 12 Display P3, 22 EBU 3213); sRGB's for any other.
Chromaticities CicpPrimaries(int code);
// The curve of a CICP transfer characteristics code point (8 linear, 4 gamma 2.2, 5 gamma
// 2.8, 16 PQ, 18 HLG); sRGB's for the SDR ones (1, 6, 13, 14, 15) and any other.
Transfer CicpTransfer(int code, double* gamma);
// The colour space the CICP code points describe, with the profile when there is one.
ColourSpace CicpSpace(int primaries, int transfer, std::string icc = {});

}  // namespace pictures

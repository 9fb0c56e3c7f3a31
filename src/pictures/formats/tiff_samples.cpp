#include "pictures/formats/tiff_samples.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "pictures/failure.h"
#include "pictures/image.h"

namespace pictures::tiff {

namespace {

float HalfToFloat(uint16_t h) {
    const int exponent = (h >> 10) & 31, mantissa = h & 1023;
    const float magnitude = exponent == 0    ? std::ldexp(float(mantissa), -24)
                            : exponent == 31 ? (mantissa ? NAN : INFINITY)
                                             : std::ldexp(float(1024 + mantissa), exponent - 25);
    return h & 0x8000 ? -magnitude : magnitude;
}

// A floating-point sample of 0 to 1 as 0 to 65535; outside that range it is clamped.
uint16_t FromUnit(double v) { return v >= 1 ? 65535 : v > 0 ? uint16_t(v * 65535 + 0.5) : 0; }

uint16_t FloatSample(const uint8_t* row, int bits, size_t index) {
    if (bits == 16) {
        uint16_t h;
        std::memcpy(&h, row + index * 2, 2);
        return FromUnit(HalfToFloat(h));
    }
    if (bits == 32) {
        float f;
        std::memcpy(&f, row + index * 4, 4);
        return FromUnit(f);
    }
    double d;
    std::memcpy(&d, row + index * 8, 8);
    return FromUnit(d);
}

using Profile = std::unique_ptr<void, decltype(&cmsCloseProfile)>;

}  // namespace

int Layout::ColourSamples() const {
    switch (colours) {
    case Colours::Rgb:
    case Colours::Lab:
    case Colours::IccLab: return 3;
    case Colours::Cmyk: return 4;
    default: return 1;
    }
}

void Unpack(const uint8_t* row, const Layout& layout, size_t first, size_t step, int count, uint16_t* out,
            size_t outStep) {
    const int bits = layout.bits;
    size_t index = first;
    for (int i = 0; i < count; ++i, index += step, out += outStep) {
        if (layout.floating) {
            *out = FloatSample(row, bits, index);
        } else if (bits == 8) {
            *out = row[index];
        } else if (bits == 16) {
            std::memcpy(out, row + index * 2, 2);
        } else {
            const size_t bit = index * size_t(bits);
            const uint8_t* b = row + bit / 8;
            const uint32_t word = uint32_t(b[0]) << 16 | uint32_t(b[1]) << 8 | b[2];
            *out = uint16_t((word >> (24 - bits - int(bit % 8))) & ((1u << bits) - 1));
        }
    }
}

bool Fits8Bits(const Layout& layout) {
    return layout.bits == 8 && !layout.floating &&
           (layout.colours == Colours::Grey || layout.colours == Colours::GreyInverted || layout.colours == Colours::Rgb);
}

void Convert8(const uint8_t* row, const Layout& layout, int count, uint32_t* out) {
    const size_t step = size_t(layout.samples);
    const bool rgb = layout.colours == Colours::Rgb, inverted = layout.colours == Colours::GreyInverted;
    const int colours = rgb ? 3 : 1;
    const bool alpha = layout.alpha >= 0, associated = alpha && layout.associated;
    for (int i = 0; i < count; ++i, row += step) {
        unsigned c[3] = {row[0], rgb ? row[1] : 0u, rgb ? row[2] : 0u};
        const unsigned a = alpha ? row[colours] : 255;
        if (associated) {
            // As PixelConverter does it, at 16 bits, so that the pixels are the same.
            const uint32_t a16 = a * 257u;
            for (int k = 0; k < colours; ++k)
                c[k] = a16 == 0 ? 0 : To8Bits(std::min<uint32_t>(65535, (c[k] * 257u * 65535u + a16 / 2) / a16), 16);
        }
        if (!rgb) c[0] = c[1] = c[2] = inverted ? 255u - c[0] : c[0];
        out[i] = Argb(c[0], c[1], c[2], a);
    }
}

PixelConverter::PixelConverter(const Layout& layout, const std::vector<uint16_t>& palette,
                               const std::string& cmykProfile)
    : layout_(layout), palette_(palette) {
    const bool lab = layout.colours == Colours::Lab || layout.colours == Colours::IccLab;
    if (!lab && layout.colours != Colours::Cmyk) return;
    Profile source(nullptr, &cmsCloseProfile);
    if (lab) {
        source.reset(cmsCreateLab4Profile(nullptr));
    } else if (!cmykProfile.empty()) {
        source.reset(cmsOpenProfileFromMem(cmykProfile.data(), cmsUInt32Number(cmykProfile.size())));
        if (source && cmsGetColorSpace(source.get()) != cmsSigCmykData) source.reset();
    }
    if (!source) return;  // CMYK without a usable profile: ink by ink
    const Profile srgb(cmsCreate_sRGBProfile(), &cmsCloseProfile);
    const cmsUInt32Number input =
        lab ? TYPE_Lab_DBL
            : cmsUInt32Number(COLORSPACE_SH(PT_CMYK) | CHANNELS_SH(4) | BYTES_SH(2) | EXTRA_SH(layout.Values() - 4));
    transform_ = srgb ? cmsCreateTransform(source.get(), input, srgb.get(), TYPE_BGRA_8, INTENT_PERCEPTUAL, 0) : nullptr;
    if (!transform_ && lab) Fail(Failure::Damaged, u"its Lab colours cannot be converted");
}

PixelConverter::~PixelConverter() {
    if (transform_) cmsDeleteTransform(transform_);
}

uint16_t PixelConverter::Scaled(uint16_t value) const {
    if (layout_.floating || layout_.bits == 16) return value;
    const uint32_t max = (1u << layout_.bits) - 1;
    return uint16_t((value * 65535u + max / 2) / max);
}

void PixelConverter::Convert(uint16_t* values, int count, uint32_t* out) {
    const int colours = layout_.ColourSamples(), n = layout_.Values();
    const bool alpha = layout_.alpha >= 0;
    // Palette indices and Lab values are taken as stored; the rest is scaled to 16 bits.
    const bool raw = layout_.colours == Colours::Palette || layout_.colours == Colours::Lab ||
                     layout_.colours == Colours::IccLab;
    for (int i = 0; i < count; ++i) {
        uint16_t* v = values + size_t(i) * size_t(n);
        if (alpha) v[colours] = Scaled(v[colours]);
        if (raw) continue;
        for (int c = 0; c < colours; ++c) v[c] = Scaled(v[c]);
        if (alpha && layout_.associated) {
            const uint32_t a = v[colours];
            for (int c = 0; c < colours; ++c)
                v[c] = a == 0 ? 0 : uint16_t(std::min<uint32_t>(65535, (v[c] * 65535u + a / 2) / a));
        }
    }
    if (transform_) {
        Transformed(values, count, out);
    } else {
        for (int i = 0; i < count; ++i) {
            const uint16_t* v = values + size_t(i) * size_t(n);
            switch (layout_.colours) {
            case Colours::Grey:
            case Colours::GreyInverted: {
                const uint8_t g = To8Bits(layout_.colours == Colours::Grey ? v[0] : 65535 - v[0], 16);
                out[i] = Argb(g, g, g);
                break;
            }
            case Colours::Palette: {
                const size_t entries = palette_.size() / 3, at = v[0] < entries ? v[0] : 0;
                out[i] = Argb(To8Bits(palette_[at], 16), To8Bits(palette_[entries + at], 16),
                              To8Bits(palette_[2 * entries + at], 16));
                break;
            }
            case Colours::Cmyk: {
                // Ink by ink: each colour is what its ink and the black leave of white.
                const uint32_t white = 65535u - v[3];
                const auto left = [white](uint16_t ink) { return To8Bits((65535u - ink) * white / 65535u, 16); };
                out[i] = Argb(left(v[0]), left(v[1]), left(v[2]));
                break;
            }
            default: out[i] = Argb(To8Bits(v[0], 16), To8Bits(v[1], 16), To8Bits(v[2], 16)); break;
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        const unsigned a = alpha ? To8Bits(values[size_t(i) * size_t(n) + size_t(colours)], 16) : 255;
        out[i] = (out[i] & 0xFFFFFFu) | uint32_t(a) << 24;
    }
}

void PixelConverter::Transformed(const uint16_t* values, int count, uint32_t* out) {
    const int n = layout_.Values();
    if (layout_.colours == Colours::Cmyk) {
        cmsDoTransform(transform_, values, out, cmsUInt32Number(count));
        return;
    }
    // TIFF's CIE Lab has signed a and b; the ICC's form has them offset by 128.
    lab_.resize(size_t(count) * 3);
    const bool wide = layout_.bits == 16, icc = layout_.colours == Colours::IccLab;
    for (int i = 0; i < count; ++i) {
        const uint16_t* v = values + size_t(i) * size_t(n);
        double* lab = lab_.data() + size_t(i) * 3;
        lab[0] = v[0] * 100.0 / (wide ? 65535 : 255);
        for (int c = 1; c < 3; ++c)
            lab[c] = icc ? (wide ? v[c] / 256.0 : v[c]) - 128 : wide ? int16_t(v[c]) / 256.0 : int8_t(v[c]);
    }
    // Lab relative to another white than the ICC's D50 is adapted to it first (Bradford).
    const cmsCIExyY whiteXyY = {layout_.white[0], layout_.white[1], 1.0};
    cmsCIEXYZ white;
    cmsxyY2XYZ(&white, &whiteXyY);
    if (std::fabs(white.X - cmsD50_XYZ()->X) > 1e-3 || std::fabs(white.Z - cmsD50_XYZ()->Z) > 1e-3)
        for (int i = 0; i < count; ++i) {
            cmsCIELab* lab = reinterpret_cast<cmsCIELab*>(lab_.data() + size_t(i) * 3);
            cmsCIEXYZ xyz, adapted;
            cmsLab2XYZ(&white, &xyz, lab);
            cmsAdaptToIlluminant(&adapted, &white, cmsD50_XYZ(), &xyz);
            cmsXYZ2Lab(cmsD50_XYZ(), lab, &adapted);
        }
    cmsDoTransform(transform_, lab_.data(), out, cmsUInt32Number(count));
}

}  // namespace pictures::tiff

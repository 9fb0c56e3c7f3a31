#include "pictures/colour/samples.h"

#include <cstring>
#include <optional>
#include <vector>

#include "pictures/colour/halves.h"
#include "pictures/colour/hdr.h"
#include "pictures/colour/lcms.h"

namespace pictures {

namespace {

enum class Path {
    Plain,  // sRGB already: rounded to 8 bits
    Sdr,    // widened to 16 bits, converted by Little CMS to 8-bit sRGB
    Hdr,    // tone-mapped to linear light in floats, converted by Little CMS to 8-bit sRGB
};

class Reader {
public:
    explicit Reader(const Samples& s) : bytes_(s.bytes), bits_(s.bytes == 1 ? 8 : s.bits), max_((1u << bits_) - 1) {}

    int Bits() const { return bits_; }
    // The i-th sample of a row, at most the largest value its bits hold.
    unsigned At(const uint8_t* row, size_t i) const {
        if (bytes_ == 1) return row[i];
        uint16_t v;
        std::memcpy(&v, row + 2 * i, 2);
        return v < max_ ? v : max_;
    }
    uint8_t To8(unsigned v) const { return bytes_ == 1 ? uint8_t(v) : To8Bits(v, bits_); }
    uint16_t To16(unsigned v) const { return uint16_t(bits_ == 16 ? v : (v * 65535u + max_ / 2) / max_); }

private:
    int bytes_, bits_;
    unsigned max_;
};

}  // namespace

void SamplesToSrgb(const Samples& samples, const ColourSpace& space, Image& out, Budget& budget) {
    const Reader reader(samples);
    const int width = samples.width, channels = samples.channels;
    Path path = Path::Plain;
    LcmsTransform transform(nullptr, &cmsDeleteTransform);
    if (space.Hdr()) {
        const LcmsProfile profile = SourceProfile(space, true);
        transform = TransformToSrgb(profile.get(), TYPE_RGB_FLT, TYPE_BGRA_8);
        if (transform) path = Path::Hdr;
    } else if (!space.IsSrgb()) {
        const LcmsProfile profile = SourceProfile(space);
        transform = TransformToSrgb(profile.get(), TYPE_RGB_16, TYPE_BGRA_8);
        if (transform) path = Path::Sdr;
    }

    // A row of widened samples or of linear light for each half of the picture.
    std::optional<ToneMapper> mapper;
    std::vector<uint16_t> wide[2];
    std::vector<float> light[2];
    if (path == Path::Hdr) {
        budget.Take(ToneMapper::Cost(reader.Bits()) + 2.0 * width * 3 * sizeof(float));
        mapper.emplace(space, reader.Bits());
        for (auto& row : light) row.resize(size_t(width) * 3);
    } else if (path == Path::Sdr) {
        budget.Take(2.0 * width * 3 * sizeof(uint16_t));
        for (auto& row : wide) row.resize(size_t(width) * 3);
    }

    InTwoHalves(width, samples.height, [&](int half, int first, int end) {
        for (int y = first; y < end; ++y) {
            const uint8_t* in = samples.Row(y);
            uint32_t* row = out.Row(y);
            for (int x = 0; x < width; ++x) {
                const size_t at = size_t(x) * size_t(channels);
                const unsigned r = reader.At(in, at), g = reader.At(in, at + 1), b = reader.At(in, at + 2);
                const unsigned a = channels == 4 ? reader.To8(reader.At(in, at + 3)) : 255;
                switch (path) {
                case Path::Plain: row[x] = Argb(reader.To8(r), reader.To8(g), reader.To8(b), a); break;
                case Path::Sdr: {
                    uint16_t* w = &wide[half][size_t(x) * 3];
                    w[0] = reader.To16(r), w[1] = reader.To16(g), w[2] = reader.To16(b);
                    row[x] = uint32_t(a) << 24;  // Little CMS writes the colour, leaves alpha
                    break;
                }
                case Path::Hdr:
                    mapper->Map(r, g, b, &light[half][size_t(x) * 3]);
                    row[x] = uint32_t(a) << 24;
                    break;
                }
            }
            if (path == Path::Sdr) cmsDoTransform(transform.get(), wide[half].data(), row, cmsUInt32Number(width));
            if (path == Path::Hdr) cmsDoTransform(transform.get(), light[half].data(), row, cmsUInt32Number(width));
        }
    });
}

void ConvertToSrgbInPlace(Image& image, const ColourSpace& space) {
    if (space.Hdr() || space.IsSrgb()) return;
    const LcmsProfile profile = SourceProfile(space);
    const LcmsTransform transform = TransformToSrgb(profile.get(), TYPE_BGRA_8, TYPE_BGRA_8);
    if (!transform) return;
    InTwoHalves(image.Width(), image.Height(), [&](int, int first, int end) {
        cmsDoTransformLineStride(transform.get(), image.Row(first), image.Row(first), cmsUInt32Number(image.Width()),
                                 cmsUInt32Number(end - first), cmsUInt32Number(image.Stride()),
                                 cmsUInt32Number(image.Stride()), 0, 0);
    });
}

}  // namespace pictures

#include "pictures/formats/yuv_to_rgb.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace pictures {

namespace {

// How one pixel's R, G and B follow from Y and the centred Cb and Cr.
struct Matrix {
    enum Kind { Weights, Identity, YCgCo } kind = Weights;
    float crToR = 0, cbToG = 0, crToG = 0, cbToB = 0;
};

Matrix MatrixFor(int code) {
    double kr = 0.299, kb = 0.114;  // BT.601 (5, 6), and any code not known
    switch (code) {
        case 0: return {Matrix::Identity};
        case 8: return {Matrix::YCgCo};
        case 1: kr = 0.2126, kb = 0.0722; break;  // BT.709
        case 4: kr = 0.30, kb = 0.11; break;      // FCC
        case 7: kr = 0.212, kb = 0.087; break;    // SMPTE 240M
        case 9:
        case 10: kr = 0.2627, kb = 0.0593; break;  // BT.2020
        default: break;
    }
    const double kg = 1 - kr - kb;
    return {Matrix::Weights, float(2 - 2 * kr), float(-2 * kb * (1 - kb) / kg), float(-2 * kr * (1 - kr) / kg),
            float(2 - 2 * kb)};
}

// A sample, its bits past the plane's depth dropped (the tables have one level for each).
unsigned Sample(const uint8_t* row, int x, bool wide, unsigned mask) {
    return (wide ? reinterpret_cast<const uint16_t*>(row)[x] : row[x]) & mask;
}

// Each code value of a plane as a fraction of its range (centred on 0 for chroma).
std::vector<float> Levels(int bits, bool fullRange, bool chroma) {
    const double max = (1 << bits) - 1, scale = double(1 << (bits - 8));
    const double offset = chroma ? double(1 << (bits - 1)) : fullRange ? 0 : 16 * scale;
    const double range = fullRange ? max : (chroma ? 224 : 219) * scale;
    std::vector<float> levels(size_t(1) << bits);
    for (size_t i = 0; i < levels.size(); ++i) levels[i] = float((double(i) - offset) / range);
    return levels;
}

// Calls put(x, y, r, g, b, a) for every pixel of rows from `first` to before `last`, each
// component from 0 to 1.
// The tables are made before any thread starts, so that none of them allocates.
struct Tables {
    Matrix matrix;
    std::vector<float> luma, chroma;
    std::vector<std::vector<float>> rows;  // two chroma rows for each thread
};

template <typename Put>
void ConvertRows(const YuvPlanes& p, const Tables& tables, std::vector<float>& cbRow, std::vector<float>& crRow,
                 int first, int last, Put put) {
    const bool wide = p.bits > 8, wideAlpha = p.alphaBits > 8;
    const Matrix& matrix = tables.matrix;
    const bool identity = matrix.kind == Matrix::Identity;
    const std::vector<float>&luma = tables.luma, &chroma = tables.chroma;
    const unsigned mask = (1u << p.bits) - 1, alphaMask = (1u << p.alphaBits) - 1;
    const float alphaMax = float(alphaMask);
    const int chromaWidth = (p.width + p.shiftX) >> p.shiftX, chromaHeight = (p.height + p.shiftY) >> p.shiftY;
    for (int y = first; y < last; ++y) {
        const uint8_t* yRow = p.y + p.yStride * y;
        const uint8_t* aRow = p.alpha ? p.alpha + p.alphaStride * y : nullptr;
        if (p.cb) {
            // The chroma row at this luma row: its nearest, and the next nearest a quarter.
            const int near = y >> p.shiftY;
            const int far = !p.shiftY ? near : std::clamp(y & 1 ? near + 1 : near - 1, 0, chromaHeight - 1);
            const uint8_t *cb0 = p.cb + p.chromaStride * near, *cb1 = p.cb + p.chromaStride * far;
            const uint8_t *cr0 = p.cr + p.chromaStride * near, *cr1 = p.cr + p.chromaStride * far;
            for (int x = 0; x < chromaWidth; ++x) {
                cbRow[size_t(x)] = 0.75f * chroma[Sample(cb0, x, wide, mask)] + 0.25f * chroma[Sample(cb1, x, wide, mask)];
                crRow[size_t(x)] = 0.75f * chroma[Sample(cr0, x, wide, mask)] + 0.25f * chroma[Sample(cr1, x, wide, mask)];
            }
        }
        for (int x = 0; x < p.width; ++x) {
            const float l = luma[Sample(yRow, x, wide, mask)];
            float cb = 0, cr = 0;
            if (p.cb) {
                const int near = x >> p.shiftX;
                const int far = !p.shiftX ? near : std::clamp(x & 1 ? near + 1 : near - 1, 0, chromaWidth - 1);
                cb = 0.75f * cbRow[size_t(near)] + 0.25f * cbRow[size_t(far)];
                cr = 0.75f * crRow[size_t(near)] + 0.25f * crRow[size_t(far)];
            }
            float r, g, b;
            if (identity) {
                g = l, b = p.cb ? cb : l, r = p.cb ? cr : l;
            } else if (matrix.kind == Matrix::YCgCo) {  // Cb holds Cg, Cr holds Co
                const float t = l - cb;
                g = l + cb, b = t - cr, r = t + cr;
            } else {
                r = l + matrix.crToR * cr;
                g = l + matrix.cbToG * cb + matrix.crToG * cr;
                b = l + matrix.cbToB * cb;
            }
            float a = aRow ? float(Sample(aRow, x, wideAlpha, alphaMask)) / alphaMax : 1.0f;
            if (p.premultiplied && aRow) {
                const float keep = a > 0 ? 1 / a : 0;
                r *= keep, g *= keep, b *= keep;
            }
            put(x, y, std::clamp(r, 0.0f, 1.0f), std::clamp(g, 0.0f, 1.0f), std::clamp(b, 0.0f, 1.0f), a);
        }
    }
}

// The rows shared among the machine's cores (a 24-megapixel picture takes a quarter of a
// second on one).
template <typename Put>
void Convert(const YuvPlanes& p, Put put) {
    const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    Tables tables;
    tables.matrix = MatrixFor(p.matrix);
    // The identity matrix carries G, B and R in the planes, each with luma's range.
    tables.luma = Levels(p.bits, p.fullRange, false);
    tables.chroma = Levels(p.bits, p.fullRange, tables.matrix.kind != Matrix::Identity);
    tables.rows.assign(size_t(2 * threads), std::vector<float>(size_t((p.width + p.shiftX) >> p.shiftX)));
    const int rows = (p.height + threads - 1) / threads;
    std::vector<std::thread> helpers;
    int first = rows;
    for (int t = 1; t < threads && first < p.height; ++t, first += rows) {
        const auto part = [&, t, first] {
            ConvertRows(p, tables, tables.rows[size_t(2 * t)], tables.rows[size_t(2 * t + 1)], first,
                        std::min(p.height, first + rows), put);
        };
        try {
            helpers.emplace_back(part);
        } catch (const std::system_error&) {
            part();  // no thread to be had: done here
        }
    }
    ConvertRows(p, tables, tables.rows[0], tables.rows[1], 0, std::min(p.height, rows), put);
    for (std::thread& helper : helpers) helper.join();
}

}  // namespace

void YuvToImage(const YuvPlanes& planes, Image& out) {
    const auto level = [](float v) { return uint32_t(v * 255 + 0.5f); };
    Convert(planes, [&](int x, int y, float r, float g, float b, float a) {
        out.Row(y)[x] = level(a) << 24 | level(r) << 16 | level(g) << 8 | level(b);
    });
}

void YuvToSamples16(const YuvPlanes& planes, uint16_t* out, ptrdiff_t stride) {
    const int channels = planes.alpha ? 4 : 3;
    const auto level = [](float v) { return uint16_t(v * 65535 + 0.5f); };
    Convert(planes, [&](int x, int y, float r, float g, float b, float a) {
        uint16_t* to = reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(out) + stride * y) + x * channels;
        to[0] = level(r), to[1] = level(g), to[2] = level(b);
        if (channels == 4) to[3] = level(a);
    });
}

}  // namespace pictures

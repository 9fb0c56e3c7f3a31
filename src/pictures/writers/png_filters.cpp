#include "pictures/writers/png_filters.h"

#include <cstdlib>
#include <cstring>

namespace pictures {

namespace {

// Branch-free predictions, so that the loops vectorise.
inline uint8_t Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

}  // namespace

void FilterRow(int type, const uint8_t* row, const uint8_t* above, size_t n, int bpp, uint8_t* out) {
    *out++ = uint8_t(type);
    const size_t first = size_t(bpp) < n ? size_t(bpp) : n;  // pixels with none to the left
    switch (type) {
    case 0: std::memcpy(out, row, n); break;
    case 1:
        std::memcpy(out, row, first);
        for (size_t i = first; i < n; ++i) out[i] = uint8_t(row[i] - row[i - size_t(bpp)]);
        break;
    case 2:
        for (size_t i = 0; i < n; ++i) out[i] = uint8_t(row[i] - above[i]);
        break;
    case 3:
        for (size_t i = 0; i < first; ++i) out[i] = uint8_t(row[i] - (above[i] >> 1));
        for (size_t i = first; i < n; ++i) out[i] = uint8_t(row[i] - ((row[i - size_t(bpp)] + above[i]) >> 1));
        break;
    default:
        for (size_t i = 0; i < first; ++i) out[i] = uint8_t(row[i] - above[i]);  // Paeth of (0, b, 0) is b
        for (size_t i = first; i < n; ++i)
            out[i] = uint8_t(row[i] - Paeth(row[i - size_t(bpp)], above[i], above[i - size_t(bpp)]));
        break;
    }
}

int CheapestFilter(const uint8_t* row, const uint8_t* above, size_t n, int bpp, uint8_t* scratch) {
    int best = 0;
    uint64_t bestSum = UINT64_MAX;
    for (int type = 0; type < 5; ++type) {
        FilterRow(type, row, above, n, bpp, scratch);
        uint64_t sum = 0;
        for (size_t i = 1; i <= n; ++i) sum += unsigned(std::abs(int(int8_t(scratch[i]))));
        if (sum < bestSum) bestSum = sum, best = type;
    }
    return best;
}

}  // namespace pictures

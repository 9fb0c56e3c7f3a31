// PNG's row filters (none, sub, up, average, Paeth): each row is written as its type byte
// and the differences of its bytes from what the filter predicts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pictures {

// Writes the type byte and the filtered bytes of `row` (n bytes, bpp bytes a pixel) to out;
// `above` is the row before it, zeros for the first row.
void FilterRow(int type, const uint8_t* row, const uint8_t* above, size_t n, int bpp, uint8_t* out);

// The filter whose output has the least sum of magnitudes (as signed bytes), the usual
// guess at what compresses best; scratch holds n + 1 bytes.
int CheapestFilter(const uint8_t* row, const uint8_t* above, size_t n, int bpp, uint8_t* scratch);

}  // namespace pictures

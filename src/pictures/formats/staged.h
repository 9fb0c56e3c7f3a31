// Readers that can decode a picture in two steps into the same pixels: first the rows,
// strips or tiles covering its top-left part (what a pane shows), then the rest, which may
// run on another thread. A FormatReader that can is also a StagedReader; both steps come
// after Measure and ReadMetadata, in place of Decode, and give the pixels Decode gives.
#pragma once

#include <atomic>
#include <cstring>

#include "pictures/budget.h"
#include "pictures/image.h"

namespace pictures {

class StagedReader {
public:
    virtual ~StagedReader() = default;
    // Whether this file is read in two steps. False when it is better read whole: its
    // layout does not allow it, or part of its data lies past the file's end, so that
    // Decode would refuse it as cut short (which must happen before anything is shown).
    virtual bool Stageable() = 0;
    // The picture, its memory taken from the budget, with at least its top-left
    // width x height part decoded (the rest not yet written). Fails as Decode would.
    virtual Image DecodeFirst(Budget& budget, int width, int height) = 0;
    // The rest of the picture, on one thread at a time, with the same budget; stops early
    // once cancel is set. When the data fails, what was not decoded is made transparent
    // and false comes back.
    virtual bool DecodeRest(Image& image, Budget& budget, const std::atomic<bool>& cancel) = 0;
};

// Rows from `from` down, transparent: what a failure left undecoded is never shown as
// whatever memory held.
inline void ClearRows(Image& image, int from) {
    for (int y = from < 0 ? 0 : from; y < image.Height(); ++y) std::memset(image.Row(y), 0, size_t(image.Width()) * 4);
}

}  // namespace pictures

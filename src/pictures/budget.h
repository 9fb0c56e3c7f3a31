// The memory one picture's reading may take, counted as it is taken: every buffer a reader
// makes (pixels, rows, palettes, profiles, metadata, the file's bytes) is taken from the
// budget before it is allocated, and a reader past it fails as too large.
#pragma once

#include <cstdint>

#include "pictures/failure.h"

namespace pictures {

// A cost worked out in floating point, as bytes. Crafted headers can make it larger than
// any integer holds; those are capped far above every memory bound, so they are refused.
inline int64_t CostInBytes(double bytes) { return bytes < 0x1p62 ? (bytes > 0 ? int64_t(bytes) : 0) : int64_t(1) << 62; }

class Budget {
public:
    explicit Budget(int64_t bound) : bound_(bound) {}
    int64_t Bound() const { return bound_; }
    int64_t Used() const { return used_; }
    int64_t Left() const { return bound_ - used_; }
    // Counts bytes about to be allocated; fails as too large when they do not fit.
    void Take(int64_t bytes) {
        if (bytes < 0 || bytes > bound_ - used_) Fail(Failure::TooLarge);
        used_ += bytes;
    }
    void Take(double bytes) { Take(CostInBytes(bytes)); }
    // Gives back what a buffer that is freed again had taken.
    void Give(int64_t bytes) { used_ = bytes > used_ ? 0 : used_ - bytes; }

private:
    int64_t bound_;
    int64_t used_ = 0;
};

}  // namespace pictures

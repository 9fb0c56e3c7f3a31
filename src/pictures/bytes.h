// Reading numbers out of a file's bytes without trusting any offset: every read is checked
// against the end, and a read past it fails as a file that ends early.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pictures/failure.h"

namespace pictures {

// A view of bytes: a whole file, or part of one. The bytes must outlive it.
struct Bytes {
    const uint8_t* data = nullptr;
    size_t size = 0;

    Bytes() = default;
    Bytes(const uint8_t* d, size_t n) : data(d), size(n) {}
    explicit Bytes(std::string_view s) : data(reinterpret_cast<const uint8_t*>(s.data())), size(s.size()) {}

    std::string_view View() const { return {reinterpret_cast<const char*>(data), size}; }
    // The part from `at`, at most n bytes; empty past the end.
    Bytes Sub(size_t at, size_t n = SIZE_MAX) const {
        if (at >= size) return {};
        return {data + at, n < size - at ? n : size - at};
    }
    bool StartsWith(std::string_view prefix) const { return View().substr(0, prefix.size()) == prefix; }
    // Whether n bytes from `at` are all inside, without overflowing.
    bool Has(uint64_t at, uint64_t n) const { return at <= size && n <= size - at; }

    uint8_t U8(size_t at) const { Need(at, 1); return data[at]; }
    uint16_t U16LE(size_t at) const { Need(at, 2); return uint16_t(data[at] | data[at + 1] << 8); }
    uint16_t U16BE(size_t at) const { Need(at, 2); return uint16_t(data[at] << 8 | data[at + 1]); }
    uint32_t U32LE(size_t at) const {
        Need(at, 4);
        return uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 | uint32_t(data[at + 3]) << 24;
    }
    uint32_t U32BE(size_t at) const {
        Need(at, 4);
        return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 | uint32_t(data[at + 3]);
    }
    uint64_t U64BE(size_t at) const { return uint64_t(U32BE(at)) << 32 | U32BE(at + 4); }

private:
    void Need(size_t at, size_t n) const {
        if (!Has(at, n)) Fail(Failure::Truncated);
    }
};

}  // namespace pictures

// One picture format as the core reads it: recognised by content, measured from its header
// before anything is decoded, then decoded. Each format is one module under formats/.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "pictures/budget.h"
#include "pictures/bytes.h"
#include "pictures/image.h"
#include "pictures/picture.h"

namespace pictures {

// The picture a decoder will make, and the most memory decoding it takes (the pixels,
// the decoder's own buffers, the file's bytes it keeps), from the header alone.
struct Cost {
    int width = 0, height = 0;  // as stored, before any turn; 0 when the header tells none
    int64_t bytes = 0;
    bool Valid() const { return width > 0 && height > 0; }
};

class FormatReader {
public:
    virtual ~FormatReader() = default;
    // Reads the header. Fails as damaged or cut short when it cannot be read; a Cost that
    // is not Valid when the header gives no size.
    virtual Cost Measure() = 0;
    // What the file holds besides the pixels (profile, EXIF, XMP, lossless), as stored; read
    // after Measure and before Decode, so that its size counts before decoding.
    virtual Metadata ReadMetadata(Budget&) { return {}; }
    // The EXIF orientation (1 to 8) still to be applied to what Decode gives; readers whose
    // library turns the picture itself say 1.
    virtual int Orientation() const { return 1; }
    // The pixels, every one of them from the file; allocations taken from the budget.
    // Fails with the reason when the data is damaged or ends early.
    virtual Image Decode(Budget& budget) = 0;
};

// How a format is told from others and opened.
struct Format {
    std::string_view name;  // lower-case, as in messages and tests: "png", "tiff", ...
    // Whether the file is in this format: from its first bytes (head, up to 64 KB), its
    // last bytes (tail, up to 64 KB), its size and its name's extension (lower-case, a
    // last hint for formats without a signature).
    bool (*recognise)(Bytes head, Bytes tail, uint64_t size, std::string_view extension);
    // A reader on the whole file, which must outlive it.
    std::unique_ptr<FormatReader> (*open)(Bytes file);
};

// Every format the core reads, most specific signature first.
const Format* const* Formats();
// The format of a file from its first and last bytes (up to kSniffBytes each), its size and
// its name's extension; null when it is in none of them.
constexpr size_t kSniffBytes = 64 * 1024;
const Format* Recognise(Bytes head, Bytes tail, uint64_t size, std::string_view extension);

}  // namespace pictures

// WBMP pictures (type 0): a type and a header byte, both zero, the width and height as
// multi-byte integers (7 bits a byte, the high bit set on all but the last), then rows of
// bits padded to whole bytes, the leftmost pixel in the highest bit; 1 is white. Nothing
// marks the format: a file is taken as one only when named so and the header's size fits.
#include <climits>

#include "pictures/formats/formats.h"

namespace pictures {

namespace {

constexpr uint32_t kBlack = Argb(0, 0, 0), kWhite = Argb(255, 255, 255);

struct WbmpHeader {
    uint64_t width = 0, height = 0;
    size_t dataAt = 0;

    // False when the bytes are not a type 0 header.
    bool Read(Bytes bytes) {
        if (bytes.size < 4 || bytes.data[0] != 0 || bytes.data[1] != 0) return false;
        size_t at = 2;
        if (!Integer(bytes, at, width) || !Integer(bytes, at, height)) return false;
        dataAt = at;
        return true;
    }
    uint64_t RowBytes() const { return (width + 7) / 8; }
    uint64_t DataBytes() const { return RowBytes() * height; }

private:
    // At most five bytes, and below 2^32: no picture is larger, and sizes that large would
    // overflow the data size.
    static bool Integer(Bytes bytes, size_t& at, uint64_t& value) {
        value = 0;
        for (int n = 0; n < 5; ++n) {
            if (at >= bytes.size) return false;
            const uint8_t b = bytes.data[at++];
            value = value << 7 | (b & 0x7F);
            if (!(b & 0x80)) return value <= UINT32_MAX;
        }
        return false;
    }
};

class WbmpReader : public FormatReader {
public:
    explicit WbmpReader(Bytes file) : file_(file) {}

    Cost Measure() override {
        if (!header_.Read(file_)) Fail(Failure::Truncated);
        if (header_.width == 0 || header_.height == 0 || header_.width > INT_MAX || header_.height > INT_MAX) return {};
        return {int(header_.width), int(header_.height), CostInBytes(double(header_.width) * double(header_.height) * 4)};
    }

    Metadata ReadMetadata(Budget&) override {
        Metadata metadata;
        metadata.lossless = true;
        return metadata;
    }

    Image Decode(Budget& budget) override {
        const int width = int(header_.width), height = int(header_.height);
        const size_t rowBytes = size_t(header_.RowBytes());
        Image image = Image::New(width, height, false, budget);
        for (int y = 0; y < height; ++y) {
            const size_t at = header_.dataAt + size_t(y) * rowBytes;
            if (!file_.Has(at, rowBytes)) Fail(Failure::Truncated);
            const uint8_t* bits = file_.data + at;
            uint32_t* row = image.Row(y);
            for (int x = 0; x < width; ++x) row[x] = bits[x >> 3] & (0x80 >> (x & 7)) ? kWhite : kBlack;
        }
        return image;
    }

private:
    Bytes file_;
    WbmpHeader header_;
};

}  // namespace

const Format kWbmp = {
    "wbmp",
    [](Bytes head, Bytes, uint64_t size, std::string_view extension) {
        WbmpHeader header;
        if (extension != "wbmp" || !header.Read(head)) return false;
        // Exactly the rows the header declares, or fewer (a file cut short, refused as such);
        // never more, which would be some other content.
        return size >= header.dataAt && size - header.dataAt <= header.DataBytes();
    },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<WbmpReader>(file); },
};

}  // namespace pictures

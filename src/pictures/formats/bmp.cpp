// BMP files: a 14-byte file header ("BM", the offset of the pixels), then a device-
// independent bitmap: info header, palette, pixels.
#include <algorithm>
#include <climits>

#include "pictures/formats/dib.h"
#include "pictures/formats/formats.h"

namespace pictures {

namespace {

constexpr size_t kFileHeader = 14;
// Colour profiles larger than this are not kept: the picture shows without one.
constexpr uint32_t kLargestProfile = 4 << 20;
constexpr uint32_t kEmbedded = 0x4D424544;  // 'MBED': the profile is in the file

class BmpReader : public FormatReader {
public:
    explicit BmpReader(Bytes file) : file_(file) {}

    Cost Measure() override {
        header_ = dib::ReadHeader(file_.Sub(kFileHeader));
        if (header_.width <= 0 || header_.height <= 0 || header_.width > INT_MAX || header_.height > INT_MAX)
            return {};
        // The palette runs from the header to the pixels, which may leave room for fewer
        // entries than declared; an offset outside the file is not trusted, and then the
        // pixels follow the declared palette.
        const uint64_t paletteAt = kFileHeader + header_.paletteAt, entry = uint64_t(header_.PaletteEntrySize());
        const uint64_t offset = file_.U32LE(10);
        entries_ = header_.bits <= 8 ? header_.paletteStored : 0;
        if (offset >= paletteAt && offset < file_.size) {
            entries_ = uint32_t(std::min<uint64_t>(entries_, (offset - paletteAt) / entry));
            bitsAt_ = offset;
        } else {
            bitsAt_ = paletteAt + uint64_t(header_.paletteStored) * entry;
        }
        return {int(header_.width), int(header_.height), CostInBytes(double(header_.width) * double(header_.height) * 4)};
    }

    Metadata ReadMetadata(Budget& budget) override {
        Metadata metadata;
        metadata.lossless = true;
        // A linked profile names a file elsewhere: only one in the file is kept.
        const uint64_t at = kFileHeader + uint64_t(header_.profileAt);
        if (header_.colourSpace == kEmbedded && header_.profileBytes > 0 && header_.profileBytes <= kLargestProfile &&
            file_.Has(at, header_.profileBytes)) {
            budget.Take(int64_t(header_.profileBytes));
            metadata.icc.assign(reinterpret_cast<const char*>(file_.data + at), header_.profileBytes);
        }
        return metadata;
    }

    Image Decode(Budget& budget) override {
        const Bytes palette = file_.Sub(kFileHeader + header_.paletteAt);
        Image image = dib::Decode(header_, dib::ReadPalette(header_, palette, entries_),
                                  bitsAt_ < file_.size ? file_.Sub(size_t(bitsAt_)) : Bytes(), int(header_.height),
                                  budget);
        // Many writers leave the fourth byte of 32-bit pixels zero: such pictures are opaque.
        if (header_.alphaMask) {
            if (dib::AlphaAllZero(image)) dib::MakeOpaque(image);
            else image.SetHasAlpha(image.AnyTransparent());
        }
        image.dotsPerMeterX = std::max(0, header_.dotsPerMeterX);
        image.dotsPerMeterY = std::max(0, header_.dotsPerMeterY);
        return image;
    }

private:
    Bytes file_;
    dib::Header header_;
    uint32_t entries_ = 0;
    uint64_t bitsAt_ = 0;
};

bool IsBmp(Bytes head) {
    if (head.size < kFileHeader + 4 || !head.StartsWith("BM")) return false;
    const uint32_t size = head.U32LE(kFileHeader);
    return size == 12 || (size >= 16 && size <= 1024);
}

}  // namespace

const Format kBmp = {
    "bmp",
    [](Bytes head, Bytes, uint64_t, std::string_view) { return IsBmp(head); },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<BmpReader>(file); },
};

}  // namespace pictures

// XBM pictures: C source with the size in #define lines and the bits in an array of
// bytes (X11) or 16-bit shorts (X10), each row padded to a whole entry, the leftmost pixel
// in the lowest bit; a set bit is black (the foreground), a clear one white.
#include <climits>

#include "pictures/formats/c_source.h"
#include "pictures/formats/formats.h"

namespace pictures {

namespace {

constexpr uint32_t kBlack = Argb(0, 0, 0), kWhite = Argb(255, 255, 255);

// Whether the text starts with "#define <name>_width" (or _height).
bool StartsWithSizeDefine(CSource& source) {
    if (!source.Take("#define")) return false;
    const std::string_view name = source.Identifier();
    return name.ends_with("_width") || name.ends_with("_height");
}

class XbmReader : public FormatReader {
public:
    explicit XbmReader(Bytes file) : file_(file) {}

    Cost Measure() override {
        CSource source(file_);
        uint64_t width = 0, height = 0;
        // The #define lines, then the declaration up to the array's opening brace.
        while (source.Take("#define")) {
            const std::string_view name = source.Identifier();
            const std::optional<uint64_t> value = source.Number();
            if (value && name.ends_with("_width") && !width) width = *value;
            if (value && name.ends_with("_height") && !height) height = *value;
            source.SkipLine();
        }
        shorts_ = source.EnterArray("short");
        bitsAt_ = source.At();
        if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return {};
        width_ = int(width), height_ = int(height);
        // The size is believed only once the array holds as many entries as it needs.
        const uint64_t needed = EntriesPerRow() * height;
        for (uint64_t count = 0; count < needed; ++count) Entry(source);
        return {width_, height_, CostInBytes(double(width) * double(height) * 4)};
    }

    Metadata ReadMetadata(Budget&) override {
        Metadata metadata;
        metadata.lossless = true;
        return metadata;
    }

    Image Decode(Budget& budget) override {
        Image image = Image::New(width_, height_, false, budget);
        CSource source(file_, bitsAt_);
        const int bitsPerEntry = shorts_ ? 16 : 8;
        for (int y = 0; y < height_; ++y) {
            uint32_t* row = image.Row(y);
            for (int64_t x = 0; x < width_; x += bitsPerEntry) {
                const uint64_t bits = Entry(source);
                for (int b = 0; b < bitsPerEntry && x + b < width_; ++b) row[x + b] = (bits >> b) & 1 ? kBlack : kWhite;
            }
        }
        return image;
    }

private:
    uint64_t EntriesPerRow() const { return shorts_ ? (uint64_t(width_) + 15) / 16 : (uint64_t(width_) + 7) / 8; }

    // The array's next entry, with the comma after it.
    static uint64_t Entry(CSource& source) {
        const std::optional<uint64_t> value = source.Number();
        if (!value) {
            if (!source.SkipSpace()) Fail(Failure::Truncated);
            Fail(Failure::Damaged, source.Peek() == '}' ? u"fewer bits than its size needs" : u"a bit array entry that is not a number");
        }
        source.Take(',');
        return *value;
    }

    Bytes file_;
    int width_ = 0, height_ = 0;
    bool shorts_ = false;  // X10: 16-bit entries
    size_t bitsAt_ = 0;
};

}  // namespace

const Format kXbm = {
    "xbm",
    [](Bytes head, Bytes, uint64_t, std::string_view) {
        CSource source(head);
        return StartsWithSizeDefine(source);
    },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<XbmReader>(file); },
};

}  // namespace pictures

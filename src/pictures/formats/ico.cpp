// Icons and cursors: a directory of pictures of several sizes, each a whole PNG file or a
// bitmap without its file header whose height counts a 1-bit transparency mask too. The
// largest picture is shown; the directory's own sizes are often wrong, so each picture's
// header decides.
#include <climits>
#include <optional>

#include "pictures/formats/dib.h"
#include "pictures/formats/formats.h"

namespace pictures {

namespace {

constexpr size_t kDirectory = 6, kEntry = 16;
constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1A\n";

// One picture of the directory, as its own header describes it.
struct Entry {
    Bytes bytes;  // from its offset: its stated size, or the rest of the file when that is wrong
    bool png = false;
    int64_t width = 0, height = 0, depth = 0;
};

size_t EntryCount(Bytes file) {
    return std::min<size_t>(file.U16LE(4), (file.size - std::min(file.size, kDirectory)) / kEntry);
}

// Fails as cut short when the picture starts past the end, damaged when its header
// cannot be read.
Entry Describe(Bytes file, size_t index) {
    const size_t at = kDirectory + kEntry * index;
    const uint64_t size = file.U32LE(at + 8), offset = file.U32LE(at + 12);
    if (offset >= file.size) Fail(Failure::Truncated);
    Entry e;
    e.bytes = file.Sub(size_t(offset));
    e.png = e.bytes.StartsWith(kPngSignature);
    if (e.png) {
        if (size > 0 && size <= e.bytes.size) e.bytes = e.bytes.Sub(0, size_t(size));
        if (e.bytes.U32BE(12) != 0x49484452) Fail(Failure::Damaged, u"its PNG picture has no header");  // IHDR
        static constexpr int kSamples[7] = {1, 0, 3, 1, 2, 0, 4};  // by the PNG colour type
        const uint8_t type = e.bytes.U8(25);
        e.width = e.bytes.U32BE(16);
        e.height = e.bytes.U32BE(20);
        e.depth = int64_t(e.bytes.U8(24)) * (type < 7 ? kSamples[type] : 0);
    } else {
        const dib::Header h = dib::ReadHeader(e.bytes);
        e.width = h.width;
        e.height = h.height / 2;
        e.depth = h.bits;
    }
    return e;
}

// The picture with the most pixels, then the deepest, among those whose header reads.
std::optional<Entry> Largest(Bytes file) {
    std::optional<Entry> best;
    for (size_t i = 0; i < EntryCount(file); ++i) {
        try {
            const Entry e = Describe(file, i);
            if (e.width <= 0 || e.height <= 0) continue;
            const double pixels = double(e.width) * double(e.height);
            if (!best || pixels > double(best->width) * double(best->height) ||
                (pixels == double(best->width) * double(best->height) && e.depth > best->depth))
                best = e;
        } catch (const Failure&) {
        }
    }
    return best;
}

const Format* PngFormat() {
    for (const Format* const* f = Formats(); *f; ++f)
        if ((*f)->name == "png") return *f;
    return nullptr;
}

class IcoReader : public FormatReader {
public:
    explicit IcoReader(Bytes file) : file_(file) {}

    Cost Measure() override {
        std::optional<Entry> largest = Largest(file_);
        // When no picture reads, the first one says why.
        entry_ = largest ? *largest : Describe(file_, 0);
        if (entry_.png) {
            const Format* png = PngFormat();
            if (!png || !png->recognise(entry_.bytes.Sub(0, kSniffBytes), Tail(entry_.bytes), entry_.bytes.size, "png"))
                Fail(Failure::Damaged, u"its PNG picture is not read");
            png_ = png->open(entry_.bytes);
            return png_->Measure();
        }
        header_ = dib::ReadHeader(entry_.bytes);
        if (entry_.width <= 0 || entry_.height <= 0 || entry_.width > INT_MAX) return {};
        return {int(entry_.width), int(entry_.height), CostInBytes(double(entry_.width) * double(entry_.height) * 4)};
    }

    Metadata ReadMetadata(Budget& budget) override {
        if (png_) return png_->ReadMetadata(budget);
        Metadata metadata;
        metadata.lossless = true;
        return metadata;
    }

    int Orientation() const override { return png_ ? png_->Orientation() : 1; }

    Image Decode(Budget& budget) override {
        if (png_) return png_->Decode(budget);
        const int height = int(entry_.height);
        const uint64_t entrySize = uint64_t(header_.PaletteEntrySize());
        const uint64_t bitsAt = header_.paletteAt + uint64_t(header_.paletteStored) * entrySize;
        const Bytes palette = entry_.bytes.Sub(header_.paletteAt);
        const Bytes bits = bitsAt < entry_.bytes.size ? entry_.bytes.Sub(size_t(bitsAt)) : Bytes();
        Image image = dib::Decode(header_, dib::ReadPalette(header_, palette, header_.paletteStored), bits, height, budget);
        if (header_.coding != dib::Coding::Rgb && header_.coding != dib::Coding::Bitfields) return image;
        // Pictures without alpha, and 32-bit ones whose alpha is all zero, take their
        // transparency from the mask after the pixels: a set bit is transparent.
        if (header_.alphaMask && !dib::AlphaAllZero(image)) {
            image.SetHasAlpha(image.AnyTransparent());
            return image;
        }
        const uint64_t maskAt = dib::Stride(header_) * uint64_t(height), maskStride = (uint64_t(image.Width()) + 31) / 32 * 4;
        const Bytes mask = bits.Sub(size_t(std::min<uint64_t>(maskAt, bits.size)));
        if (mask.size < (uint64_t(image.Width()) + 7) / 8 ||
            uint64_t(height - 1) > (mask.size - (uint64_t(image.Width()) + 7) / 8) / maskStride) {
            if (header_.bits < 32) Fail(Failure::Truncated);
            dib::MakeOpaque(image);
            return image;
        }
        for (int r = 0; r < height; ++r) {
            const uint8_t* m = mask.data + size_t(r) * maskStride;
            uint32_t* row = image.Row(header_.topDown ? r : height - 1 - r);
            for (int x = 0; x < image.Width(); ++x)
                row[x] = (row[x] & 0xFFFFFFu) | ((m[x >> 3] >> (7 - (x & 7)) & 1) ? 0 : 0xFF000000u);
        }
        image.SetHasAlpha(image.AnyTransparent());
        return image;
    }

private:
    static Bytes Tail(Bytes b) { return b.Sub(b.size > kSniffBytes ? b.size - kSniffBytes : 0); }

    Bytes file_;
    Entry entry_;
    dib::Header header_;
    std::unique_ptr<FormatReader> png_;
};

// The 6-byte header and a directory inside the file, whose first picture starts with a PNG
// signature or a bitmap header; without those the shape is too weak a sign, and only the
// name's extension tells. An icon whose largest picture is a PNG is left to others when
// no PNG reader is here.
bool IsIco(Bytes head, uint64_t size, std::string_view extension) {
    if (head.size < kDirectory + kEntry || head.U16LE(0) != 0 || (head.U16LE(2) != 1 && head.U16LE(2) != 2)) return false;
    const uint64_t count = head.U16LE(4), first = head.U32LE(kDirectory + 12);
    if (count == 0 || head.U8(kDirectory + 3) != 0 || kDirectory + kEntry * count > size) return false;
    const Bytes picture = first >= kDirectory + kEntry * count ? head.Sub(size_t(std::min<uint64_t>(first, head.size))) : Bytes();
    const uint32_t dibSize = picture.size >= 4 ? picture.U32LE(0) : 0;
    const bool clear = picture.StartsWith(kPngSignature) || dibSize == 12 || dibSize == 40 || dibSize == 108 ||
                       dibSize == 124;
    if (!clear && extension != "ico" && extension != "cur") return false;
    const std::optional<Entry> largest = Largest(head);
    return !(largest && largest->png && !PngFormat());
}

}  // namespace

const Format kIco = {
    "ico",
    [](Bytes head, Bytes, uint64_t size, std::string_view extension) { return IsIco(head, size, extension); },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<IcoReader>(file); },
};

}  // namespace pictures

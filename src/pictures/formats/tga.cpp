// TGA pictures in their common forms: colour-mapped, true-colour and grey, each stored
// plain or run-length encoded, drawn from the bottom or the top row, either direction.
// Only an optional footer marks the format, so it is tried after every other one.
#include <vector>

#include "pictures/formats/formats.h"

namespace pictures {

namespace {

constexpr size_t kHeader = 18;

struct TgaHeader {
    int idLength, mapType, type, mapFirst, mapLength, mapEntryBits, width, height, depth, descriptor;

    explicit TgaHeader(Bytes d)
        : idLength(d.U8(0)), mapType(d.U8(1)), type(d.U8(2)), mapFirst(d.U16LE(3)), mapLength(d.U16LE(5)),
          mapEntryBits(d.U8(7)), width(d.U16LE(12)), height(d.U16LE(14)), depth(d.U8(16)), descriptor(d.U8(17)) {}

    int Kind() const { return type & 7; }  // 1 colour-mapped, 2 true-colour, 3 grey
    bool Rle() const { return type & 8; }
    bool Valid() const {
        if (mapType > 1 || (type & ~11) != 0 || Kind() == 0 || (descriptor & 0xC0) != 0) return false;
        if (mapType == 1 && mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32)
            return false;
        switch (Kind()) {
        case 1: return mapType == 1 && mapLength > 0 && (depth == 8 || depth == 16);
        case 2: return depth == 15 || depth == 16 || depth == 24 || depth == 32;
        case 3: return depth == 8 || depth == 16;
        }
        return false;
    }
    int AlphaBits() const { return descriptor & 15; }
    // Alpha only where the descriptor declares alpha bits and the pixels (or the colour
    // map's entries) have room for them.
    bool Alpha() const {
        if (AlphaBits() == 0) return false;
        switch (Kind()) {
        case 1: return mapEntryBits == 16 || mapEntryBits == 32;
        case 2: return depth == 16 || depth == 32;
        default: return depth == 16;
        }
    }
    size_t MapBytes() const { return mapType ? size_t(mapLength) * ((mapEntryBits + 7) / 8) : 0; }
    size_t PixelBytes() const { return size_t(depth + 7) / 8; }
};

// One stored colour: B, G, R (and A) bytes; 15- and 16-bit ones hold 5 bits a channel in a
// little-endian word, red highest, and with alpha one bit of it at the top.
uint32_t Colour(const uint8_t* p, int bits, bool alpha) {
    switch (bits) {
    case 15:
    case 16: {
        const unsigned v = unsigned(p[0] | p[1] << 8);
        return Argb(To8Bits((v >> 10) & 31, 5), To8Bits((v >> 5) & 31, 5), To8Bits(v & 31, 5),
                    alpha && bits == 16 && !(v & 0x8000) ? 0 : 255);
    }
    case 24: return Argb(p[2], p[1], p[0]);
    default: return Argb(p[2], p[1], p[0], alpha ? p[3] : 255);
    }
}

class TgaReader : public FormatReader {
public:
    explicit TgaReader(Bytes file) : file_(file), header_(file) {}

    Cost Measure() override {
        if (!header_.Valid()) Fail(Failure::Damaged, u"a TGA header of a kind not known");
        if (header_.width == 0 || header_.height == 0) return {};
        return {header_.width, header_.height,
                CostInBytes(double(header_.width) * header_.height * 4 + double(header_.mapLength) * 4)};
    }

    Metadata ReadMetadata(Budget&) override {
        Metadata metadata;
        metadata.lossless = true;
        return metadata;
    }

    Image Decode(Budget& budget) override {
        size_t at = kHeader + size_t(header_.idLength);
        const bool alpha = header_.Alpha();
        // The colour map, which colour-mapped pixels index from its first entry's number on.
        std::vector<uint32_t> map;
        if (header_.mapType == 1) {
            const size_t entry = size_t(header_.mapEntryBits + 7) / 8;
            if (!file_.Has(at, header_.MapBytes())) Fail(Failure::Truncated);
            budget.Take(int64_t(header_.mapLength) * 4);
            map.reserve(size_t(header_.mapLength));
            for (int i = 0; i < header_.mapLength; ++i)
                map.push_back(Colour(file_.data + at + size_t(i) * entry, header_.mapEntryBits, alpha));
            at += header_.MapBytes();
        }
        const size_t bytesPer = header_.PixelBytes();
        const auto pixelAt = [&](const uint8_t* p) -> uint32_t {
            switch (header_.Kind()) {
            case 2: return Colour(p, header_.depth, alpha);
            case 3: return Argb(p[0], p[0], p[0], bytesPer == 2 && alpha ? p[1] : 255);
            }
            const int index = (bytesPer == 2 ? p[0] | p[1] << 8 : p[0]) - header_.mapFirst;
            if (index < 0 || index >= int(map.size())) Fail(Failure::Damaged, u"a colour index past the colour map");
            return map[size_t(index)];
        };

        const int w = header_.width, h = header_.height;
        Image image = Image::New(w, h, alpha, budget);
        const bool fromTop = header_.descriptor & 0x20, fromRight = header_.descriptor & 0x10;
        const int64_t total = int64_t(w) * h;
        int64_t i = 0;
        // Pixels come in the stored order; runs and raw packets may go on into the next row.
        const auto put = [&](uint32_t c) {
            const int x = int(i % w), y = int(i / w);
            image.Row(fromTop ? y : h - 1 - y)[fromRight ? w - 1 - x : x] = c;
            ++i;
        };
        while (i < total) {
            if (!header_.Rle()) {
                if (!file_.Has(at, bytesPer)) Fail(Failure::Truncated);
                put(pixelAt(file_.data + at));
                at += bytesPer;
                continue;
            }
            const int packet = file_.U8(at++);
            const int count = (packet & 0x7F) + 1;
            if (packet & 0x80) {  // one pixel, repeated
                if (!file_.Has(at, bytesPer)) Fail(Failure::Truncated);
                const uint32_t c = pixelAt(file_.data + at);
                at += bytesPer;
                for (int k = 0; k < count && i < total; ++k) put(c);
            } else {  // count pixels as they are
                if (!file_.Has(at, size_t(count) * bytesPer)) Fail(Failure::Truncated);
                for (int k = 0; k < count && i < total; ++k) put(pixelAt(file_.data + at + size_t(k) * bytesPer));
                at += size_t(count) * bytesPer;
            }
        }
        return image;
    }

private:
    Bytes file_;
    TgaHeader header_;
};

bool Recognise(Bytes head, Bytes tail, uint64_t size, std::string_view extension) {
    if (head.size < kHeader) return false;
    const TgaHeader header(head);
    if (!header.Valid()) return false;
    const bool footer = tail.size >= 18 && tail.Sub(tail.size - 18).View() == std::string_view("TRUEVISION-XFILE.\0", 18);
    if (footer || extension == "tga" || extension == "icb" || extension == "vda" || extension == "vst") return true;
    // Only the header speaks for it: a plain file must hold all its pixels.
    const uint64_t pixels = uint64_t(header.width) * uint64_t(header.height) * header.PixelBytes();
    return header.Rle() || size >= kHeader + header.idLength + header.MapBytes() + pixels;
}

}  // namespace

const Format kTga = {
    "tga",
    Recognise,
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<TgaReader>(file); },
};

}  // namespace pictures

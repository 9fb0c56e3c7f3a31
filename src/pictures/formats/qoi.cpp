// QOI pictures: a 14-byte header, then chunks that repeat, index, nudge or spell out
// pixels, then seven zero bytes and a one.
#include <climits>

#include "pictures/formats/formats.h"

namespace pictures {

namespace {

class QoiReader : public FormatReader {
public:
    explicit QoiReader(Bytes file) : file_(file) {}

    Cost Measure() override {
        const uint32_t width = file_.U32BE(4), height = file_.U32BE(8);
        const uint8_t channels = file_.U8(12);
        alpha_ = channels == 4;
        if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX || (channels != 3 && channels != 4))
            return {};
        return {int(width), int(height), CostInBytes(double(width) * height * 4)};
    }

    Metadata ReadMetadata(Budget&) override {
        Metadata metadata;
        metadata.lossless = true;
        return metadata;
    }

    Image Decode(Budget& budget) override {
        Image image = Image::New(int(file_.U32BE(4)), int(file_.U32BE(8)), alpha_, budget);
        const uint8_t* d = file_.data;
        const size_t end = file_.size;
        size_t at = 14;
        uint32_t seen[64] = {};
        uint32_t px = Argb(0, 0, 0, 255);
        int run = 0;
        for (int y = 0; y < image.Height(); ++y) {
            uint32_t* line = image.Row(y);
            for (int x = 0; x < image.Width(); ++x) {
                if (run > 0) {
                    --run;
                } else {
                    if (at >= end) Fail(Failure::Truncated);
                    const uint8_t op = d[at++];
                    if (op == 0xFE || op == 0xFF) {  // RGB, RGBA
                        const size_t n = op == 0xFE ? 3 : 4;
                        if (end - at < n) Fail(Failure::Truncated);
                        px = Argb(d[at], d[at + 1], d[at + 2], n == 4 ? d[at + 3] : AlphaOf(px));
                        at += n;
                    } else if ((op >> 6) == 0) {  // index
                        px = seen[op];
                    } else if ((op >> 6) == 1) {  // small difference, each channel -2..1
                        px = Argb((RedOf(px) + ((op >> 4) & 3) - 2) & 0xFF, (GreenOf(px) + ((op >> 2) & 3) - 2) & 0xFF,
                                  (BlueOf(px) + (op & 3) - 2) & 0xFF, AlphaOf(px));
                    } else if ((op >> 6) == 2) {  // luma: green -32..31, red and blue relative to it
                        if (at >= end) Fail(Failure::Truncated);
                        const int dg = (op & 0x3F) - 32, rb = d[at++];
                        px = Argb((RedOf(px) + dg + (rb >> 4) - 8) & 0xFF, (GreenOf(px) + dg) & 0xFF,
                                  (BlueOf(px) + dg + (rb & 15) - 8) & 0xFF, AlphaOf(px));
                    } else {  // run of the previous pixel, 1..62
                        run = op & 0x3F;
                    }
                    seen[(RedOf(px) * 3 + GreenOf(px) * 5 + BlueOf(px) * 7 + AlphaOf(px) * 11) % 64] = px;
                }
                line[x] = alpha_ ? px : (px | 0xFF000000u);
            }
        }
        return image;
    }

private:
    Bytes file_;
    bool alpha_ = false;
};

}  // namespace

const Format kQoi = {
    "qoi",
    [](Bytes head, Bytes, uint64_t, std::string_view) { return head.size >= 14 && head.StartsWith("qoif"); },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<QoiReader>(file); },
};

}  // namespace pictures

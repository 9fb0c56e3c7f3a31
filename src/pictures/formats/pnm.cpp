// PNM pictures: PBM (P1 plain, P4 raw), PGM (P2, P5) and PPM (P3, P6): a text header of
// numbers (width, height, the largest sample value), then samples as decimal text or as
// bytes; and PAM (P7): a header of named lines, then raw tuples of any channel count.
#include <algorithm>
#include <climits>
#include <vector>

#include "pictures/formats/formats.h"

namespace pictures {

namespace {

bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsSpace(uint8_t(s.front()))) s.remove_prefix(1);
    while (!s.empty() && IsSpace(uint8_t(s.back()))) s.remove_suffix(1);
    return s;
}

// The text parts of a file: the header and plain samples. A comment (from '#' to the end
// of its line) may stand wherever whitespace may.
class PnmText {
public:
    PnmText(Bytes file, size_t at) : file_(file), at_(at) {}
    size_t At() const { return at_; }

    // Skips whitespace and comments; false at the end of the file.
    bool SkipSpace() {
        while (at_ < file_.size) {
            if (file_.data[at_] == '#') {
                while (at_ < file_.size && file_.data[at_] != '\n' && file_.data[at_] != '\r') ++at_;
            } else if (IsSpace(file_.data[at_])) {
                ++at_;
            } else {
                return true;
            }
        }
        return false;
    }
    // A decimal number, capped at UINT32_MAX (any sample past the maximum value counts as it,
    // and any size past INT_MAX is refused).
    uint32_t Number() {
        if (!SkipSpace()) Fail(Failure::Truncated);
        if (!IsDigit(file_.data[at_])) Fail(Failure::Damaged, u"a character where a number should be");
        uint64_t value = 0;
        for (; at_ < file_.size && IsDigit(file_.data[at_]); ++at_)
            value = std::min<uint64_t>(value * 10 + (file_.data[at_] - '0'), UINT32_MAX);
        return uint32_t(value);
    }
    // A plain PBM digit: each is a pixel, with or without whitespace between them.
    bool Bit() {
        if (!SkipSpace()) Fail(Failure::Truncated);
        const uint8_t c = file_.data[at_++];
        if (c != '0' && c != '1') Fail(Failure::Damaged, u"a character where a bit should be");
        return c == '1';
    }
    // A PAM header word: up to the next whitespace.
    std::string_view Word() {
        SkipSpace();
        const size_t start = at_;
        while (at_ < file_.size && !IsSpace(file_.data[at_])) ++at_;
        return file_.Sub(start, at_ - start).View();
    }
    // The rest of the line, past its end; fails as cut short without one.
    std::string_view RestOfLine() {
        const size_t start = at_;
        while (at_ < file_.size && file_.data[at_] != '\n') ++at_;
        if (at_ >= file_.size) Fail(Failure::Truncated);
        return file_.Sub(start, at_++ - start).View();
    }
    // The single whitespace character (or a comment with its line's end) between a raw
    // file's header and its samples.
    void EndOfHeader() {
        if (at_ >= file_.size) Fail(Failure::Truncated);
        if (file_.data[at_] == '#') {
            while (at_ < file_.size && file_.data[at_] != '\n' && file_.data[at_] != '\r') ++at_;
            if (at_ >= file_.size) Fail(Failure::Truncated);
        } else if (!IsSpace(file_.data[at_])) {
            Fail(Failure::Damaged, u"no whitespace after its header");
        }
        ++at_;
    }

private:
    Bytes file_;
    size_t at_;
};

// What the channels of a sample tuple mean.
enum class Tuple { Bit, Grey, GreyAlpha, Rgb, Rgba };

int Channels(Tuple tuple) {
    switch (tuple) {
    case Tuple::Bit:
    case Tuple::Grey: return 1;
    case Tuple::GreyAlpha: return 2;
    case Tuple::Rgb: return 3;
    case Tuple::Rgba: return 4;
    }
    return 1;
}

// A PAM's tuple type; an unnamed (or unknown) one is told by its channel count.
Tuple PamTuple(std::string_view type, uint32_t depth) {
    if (type == "BLACKANDWHITE" || type == "GRAYSCALE") return Tuple::Grey;
    if (type == "BLACKANDWHITE_ALPHA" || type == "GRAYSCALE_ALPHA") return Tuple::GreyAlpha;
    if (type == "RGB") return Tuple::Rgb;
    if (type == "RGB_ALPHA") return Tuple::Rgba;
    switch (depth) {
    case 1: return Tuple::Grey;
    case 2: return Tuple::GreyAlpha;
    case 3: return Tuple::Rgb;
    case 4: return Tuple::Rgba;
    }
    Fail(Failure::Damaged, u"a PAM tuple type not known");
}

class PnmReader : public FormatReader {
public:
    explicit PnmReader(Bytes file) : file_(file), kind_(file.U8(1) - '0') {}

    Cost Measure() override {
        PnmText text(file_, 2);
        uint32_t width, height;
        if (kind_ == 7) {
            ReadPamHeader(text, width, height);
        } else {
            width = text.Number();
            height = text.Number();
            maxval_ = kind_ == 1 || kind_ == 4 ? 1 : text.Number();
            tuple_ = kind_ == 1 || kind_ == 4 ? Tuple::Bit : kind_ == 3 || kind_ == 6 ? Tuple::Rgb : Tuple::Grey;
            depth_ = uint32_t(Channels(tuple_));
            if (kind_ >= 4) text.EndOfHeader();
        }
        dataAt_ = text.At();
        if (maxval_ == 0 || maxval_ > 65535) Fail(Failure::Damaged, u"a largest sample value out of range");
        if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return {};
        width_ = int(width), height_ = int(height);
        return {width_, height_, CostInBytes(double(width) * double(height) * 4 + maxval_ + 1)};
    }

    Metadata ReadMetadata(Budget&) override {
        Metadata metadata;
        metadata.lossless = true;
        return metadata;
    }

    Image Decode(Budget& budget) override {
        const bool alpha = tuple_ == Tuple::GreyAlpha || tuple_ == Tuple::Rgba;
        Image image = Image::New(width_, height_, alpha, budget);
        // Every sample value to 8 bits, rounded: value * 255 / maxval for any maxval.
        budget.Take(int64_t(maxval_) + 1);
        std::vector<uint8_t> scale(maxval_ + 1);
        for (uint32_t v = 0; v <= maxval_; ++v) scale[v] = uint8_t((v * 255 + maxval_ / 2) / maxval_);
        const auto pixel = [&](const uint32_t* s) {
            uint8_t c[4];
            for (int k = 0; k < Channels(tuple_); ++k) c[k] = scale[std::min(s[k], maxval_)];
            switch (tuple_) {
            case Tuple::Bit: return s[0] ? Argb(0, 0, 0) : Argb(255, 255, 255);  // 1 is black
            case Tuple::Grey: return Argb(c[0], c[0], c[0]);
            case Tuple::GreyAlpha: return Argb(c[0], c[0], c[0], c[1]);
            case Tuple::Rgb: return Argb(c[0], c[1], c[2]);
            case Tuple::Rgba: return Argb(c[0], c[1], c[2], c[3]);
            }
            return 0u;
        };
        if (kind_ <= 3) {
            DecodePlain(image, pixel);
        } else {
            DecodeRaw(image, pixel);
        }
        return image;
    }

private:
    void ReadPamHeader(PnmText& text, uint32_t& width, uint32_t& height) {
        width = height = 0;
        std::string_view type;
        for (;;) {
            if (!text.SkipSpace()) Fail(Failure::Truncated);
            const std::string_view word = text.Word();
            if (word == "ENDHDR") break;
            if (word == "WIDTH") width = text.Number();
            else if (word == "HEIGHT") height = text.Number();
            else if (word == "DEPTH") depth_ = text.Number();
            else if (word == "MAXVAL") maxval_ = text.Number();
            else if (word == "TUPLTYPE") type = Trimmed(text.RestOfLine());
            else Fail(Failure::Damaged, u"a PAM header line not known");
        }
        text.RestOfLine();
        // Channels past those of the tuple type are read over; a great many would
        // overflow a row's size.
        if (depth_ == 0 || depth_ > 65535) Fail(Failure::Damaged, u"a PAM depth out of range");
        tuple_ = PamTuple(type, depth_);
        if (depth_ < uint32_t(Channels(tuple_))) Fail(Failure::Damaged, u"fewer channels than its tuple type has");
    }

    template <typename Pixel>
    void DecodePlain(Image& image, const Pixel& pixel) {
        PnmText text(file_, dataAt_);
        uint32_t s[4];
        for (int y = 0; y < height_; ++y) {
            uint32_t* row = image.Row(y);
            for (int x = 0; x < width_; ++x) {
                if (tuple_ == Tuple::Bit) {
                    s[0] = text.Bit();
                } else {
                    for (uint32_t k = 0; k < depth_; ++k) s[k] = text.Number();
                }
                row[x] = pixel(s);
            }
        }
    }

    template <typename Pixel>
    void DecodeRaw(Image& image, const Pixel& pixel) {
        const uint64_t sampleBytes = maxval_ > 255 ? 2 : 1;
        const uint64_t rowBytes = tuple_ == Tuple::Bit ? (uint64_t(width_) + 7) / 8 : uint64_t(width_) * depth_ * sampleBytes;
        const int channels = Channels(tuple_);
        uint32_t s[4];
        for (int y = 0; y < height_; ++y) {
            const uint64_t at = dataAt_ + uint64_t(y) * rowBytes;
            if (!file_.Has(at, rowBytes)) Fail(Failure::Truncated);
            const uint8_t* p = file_.data + at;
            uint32_t* row = image.Row(y);
            for (int x = 0; x < width_; ++x) {
                if (tuple_ == Tuple::Bit) {
                    s[0] = (p[x >> 3] >> (7 - (x & 7))) & 1;
                } else {
                    const uint8_t* tuple = p + uint64_t(x) * depth_ * sampleBytes;
                    for (int k = 0; k < channels; ++k)
                        s[k] = sampleBytes == 2 ? uint32_t(tuple[2 * k] << 8 | tuple[2 * k + 1]) : tuple[k];
                }
                row[x] = pixel(s);
            }
        }
    }

    Bytes file_;
    int kind_;  // the digit after the P
    int width_ = 0, height_ = 0;
    uint32_t maxval_ = 0, depth_ = 1;
    Tuple tuple_ = Tuple::Grey;
    size_t dataAt_ = 0;
};

}  // namespace

const Format kPnm = {
    "pnm",
    [](Bytes head, Bytes, uint64_t, std::string_view) {
        if (head.size < 3 || head.data[0] != 'P' || head.data[1] < '1' || head.data[1] > '7') return false;
        // PAM's P7 is followed by a line's end (an older thumbnail format's "P7 332" is not PAM).
        return head.data[1] == '7' ? head.data[2] == '\n' : IsSpace(head.data[2]) || head.data[2] == '#';
    },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<PnmReader>(file); },
};

}  // namespace pictures

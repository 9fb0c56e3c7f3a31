// WebP pictures through libwebp: lossy (with or without an alpha plane) and lossless
// straight into the picture's own pixels, whose layout (B, G, R, A in memory, alpha not
// premultiplied) is libwebp's BGRA; of an animation, its first frame on the canvas.
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "pictures/formats/formats.h"
#include "pictures/formats/staged.h"
#include "pictures/metadata/metadata.h"

namespace pictures {

namespace {

[[noreturn]] void FailWith(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA: Fail(Failure::Truncated);
    case VP8_STATUS_OUT_OF_MEMORY: Fail(Failure::OutOfMemory);
    case VP8_STATUS_UNSUPPORTED_FEATURE: Fail(Failure::Damaged, u"it uses a WebP feature libwebp does not read");
    default: Fail(Failure::Damaged, u"libwebp cannot decode its data");
    }
}

// The file's bytes are given to the incremental decoder a 64th more at a time (at least
// 64 KB): few enough that the work it redoes after each pause (from the start of the rows
// it was decoding) stays small, enough to stop soon after the rows asked for, or after
// being cancelled.
constexpr size_t kFeedParts = 64, kLeastFeed = 64 * 1024;

class WebpReader : public FormatReader, public StagedReader {
public:
    explicit WebpReader(Bytes file) : file_(file) {}
    ~WebpReader() override {
        if (incremental_) WebPIDelete(incremental_);
    }
    WebpReader(const WebpReader&) = delete;
    WebpReader& operator=(const WebpReader&) = delete;

    Cost Measure() override {
        const VP8StatusCode status = WebPGetFeatures(file_.data, file_.size, &features_);
        if (status != VP8_STATUS_OK) FailWith(status);
        const double width = features_.width, pixels = width * features_.height;
        // Lossless data is decoded into a whole picture of libwebp's own before it is
        // copied over; lossy data needs a few rows of blocks and the alpha plane.
        double decoder = features_.format == 1 ? pixels * features_.has_alpha + width * 256 : pixels * 4 + width * 64;
        // An animation is put together on libwebp's canvas, kept twice, then copied.
        if (features_.has_animation) decoder += pixels * 4 * 2;
        decoder_ = decoder;
        return {features_.width, features_.height, CostInBytes(pixels * 4 + decoder)};
    }

    Metadata ReadMetadata(Budget& budget) override { return ReadFileMetadata(file_, "webp", budget, &orientation_); }
    int Orientation() const override { return orientation_; }

    Image Decode(Budget& budget) override {
        if (CutShort()) Fail(Failure::Truncated);
        Image image = Image::New(features_.width, features_.height, features_.has_alpha, budget);
        budget.Take(decoder_);
        if (features_.has_animation) return FirstFrame(std::move(image));
        WebPDecoderConfig config;
        SetUp(config, image);
        const VP8StatusCode status = WebPDecode(file_.data, file_.size, &config);
        WebPFreeDecBuffer(&config.output);
        if (status != VP8_STATUS_OK) FailWith(status);
        return image;
    }

    // libwebp's incremental decoder gives rows top down as the data comes; lossless data
    // too, a batch of rows at a time. Animations are put together on a canvas first.
    bool Stageable() override { return !features_.has_animation && orientation_ == 1 && !CutShort(); }

    Image DecodeFirst(Budget& budget, int, int height) override {
        Image image = Image::New(features_.width, features_.height, features_.has_alpha, budget);
        budget.Take(decoder_);
        SetUp(config_, image);
        incremental_ = WebPIDecode(nullptr, 0, &config_);
        if (!incremental_) Fail(Failure::OutOfMemory);
        const VP8StatusCode status = Feed(height, nullptr);
        if (status != VP8_STATUS_OK && status != VP8_STATUS_SUSPENDED) FailWith(status);
        if (RowsDone() < height) Fail(Failure::Truncated);
        return image;
    }

    bool DecodeRest(Image& image, Budget&, const std::atomic<bool>& cancel) override {
        Feed(image.Height(), &cancel);
        if (RowsDone() >= image.Height() || cancel.load(std::memory_order_relaxed)) return true;
        ClearRows(image, RowsDone());
        return false;
    }

private:
    // The container's size says how far the file goes: one that stops short is cut.
    bool CutShort() const { return file_.Has(4, 4) && uint64_t(file_.U32LE(4)) + 8 > file_.size; }

    // Decoding straight into the picture's pixels.
    static void SetUp(WebPDecoderConfig& config, Image& image) {
        if (!WebPInitDecoderConfig(&config)) Fail(Failure::Damaged, u"libwebp cannot be set up");
        config.output.colorspace = MODE_BGRA;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = reinterpret_cast<uint8_t*>(image.Pixels());
        config.output.u.RGBA.stride = int(image.Stride());
        config.output.u.RGBA.size = size_t(image.Bytes());
    }

    // The rows the incremental decoder has written.
    int RowsDone() const {
        int rows = 0;
        return WebPIDecGetRGB(incremental_, &rows, nullptr, nullptr, nullptr) ? rows : 0;
    }

    // More of the file to the incremental decoder until `rows` rows are written or it is
    // all given: OK once the picture is whole, SUSPENDED while it is not, else the error.
    VP8StatusCode Feed(int rows, const std::atomic<bool>* cancel) {
        VP8StatusCode status = VP8_STATUS_SUSPENDED;
        while (status == VP8_STATUS_SUSPENDED && RowsDone() < rows) {
            if (fed_ == file_.size) return VP8_STATUS_NOT_ENOUGH_DATA;
            if (cancel && cancel->load(std::memory_order_relaxed)) break;
            fed_ = std::min(file_.size, fed_ + std::max(kLeastFeed, file_.size / kFeedParts));
            // The file's bytes stay where they are: libwebp reads them in place.
            status = WebPIUpdate(incremental_, file_.data, fed_);
        }
        return status;
    }

    Image FirstFrame(Image image) {
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options)) Fail(Failure::Damaged, u"libwebp cannot be set up");
        options.color_mode = MODE_BGRA;
        const WebPData data = {file_.data, file_.size};
        const std::unique_ptr<WebPAnimDecoder, decltype(&WebPAnimDecoderDelete)> decoder(
            WebPAnimDecoderNew(&data, &options), &WebPAnimDecoderDelete);
        if (!decoder) Fail(Failure::Damaged, u"libwebp cannot read its animation");
        WebPAnimInfo info;
        uint8_t* canvas = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetInfo(decoder.get(), &info) || int(info.canvas_width) != image.Width() ||
            int(info.canvas_height) != image.Height())
            Fail(Failure::Damaged, u"its animation's canvas differs from its header");
        // A frame's data cut short, or damaged: libwebp tells neither apart here.
        if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
            Fail(Failure::Damaged, u"libwebp cannot decode its first frame");
        for (int y = 0; y < image.Height(); ++y)
            std::memcpy(image.Row(y), canvas + size_t(y) * size_t(image.Width()) * 4, size_t(image.Width()) * 4);
        // Where the first frame leaves the canvas uncovered it is transparent.
        image.SetHasAlpha(image.HasAlpha() || image.AnyTransparent());
        return image;
    }

    Bytes file_;
    WebPBitstreamFeatures features_{};
    double decoder_ = 0;
    int orientation_ = 1;
    WebPDecoderConfig config_{};
    WebPIDecoder* incremental_ = nullptr;
    size_t fed_ = 0;  // the bytes given to the incremental decoder so far
};

}  // namespace

const Format kWebp = {
    "webp",
    [](Bytes head, Bytes, uint64_t, std::string_view) {
        return head.size >= 16 && head.StartsWith("RIFF") && head.View().substr(8, 4) == "WEBP";
    },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<WebpReader>(file); },
};

}  // namespace pictures

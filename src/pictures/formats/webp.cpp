// WebP pictures through libwebp: lossy (with or without an alpha plane) and lossless
// straight into the picture's own pixels, whose layout (B, G, R, A in memory, alpha not
// premultiplied) is libwebp's BGRA; of an animation, its first frame on the canvas.
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>

#include "pictures/formats/formats.h"
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

class WebpReader : public FormatReader {
public:
    explicit WebpReader(Bytes file) : file_(file) {}

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
        // The container's size says how far the file goes: one that stops short is cut.
        if (file_.Has(4, 4) && uint64_t(file_.U32LE(4)) + 8 > file_.size) Fail(Failure::Truncated);
        Image image = Image::New(features_.width, features_.height, features_.has_alpha, budget);
        budget.Take(decoder_);
        if (features_.has_animation) return FirstFrame(std::move(image));
        WebPDecoderConfig config;
        if (!WebPInitDecoderConfig(&config)) Fail(Failure::Damaged, u"libwebp cannot be set up");
        config.output.colorspace = MODE_BGRA;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = reinterpret_cast<uint8_t*>(image.Pixels());
        config.output.u.RGBA.stride = int(image.Stride());
        config.output.u.RGBA.size = size_t(image.Bytes());
        const VP8StatusCode status = WebPDecode(file_.data, file_.size, &config);
        WebPFreeDecBuffer(&config.output);
        if (status != VP8_STATUS_OK) FailWith(status);
        return image;
    }

private:
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

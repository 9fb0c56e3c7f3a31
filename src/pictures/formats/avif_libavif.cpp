// AVIF pictures through libavif and the dav1d decoder: the first image of a sequence,
// converted to RGB by libavif with the file's matrix and range, cropped to its clean
// aperture (clap), to sRGB from its profile or colour code points (HDR ones tone-mapped,
// deeper samples converted before they are rounded to 8 bits), then turned and mirrored
// as its irot and imir properties ask, which libavif leaves to its callers.
#include <avif/avif.h>

#include <climits>
#include <thread>

#include "pictures/colour/samples.h"
#include "pictures/formats/formats.h"
#include "pictures/formats/iso_boxes.h"
#include "pictures/formats/iso_exif.h"

namespace pictures {

namespace {

constexpr double kFixedCost = 32 << 20;  // the AV1 decoder's state and reference frames

void Check(avifResult result) {
    if (result == AVIF_RESULT_OK) return;
    if (result == AVIF_RESULT_TRUNCATED_DATA) Fail(Failure::Truncated);
    if (result == AVIF_RESULT_OUT_OF_MEMORY) Fail(Failure::OutOfMemory);
    Fail(Failure::Damaged, Text(avifResultToString(result)));
}

// The EXIF orientation that does what irot (quarter turns anticlockwise) and then imir
// (mode 0 exchanges top and bottom, 1 left and right) do; 0 when the file has neither.
int TransformOrientation(const avifImage* image) {
    if (!(image->transformFlags & (AVIF_TRANSFORM_IROT | AVIF_TRANSFORM_IMIR))) return 0;
    static constexpr int kOrientation[4][3] = {{1, 4, 2}, {8, 5, 7}, {3, 2, 4}, {6, 7, 5}};  // [turn][no mirror, 0, 1]
    const int turn = image->transformFlags & AVIF_TRANSFORM_IROT ? image->irot.angle % 4 : 0;
    const int mirror = image->transformFlags & AVIF_TRANSFORM_IMIR ? 1 + (image->imir.mode & 1) : 0;
    return kOrientation[turn][mirror];
}

class AvifReader : public FormatReader {
public:
    explicit AvifReader(Bytes file) : file_(file) {
        if (!decoder_) Fail(Failure::OutOfMemory);
        decoder_->maxThreads = int(std::max(1u, std::thread::hardware_concurrency()));
        // Pictures written without the optional property boxes are common and readable.
        decoder_->strictFlags = AVIF_STRICT_DISABLED;
        decoder_->ignoreXMP = AVIF_TRUE;  // not carried
    }
    ~AvifReader() override { avifDecoderDestroy(decoder_); }

    Cost Measure() override {
        if (IsoBoxesOverrun(file_)) Fail(Failure::Truncated);
        Check(avifDecoderSetIOMemory(decoder_, file_.data, file_.size));
        Check(avifDecoderParse(decoder_));
        const avifImage* image = decoder_->image;
        crop_ = {0, 0, image->width, image->height};
        avifCropRect clap;
        avifDiagnostics diagnostics;
        // A clean aperture that does not fit the picture is left out, the picture shown whole.
        if ((image->transformFlags & AVIF_TRANSFORM_CLAP) &&
            avifCropRectConvertCleanApertureBox(&clap, &image->clap, image->width, image->height, image->yuvFormat,
                                                &diagnostics))
            crop_ = clap;
        orientation_ = TransformOrientation(image);
        if (!orientation_) orientation_ = IsoExifOrientation(Bytes(image->exif.data, image->exif.size));
        if (crop_.width == 0 || crop_.height == 0 || crop_.width > INT_MAX || crop_.height > INT_MAX) return {};

        space_ = CicpSpace(image->colorPrimaries, image->transferCharacteristics,
                           std::string(reinterpret_cast<const char*>(image->icc.data), image->icc.size));
        const bool srgb = space_.IsSrgb();
        convert_ = !srgb;
        deep_ = space_.Hdr() || (image->depth > 8 && !srgb);
        channels_ = decoder_->alphaPresent ? 4 : 3;
        // The decoded planes and the decoder's copy of them, the RGB samples of 16 bits
        // that a conversion starts from, and our picture.
        const double pixels = double(image->width) * image->height;
        const double planes = (image->depth > 8 ? 2 : 1) * channels_;
        return {int(crop_.width), int(crop_.height),
                CostInBytes(pixels * (2 * planes + 4 + (deep_ ? 2 * channels_ : 0)) + kFixedCost)};
    }

    Metadata ReadMetadata(Budget& budget) override {
        Metadata metadata;
        const avifRWData& exif = decoder_->image->exif;
        metadata.exif = CarriedIsoExif(Bytes(exif.data, exif.size), budget);
        return metadata;
    }

    int Orientation() const override { return orientation_; }

    Image Decode(Budget& budget) override {
        Check(avifDecoderNextImage(decoder_));
        const avifImage* decoded = decoder_->image;
        if (uint64_t(crop_.x) + crop_.width > decoded->width || uint64_t(crop_.y) + crop_.height > decoded->height)
            Fail(Failure::Damaged, u"the picture decoded differs from its header");
        const bool alpha = decoded->alphaPlane != nullptr;
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, decoded);
        // Chroma interpolated as the AV1 tools show it, in every path: left to itself libavif
        // takes libyuv's shortcut for some depths, which repeats chroma samples (edges of
        // saturated colours off by up to a quarter of the range in a 12-bit 4:2:0 file).
        rgb.chromaUpsampling = AVIF_CHROMA_UPSAMPLING_BEST_QUALITY;
        if (deep_) return FromDeepSamples(decoded, rgb, alpha, budget);

        rgb.depth = 8;  // libavif scales deeper samples with rounding
        rgb.format = AVIF_RGB_FORMAT_BGRA;
        Image whole = Image::New(int(decoded->width), int(decoded->height), alpha, budget);
        rgb.pixels = reinterpret_cast<uint8_t*>(whole.Pixels());
        rgb.rowBytes = uint32_t(whole.Stride());
        Check(avifImageYUVToRGB(decoded, &rgb));
        // The clean aperture shares the whole picture's pixels.
        Image image = Image::Adopt(whole.Row(int(crop_.y)) + crop_.x, int(crop_.width), int(crop_.height),
                                   whole.Stride(), alpha, whole.Owner());
        if (convert_) ConvertToSrgbInPlace(image, space_);
        return image;
    }

private:
    // The picture through 16-bit RGB samples of the whole picture, converted to sRGB
    // within the clean aperture.
    Image FromDeepSamples(const avifImage* decoded, avifRGBImage& rgb, bool alpha, Budget& budget) {
        const int channels = alpha ? 4 : 3;
        rgb.depth = 16;
        rgb.format = alpha ? AVIF_RGB_FORMAT_RGBA : AVIF_RGB_FORMAT_RGB;
        rgb.rowBytes = decoded->width * uint32_t(channels) * 2;
        const int64_t bytes = CostInBytes(double(rgb.rowBytes) * decoded->height);
        budget.Take(bytes);
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[size_t(bytes)]);
        rgb.pixels = buffer.get();
        Check(avifImageYUVToRGB(decoded, &rgb));
        Samples samples;
        samples.data = buffer.get() + size_t(crop_.y) * rgb.rowBytes + size_t(crop_.x) * size_t(channels) * 2;
        samples.stride = rgb.rowBytes;
        samples.width = int(crop_.width);
        samples.height = int(crop_.height);
        samples.channels = channels;
        samples.bytes = 2;
        samples.bits = 16;
        Image image = Image::New(samples.width, samples.height, alpha, budget);
        SamplesToSrgb(samples, space_, image, budget);
        buffer.reset();
        budget.Give(bytes);
        return image;
    }

    Bytes file_;
    avifDecoder* decoder_ = avifDecoderCreate();
    avifCropRect crop_{};
    ColourSpace space_;
    bool convert_ = false, deep_ = false;
    int channels_ = 3;
    int orientation_ = 1;
};

}  // namespace

const Format kAvif = {
    "avif",
    [](Bytes head, Bytes, uint64_t, std::string_view) { return HasIsoBrand(head, {"avif", "avis"}); },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<AvifReader>(file); },
};

}  // namespace pictures

// The primary image of a HEIF or AVIF file through libheif, to sRGB from its profile or
// colour code points (HDR ones tone-mapped) before deeper samples are rounded to 8 bits.
// HEIC: cropped, turned, mirrored and converted to RGB by libheif. AVIF: its planes as
// decoded, converted here with interpolated chroma, cropped to the clean aperture, and
// turned and mirrored by the pipeline from the orientation irot and imir make.
#include "pictures/formats/heif_reader.h"

#include <libheif/heif.h>

#include <algorithm>
#include <string_view>

#include "pictures/colour/samples.h"
#include "pictures/formats/yuv_to_rgb.h"
#include "pictures/formats/iso_boxes.h"
#include "pictures/formats/iso_exif.h"

namespace pictures {

namespace {

// The largest colour profile used; past it the picture is taken as sRGB.
constexpr size_t kMaxProfile = size_t(4) << 20;

[[noreturn]] void Fail(const heif_error& error) {
    if (error.code == heif_error_Memory_allocation_error) Fail(Failure::OutOfMemory);
    if (error.subcode == heif_suberror_End_of_data) Fail(Failure::Truncated);
    if (error.subcode == heif_suberror_Security_limit_exceeded) Fail(Failure::TooLarge);
    Fail(Failure::Damaged, Text(error.message ? error.message : "the HEIF decoder reports an error"));
}

void Check(const heif_error& error) {
    if (error.code != heif_error_Ok) Fail(error);
}

using Decoded = std::unique_ptr<heif_image, decltype(&heif_image_release)>;

// The colour code points the file gives; unspecified without them.
struct CodePoints {
    int primaries = 2, transfer = 2, matrix = 2;
};

CodePoints CodePointsOf(const heif_image_handle* handle) {
    CodePoints points;
    heif_color_profile_nclx* nclx = nullptr;
    // libheif may hand over the profile with an error (code points it does not know).
    const bool known = heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok;
    if (known && nclx) {
        points.primaries = nclx->color_primaries;
        points.transfer = nclx->transfer_characteristics;
        points.matrix = nclx->matrix_coefficients;
    }
    if (nclx) heif_nclx_color_profile_free(nclx);
    return points;
}

class HeifReader : public FormatReader {
public:
    HeifReader(Bytes file, const HeifCodec& codec) : file_(file), codec_(codec) {
        if (!context_) Fail(Failure::OutOfMemory);
    }
    ~HeifReader() override {
        if (handle_) heif_image_handle_release(handle_);
        heif_context_free(context_);
    }

    Cost Measure() override {
        if (IsoBoxesOverrun(file_)) Fail(Failure::Truncated);
        Check(heif_context_read_from_memory_without_copy(context_, file_.data, file_.size, nullptr));
        Check(heif_context_get_primary_image_handle(context_, &handle_));
        deep_ = heif_image_handle_get_luma_bits_per_pixel(handle_) > 8;
        alpha_ = heif_image_handle_has_alpha_channel(handle_);
        return codec_.codedPlanes ? MeasureCoded() : MeasureTransformed();
    }

    // The size after libheif's crop and turn, and the coded size before them.
    Cost MeasureTransformed() {
        const int width = heif_image_handle_get_width(handle_), height = heif_image_handle_get_height(handle_);
        if (width <= 0 || height <= 0) return {};
        const double pixels = double(width) * height;
        const double coded = std::max(pixels, double(heif_image_handle_get_ispe_width(handle_)) *
                                                  std::max(0, heif_image_handle_get_ispe_height(handle_)));
        // The decoded planes twice, the decoder's and libheif's copy or its cropped or turned
        // one (up to full-resolution chroma, 2 bytes a sample when deep), the interleaved RGB
        // libheif converts to, and our picture.
        const double planes = (deep_ ? 2 : 1) * (alpha_ ? 4 : 3);
        const double rgb = (deep_ ? 2 : 1) * 4;
        return {width, height, CostInBytes(coded * 2 * planes + pixels * (rgb + 4) + codec_.decoderCost)};
    }

    // The clean aperture of the coded size, turned later by the orientation.
    Cost MeasureCoded() {
        const int width = heif_image_handle_get_ispe_width(handle_), height = heif_image_handle_get_ispe_height(handle_);
        if (width <= 0 || height <= 0) return {};
        chroma_ = CodedChroma();
        const bool halved = chroma_ == heif_chroma_420 || chroma_ == heif_chroma_422;
        crop_ = IsoCleanAperture(file_, width, height, halved, chroma_ == heif_chroma_420);
        transformed_ = IsoTransformOrientation(file_);
        if (transformed_) orientation_ = transformed_;
        if (!alpha_) alpha_ = (alphaId_ = SeparateAlpha(width, height)) != 0;
        const int channels = alpha_ ? 4 : 3;
        // The decoded planes twice, the decoder's and libheif's copy (2 bytes a sample when
        // deep), the RGB libheif passes them through on their way out, the 16-bit samples a
        // conversion of colour starts from, and our picture.
        const double pixels = double(width) * height;
        const double planes = (deep_ ? 2 : 1) * channels;
        const double rgb = (deep_ ? 2 : 1) * 4;
        return {crop_.width, crop_.height,
                CostInBytes(pixels * (2 * planes + rgb + 4 + (deep_ ? 2 * channels : 0)) + codec_.decoderCost)};
    }

    Metadata ReadMetadata(Budget& budget) override {
        Metadata metadata;
        heif_item_id id = 0;
        if (heif_image_handle_get_list_of_metadata_block_IDs(handle_, "Exif", &id, 1) < 1) return metadata;
        const size_t size = heif_image_handle_get_metadata_size(handle_, id);
        if (size == 0 || size > kMaxIsoExif) return metadata;
        budget.Take(int64_t(size));
        std::string exif(size, '\0');
        if (heif_image_handle_get_metadata(handle_, id, exif.data()).code == heif_error_Ok) {
            // The picture is turned as irot and imir say; a file without them may still
            // carry its orientation in EXIF only.
            if (!transformed_ && !HasIsoTransforms(file_)) orientation_ = IsoExifOrientation(Bytes(exif));
            metadata.exif = CarriedIsoExif(Bytes(exif), budget);
        }
        budget.Give(int64_t(size));
        return metadata;
    }

    int Orientation() const override { return orientation_; }

    Image Decode(Budget& budget) override {
        return codec_.codedPlanes ? FromPlanes(budget) : FromLibheifRgb(budget);
    }

private:
    // The picture as libheif converts it to RGB, its chroma repeated where subsampled.
    Image FromLibheifRgb(Budget& budget) {
        const ColourSpace space = Space(CodePointsOf(handle_), budget);
        const heif_chroma chroma = deep_ ? (alpha_ ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                         : (alpha_ ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
        heif_image* image = nullptr;
        Check(heif_decode_image(handle_, &image, heif_colorspace_RGB, chroma, nullptr));
        const Decoded decoded(image, &heif_image_release);

        Samples samples;
        int stride = 0;
        samples.data = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
        samples.stride = stride;
        samples.width = heif_image_get_width(image, heif_channel_interleaved);
        samples.height = heif_image_get_height(image, heif_channel_interleaved);
        samples.channels = alpha_ ? 4 : 3;
        samples.bytes = deep_ ? 2 : 1;
        samples.bits = deep_ ? heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) : 8;
        if (!samples.data || samples.width <= 0 || samples.height <= 0 || samples.bits < 1 || samples.bits > 16 ||
            stride < int64_t(samples.width) * samples.channels * samples.bytes)
            Fail(Failure::Damaged, u"no pixels decoded");
        Image out = Image::New(samples.width, samples.height, alpha_, budget);
        SamplesToSrgb(samples, space, out, budget);
        return out;
    }

    // The picture from its coded planes, converted here with bilinear chroma, cropped to
    // its clean aperture; turned and mirrored afterwards by its orientation.
    Image FromPlanes(Budget& budget) {
        // Planes coded with the identity matrix hold G, B and R, which libheif gives as RGB.
        const CodePoints points = CodePointsOf(handle_);
        const heif_chroma chroma = points.matrix == 0 ? heif_chroma_444 : chroma_;
        const heif_colorspace colourspace = points.matrix == 0               ? heif_colorspace_RGB
                                            : chroma == heif_chroma_monochrome ? heif_colorspace_monochrome
                                                                               : heif_colorspace_YCbCr;
        const std::unique_ptr<heif_decoding_options, decltype(&heif_decoding_options_free)> options(
            heif_decoding_options_alloc(), &heif_decoding_options_free);
        if (!options) Fail(Failure::OutOfMemory);
        options->ignore_transformations = 1;
        heif_image* image = nullptr;
        Check(heif_decode_image(handle_, &image, colourspace, chroma, options.get()));
        const Decoded decoded(image, &heif_image_release);
        YuvPlanes planes = PlanesOf(image);

        // An alpha image libheif does not attach (its size is the coded one, the picture's
        // after the crop) is decoded on its own.
        Decoded alpha(nullptr, &heif_image_release);
        if (alphaId_) {
            heif_image_handle* handle = nullptr;
            Check(heif_image_handle_get_auxiliary_image_handle(handle_, alphaId_, &handle));
            heif_image* grey = nullptr;
            const heif_error error =
                heif_decode_image(handle, &grey, heif_colorspace_monochrome, heif_chroma_monochrome, options.get());
            heif_image_handle_release(handle);
            Check(error);
            alpha.reset(grey);
            planes.alphaBits = heif_image_get_bits_per_pixel_range(grey, heif_channel_Y);
            planes.alpha = Plane(grey, heif_channel_Y, planes.width, planes.height, planes.alphaBits, planes.alphaStride);
        }
        if (planes.alpha) planes.premultiplied = heif_image_handle_is_premultiplied_alpha(handle_);
        if (int64_t(crop_.x) + crop_.width > planes.width || int64_t(crop_.y) + crop_.height > planes.height)
            Fail(Failure::Damaged, u"the picture decoded differs from its header");

        const ColourSpace space = Space(points, budget);
        const bool srgb = space.IsSrgb();
        // Deep samples keep their depth through a conversion of colour space.
        if (space.Hdr() || (planes.bits > 8 && !srgb)) {
            const int channels = planes.alpha ? 4 : 3;
            const ptrdiff_t stride = ptrdiff_t(planes.width) * channels * 2;
            const int64_t bytes = CostInBytes(double(stride) * planes.height);
            budget.Take(bytes);
            std::unique_ptr<uint16_t[]> buffer(new uint16_t[size_t(bytes) / 2]);
            YuvToSamples16(planes, buffer.get(), stride);
            Samples samples;
            samples.data = reinterpret_cast<const uint8_t*>(buffer.get()) + crop_.y * stride + ptrdiff_t(crop_.x) * channels * 2;
            samples.stride = stride;
            samples.width = crop_.width;
            samples.height = crop_.height;
            samples.channels = channels;
            samples.bytes = 2;
            samples.bits = 16;
            Image out = Image::New(crop_.width, crop_.height, planes.alpha, budget);
            SamplesToSrgb(samples, space, out, budget);
            buffer.reset();
            budget.Give(bytes);
            return out;
        }
        Image whole = Image::New(planes.width, planes.height, planes.alpha, budget);
        YuvToImage(planes, whole);
        // The clean aperture shares the whole picture's pixels.
        Image out = Image::Adopt(whole.Row(crop_.y) + crop_.x, crop_.width, crop_.height, whole.Stride(),
                                 planes.alpha, whole.Owner());
        if (!srgb) ConvertToSrgbInPlace(out, space);
        return out;
    }

    // The auxiliary image holding the picture's alpha when libheif has not attached it,
    // of the coded size; 0 when there is none.
    heif_item_id SeparateAlpha(int width, int height) const {
        heif_item_id ids[8];
        const int count = heif_image_handle_get_list_of_auxiliary_image_IDs(handle_, 0, ids, 8);
        for (int i = 0; i < count; ++i) {
            heif_image_handle* aux = nullptr;
            if (heif_image_handle_get_auxiliary_image_handle(handle_, ids[i], &aux).code != heif_error_Ok) continue;
            const char* type = nullptr;
            bool alpha = heif_image_handle_get_auxiliary_type(aux, &type).code == heif_error_Ok && type &&
                         (std::string_view(type) == "urn:mpeg:mpegB:cicp:systems:auxiliary:alpha" ||
                          std::string_view(type) == "urn:mpeg:hevc:2015:auxid:1");
            alpha = alpha && heif_image_handle_get_ispe_width(aux) == width && heif_image_handle_get_ispe_height(aux) == height;
            if (type) heif_image_handle_free_auxiliary_types(aux, &type);
            heif_image_handle_release(aux);
            if (alpha) return ids[i];
        }
        return 0;
    }

    // The chroma the picture is coded with, from its AV1 configuration (asked for in none,
    // libheif would repeat subsampled chroma to full resolution).
    heif_chroma CodedChroma() const {
        const Bytes av1c = IsoPrimaryProperty(file_, "av1C");
        if (av1c.size < 4) return heif_chroma_444;
        const uint8_t flags = av1c.U8(2);  // ..., monochrome, chroma subsampled across, down
        if (flags & 0x10) return heif_chroma_monochrome;
        return flags & 0x08 ? (flags & 0x04 ? heif_chroma_420 : heif_chroma_422) : heif_chroma_444;
    }

    // A plane of the decoded picture holding at least width x height samples of `bits`.
    static const uint8_t* Plane(const heif_image* image, heif_channel channel, int width, int height, int bits,
                                ptrdiff_t& stride) {
        int rowBytes = 0;
        const uint8_t* data = heif_image_get_plane_readonly(image, channel, &rowBytes);
        if (!data || heif_image_get_width(image, channel) < width || heif_image_get_height(image, channel) < height ||
            heif_image_get_bits_per_pixel_range(image, channel) != bits || rowBytes < int64_t(width) * (bits > 8 ? 2 : 1))
            Fail(Failure::Damaged, u"no pixels decoded");
        stride = rowBytes;
        return data;
    }

    // The planes of a decoded picture, each checked against the picture's size.
    YuvPlanes PlanesOf(const heif_image* image) const {
        const heif_colorspace colourspace = heif_image_get_colorspace(image);
        const heif_chroma chroma = heif_image_get_chroma_format(image);
        const bool grey = colourspace == heif_colorspace_monochrome || chroma == heif_chroma_monochrome;
        const bool rgb = colourspace == heif_colorspace_RGB && chroma == heif_chroma_444;
        if (!grey && !rgb &&
            (colourspace != heif_colorspace_YCbCr ||
             (chroma != heif_chroma_420 && chroma != heif_chroma_422 && chroma != heif_chroma_444)))
            Fail(Failure::Damaged, u"the picture decoded is not in YCbCr");
        // RGB planes are converted as the identity matrix's G, B and R.
        const heif_channel first = rgb ? heif_channel_G : heif_channel_Y;
        const heif_channel second = rgb ? heif_channel_B : heif_channel_Cb, third = rgb ? heif_channel_R : heif_channel_Cr;
        YuvPlanes planes;
        planes.width = heif_image_get_width(image, first);
        planes.height = heif_image_get_height(image, first);
        planes.bits = heif_image_get_bits_per_pixel_range(image, first);
        if (planes.width <= 0 || planes.height <= 0 || planes.bits < 8 || planes.bits > 16)
            Fail(Failure::Damaged, u"no pixels decoded");
        planes.shiftX = chroma == heif_chroma_420 || chroma == heif_chroma_422;
        planes.shiftY = chroma == heif_chroma_420;
        // libheif hands over YCbCr planes with BT.601's matrix at full range, the file's own
        // when they are those, else brought to them from the file's through RGB.
        planes.matrix = rgb ? 0 : 6;
        planes.fullRange = true;
        planes.y = Plane(image, first, planes.width, planes.height, planes.bits, planes.yStride);
        if (!grey) {
            const int width = (planes.width + planes.shiftX) >> planes.shiftX;
            const int height = (planes.height + planes.shiftY) >> planes.shiftY;
            ptrdiff_t crStride = 0;
            planes.cb = Plane(image, second, width, height, planes.bits, planes.chromaStride);
            planes.cr = Plane(image, third, width, height, planes.bits, crStride);
            if (crStride != planes.chromaStride) Fail(Failure::Damaged, u"no pixels decoded");
        }
        if (alpha_ && heif_image_has_channel(image, heif_channel_Alpha)) {
            planes.alphaBits = heif_image_get_bits_per_pixel_range(image, heif_channel_Alpha);
            if (planes.alphaBits < 1 || planes.alphaBits > 16) Fail(Failure::Damaged, u"no pixels decoded");
            planes.alpha = Plane(image, heif_channel_Alpha, planes.width, planes.height, planes.alphaBits, planes.alphaStride);
        }
        return planes;
    }

    // The colour space of the pixels: the embedded profile, and the colour code points.
    ColourSpace Space(const CodePoints& points, Budget& budget) const {
        std::string icc;
        const size_t size = heif_image_handle_get_raw_color_profile_size(handle_);
        if (size > 0 && size <= kMaxProfile) {
            budget.Take(int64_t(size));
            icc.resize(size);
            if (heif_image_handle_get_raw_color_profile(handle_, icc.data()).code != heif_error_Ok) icc.clear();
        }
        return CicpSpace(points.primaries, points.transfer, std::move(icc));
    }

    Bytes file_;
    HeifCodec codec_;
    heif_context* context_ = heif_context_alloc();
    heif_image_handle* handle_ = nullptr;
    bool deep_ = false, alpha_ = false;
    int orientation_ = 1;
    // Of pictures whose coded planes are read: their chroma, clean aperture, the orientation
    // irot and imir give (0 without them) and a separate alpha image.
    heif_chroma chroma_ = heif_chroma_444;
    IsoRect crop_;
    int transformed_ = 0;
    heif_item_id alphaId_ = 0;
};

}  // namespace

std::unique_ptr<FormatReader> OpenHeifImage(Bytes file, const HeifCodec& codec) {
    return std::make_unique<HeifReader>(file, codec);
}

}  // namespace pictures

// HEIF pictures (HEIC from phones) through libheif and its HEVC decoder: the primary
// image, cropped, turned and mirrored by libheif as its transformation properties ask,
// converted to RGB with the file's matrix and range, then to sRGB from its profile or
// colour code points (HDR ones tone-mapped) before deeper samples are rounded to 8 bits.
#include <libheif/heif.h>

#include "pictures/colour/samples.h"
#include "pictures/formats/formats.h"
#include "pictures/formats/iso_boxes.h"
#include "pictures/formats/iso_exif.h"

namespace pictures {

namespace {

constexpr double kFixedCost = 16 << 20;  // the codec's tables and line buffers
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

class HeifReader : public FormatReader {
public:
    explicit HeifReader(Bytes file) : file_(file) {
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
        // The size after libheif's crop and turn.
        const int width = heif_image_handle_get_width(handle_), height = heif_image_handle_get_height(handle_);
        if (width <= 0 || height <= 0) return {};
        deep_ = heif_image_handle_get_luma_bits_per_pixel(handle_) > 8;
        alpha_ = heif_image_handle_has_alpha_channel(handle_);
        // The decoded planes (up to full-resolution chroma, 2 bytes a sample when deep),
        // the interleaved RGB libheif converts to, and our picture.
        const double pixels = double(width) * height;
        const double planes = (deep_ ? 2 : 1) * (alpha_ ? 4 : 3);
        const double rgb = (deep_ ? 2 : 1) * 4;
        return {width, height, CostInBytes(pixels * (2 * planes + rgb + 4) + kFixedCost)};
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
            // libheif turns the picture as irot and imir say; a file without them may
            // still carry its orientation in EXIF only.
            if (!HasIsoTransforms(file_)) orientation_ = IsoExifOrientation(Bytes(exif));
            metadata.exif = CarriedIsoExif(Bytes(exif), budget);
        }
        budget.Give(int64_t(size));
        return metadata;
    }

    int Orientation() const override { return orientation_; }

    Image Decode(Budget& budget) override {
        const ColourSpace space = Space(budget);
        const heif_chroma chroma = deep_ ? (alpha_ ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                         : (alpha_ ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
        heif_image* decoded = nullptr;
        Check(heif_decode_image(handle_, &decoded, heif_colorspace_RGB, chroma, nullptr));
        const std::unique_ptr<heif_image, decltype(&heif_image_release)> release(decoded, &heif_image_release);

        Samples samples;
        int stride = 0;
        samples.data = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
        samples.stride = stride;
        samples.width = heif_image_get_width(decoded, heif_channel_interleaved);
        samples.height = heif_image_get_height(decoded, heif_channel_interleaved);
        samples.channels = alpha_ ? 4 : 3;
        samples.bytes = deep_ ? 2 : 1;
        samples.bits = deep_ ? heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved) : 8;
        if (!samples.data || samples.width <= 0 || samples.height <= 0 || samples.bits < 1 || samples.bits > 16 ||
            stride < int64_t(samples.width) * samples.channels * samples.bytes)
            Fail(Failure::Damaged, u"no pixels decoded");
        Image image = Image::New(samples.width, samples.height, alpha_, budget);
        SamplesToSrgb(samples, space, image, budget);
        return image;
    }

private:
    // The colour space of the pixels: the embedded profile, and the colour code points.
    ColourSpace Space(Budget& budget) const {
        std::string icc;
        const size_t size = heif_image_handle_get_raw_color_profile_size(handle_);
        if (size > 0 && size <= kMaxProfile) {
            budget.Take(int64_t(size));
            icc.resize(size);
            if (heif_image_handle_get_raw_color_profile(handle_, icc.data()).code != heif_error_Ok) icc.clear();
        }
        int primaries = 2, transfer = 2;  // unspecified
        heif_color_profile_nclx* nclx = nullptr;
        // libheif may hand over the profile with an error (code points it does not know).
        const bool known = heif_image_handle_get_nclx_color_profile(handle_, &nclx).code == heif_error_Ok;
        if (known && nclx) {
            primaries = nclx->color_primaries;
            transfer = nclx->transfer_characteristics;
        }
        if (nclx) heif_nclx_color_profile_free(nclx);
        return CicpSpace(primaries, transfer, std::move(icc));
    }

    Bytes file_;
    heif_context* context_ = heif_context_alloc();
    heif_image_handle* handle_ = nullptr;
    bool deep_ = false, alpha_ = false;
    int orientation_ = 1;
};

}  // namespace

// HEIF brands; AVIF files (brand avif or avis) are left to the AVIF reader.
const Format kHeif = {
    "heif",
    [](Bytes head, Bytes, uint64_t, std::string_view) {
        return HasIsoBrand(head, {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1"}, {"avif", "avis"});
    },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<HeifReader>(file); },
};

}  // namespace pictures

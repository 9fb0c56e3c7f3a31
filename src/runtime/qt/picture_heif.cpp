// HEIF pictures (HEIC from phones) through libheif and its HEVC decoder: the primary
// image, turned and mirrored as its transformation properties ask, colours converted by
// libheif with the file's matrix and range, deeper samples scaled down to 8 bits.
#include <libheif/heif.h>

#include <QtEndian>
#include <cstring>

#include "runtime/qt/picture_own_formats.h"

namespace rt {

namespace {

constexpr int64_t kFixedCost = 16 << 20;  // the codec's tables and line buffers


DecodeFailure Failure(const heif_error& error) {
    if (error.code == heif_error_Memory_allocation_error) return {DecodeFailure::OutOfMemory, {}};
    if (error.subcode == heif_suberror_End_of_data) return {DecodeFailure::Truncated, {}};
    if (error.subcode == heif_suberror_Security_limit_exceeded) return {DecodeFailure::TooLarge, {}};
    return {DecodeFailure::Damaged, QString::fromUtf8(error.message).toStdU16String()};
}

void Check(const heif_error& error) {
    if (error.code != heif_error_Ok) throw Failure(error);
}

class HeifReader : public OwnFormatReader {
public:
    explicit HeifReader(const QByteArray& bytes) : bytes_(bytes) {}
    ~HeifReader() override {
        if (handle_) heif_image_handle_release(handle_);
        heif_context_free(context_);
    }

    DecodingCost Measure() override {
        if (IsoBoxesOverrun(bytes_)) throw DecodeFailure{DecodeFailure::Truncated, {}};
        Check(heif_context_read_from_memory_without_copy(context_, bytes_.constData(), size_t(bytes_.size()), nullptr));
        Check(heif_context_get_primary_image_handle(context_, &handle_));
        DecodingCost cost;
        cost.size = QSize(heif_image_handle_get_width(handle_), heif_image_handle_get_height(handle_));
        // libheif turns the picture as irot and imir say; a file without them may still
        // carry its orientation in EXIF only.
        if (!HasIsoTransforms(bytes_)) orientation_ = ExifOrientation(Exif());
        if (orientation_ >= 5) cost.size.transpose();
        if (cost.size.isEmpty()) return {};
        deep_ = heif_image_handle_get_luma_bits_per_pixel(handle_) > 8;
        alpha_ = heif_image_handle_has_alpha_channel(handle_);
        // The decoded planes (up to full-resolution chroma, 2 bytes a sample when deep), a
        // turned copy of them, the interleaved RGB libheif converts to, and our picture.
        const double pixels = double(cost.size.width()) * cost.size.height();
        const double turnedCopy = orientation_ > 1 ? 4 : 0;
        const double planes = (deep_ ? 2 : 1) * (alpha_ ? 4 : 3);
        const double rgb = (deep_ ? 2 : 1) * 4;
        cost.bytes = CostInBytes(pixels * (2 * planes + rgb + 4 + turnedCopy) + double(bytes_.size()) + kFixedCost);
        return cost;
    }

    QImage Decode() override {
        const heif_chroma chroma = deep_ ? (alpha_ ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                         : (alpha_ ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
        heif_image* decoded = nullptr;
        Check(heif_decode_image(handle_, &decoded, heif_colorspace_RGB, chroma, nullptr));
        struct Release {
            heif_image* image;
            ~Release() { heif_image_release(image); }
        } release{decoded};

        const int width = heif_image_get_width(decoded, heif_channel_interleaved);
        const int height = heif_image_get_height(decoded, heif_channel_interleaved);
        int stride = 0;
        const uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
        if (!plane || width <= 0 || height <= 0) throw DecodeFailure{DecodeFailure::Damaged, u"no pixels decoded"};
        const int bits = deep_ ? heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved) : 8;
        const int channels = alpha_ ? 4 : 3;

        QImage image = NewImage(width, height, alpha_ ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            const uint8_t* in = plane + qsizetype(y) * stride;
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                uchar c[4] = {0, 0, 0, 255};
                for (int k = 0; k < channels; ++k)
                    c[k] = deep_ ? To8Bits(qFromLittleEndian<quint16>(in + 2 * (x * channels + k)), bits)
                                 : in[x * channels + k];
                out[x] = qRgba(c[0], c[1], c[2], c[3]);
            }
        }
        ConvertToSrgb(image, Profile(), Primaries());
        return Oriented(std::move(image), orientation_);
    }

private:
    QByteArray Profile() const {
        QByteArray icc(qsizetype(heif_image_handle_get_raw_color_profile_size(handle_)), '\0');
        if (!icc.isEmpty() && heif_image_handle_get_raw_color_profile(handle_, icc.data()).code != heif_error_Ok) icc.clear();
        return icc;
    }
public:
    QByteArray Exif() const override {
        heif_item_id id = 0;
        if (heif_image_handle_get_list_of_metadata_block_IDs(handle_, "Exif", &id, 1) < 1) return {};
        QByteArray exif(qsizetype(heif_image_handle_get_metadata_size(handle_, id)), '\0');
        if (heif_image_handle_get_metadata(handle_, id, exif.data()).code != heif_error_Ok) return {};
        return exif;
    }

private:
    int Primaries() const {
        heif_color_profile_nclx* nclx = nullptr;
        if (heif_image_handle_get_nclx_color_profile(handle_, &nclx).code != heif_error_Ok || !nclx) return 1;
        const int primaries = nclx->color_primaries;
        heif_nclx_color_profile_free(nclx);
        return primaries;
    }

    const QByteArray& bytes_;
    heif_context* context_ = heif_context_alloc();
    heif_image_handle* handle_ = nullptr;
    bool deep_ = false, alpha_ = false;
    int orientation_ = 1;
};

}  // namespace

// HEIF brands; AVIF files (brand avif or avis) are left to the AVIF reader.
bool IsHeif(const QByteArray& head) {
    if (head.size() < 16 || head.mid(4, 4) != "ftyp") return false;
    const qsizetype end = std::min<qsizetype>(head.size(), qFromBigEndian<quint32>(head.constData()));
    bool heif = false;
    for (qsizetype at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {  // major brand, version, compatible brands
        const QByteArray brand = head.mid(at, 4);
        if (brand == "avif" || brand == "avis") return false;
        heif = heif || brand == "heic" || brand == "heix" || brand == "hevc" || brand == "hevx" || brand == "heim" ||
               brand == "heis" || brand == "mif1" || brand == "msf1";
    }
    return heif;
}

std::unique_ptr<OwnFormatReader> OpenHeif(const QByteArray& bytes) {
    return std::make_unique<HeifReader>(bytes);
}

}  // namespace rt

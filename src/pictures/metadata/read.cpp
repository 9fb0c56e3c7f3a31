#include <memory>

#include "pictures/metadata/carried.h"
#include "pictures/metadata/exiv_input.h"
#include "pictures/metadata/exiv.h"
#include "pictures/metadata/metadata.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/webpimage.hpp>  // not among the ones exiv2.hpp gathers

namespace pictures {

namespace {

// exiv2 holds each block it reads about three times over: the bytes, its records of
// them, and the block written again for carrying.
constexpr double kExivCopies = 3;
constexpr double kExivState = 256 * 1024;

// exiv2's type for the formats metadata is carried from; 0 for the others.
int ExivTypeOf(std::string_view format) {
    if (format == "jpeg") return Exiv2::ImageType::jpeg;
    if (format == "png") return Exiv2::ImageType::png;
    if (format == "tiff") return Exiv2::ImageType::tiff;
    if (format == "webp") return Exiv2::ImageType::webp;
    return 0;
}

bool Lossless(std::string_view format, Bytes file, int compression) {
    if (format == "jpeg") return false;
    if (format == "webp") return WebpLossless(file);
    if (format == "tiff") return compression != 6 && compression != 7;  // JPEG-compressed TIFF is lossy
    return true;  // PNG, GIF, BMP, icons and the portable and X formats
}

// A block copied out of exiv2 once the budget holds it.
std::string Kept(std::string block, Budget& budget) {
    if (block.size() > kMetadataBlockLimit) return {};
    budget.Take(int64_t(block.size()));
    return block;
}

}  // namespace

Metadata exiv::ReadFileMetadata(Bytes file, std::string_view format, Budget& budget, int* orientation) {
    static const bool quiet = [] {  // damaged metadata is skipped, not told on the terminal
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        return true;
    }();
    (void)quiet;
    const int type = ExivTypeOf(format);
    const ExivInput input = type ? ExivInputOf(file, format) : ExivInput{};
    *orientation = input.orientation;
    Metadata metadata;
    metadata.lossless = Lossless(format, file, input.compression);
    const Bytes source = input.wholeFile ? file : Bytes(input.copy);
    if (source.size == 0) return metadata;

    const int64_t work = CostInBytes(kExivState + kExivCopies * (double(input.blockBytes) + double(input.copy.size())));
    budget.Take(work);
    try {
        if (Exiv2::ImageFactory::getType(source.data, long(source.size)) == type) {
            auto image = Exiv2::ImageFactory::open(source.data, long(source.size));
            image->readMetadata();
            std::string icc, exif, xmp;
            if (image->iccProfileDefined())
                icc.assign(reinterpret_cast<const char*>(image->iccProfile()->pData_), size_t(image->iccProfile()->size_));
            exif = CarriedExif(image->exifData(), image->byteOrder());
            xmp = CarriedXmp(image->xmpPacket());
            image.reset();
            budget.Give(work);
            metadata.icc = Kept(std::move(icc), budget);
            metadata.exif = Kept(std::move(exif), budget);
            metadata.xmp = Kept(std::move(xmp), budget);
            return metadata;
        }
    } catch (const std::exception&) {
        // damaged metadata: the pixels alone are carried
    }
    budget.Give(work);
    return metadata;
}

}  // namespace pictures

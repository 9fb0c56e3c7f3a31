// HEIF pictures (HEIC from phones) through libheif and its HEVC decoder.
#include "pictures/formats/formats.h"
#include "pictures/formats/heif_reader.h"
#include "pictures/formats/iso_boxes.h"

namespace pictures {

namespace {

constexpr HeifCodec kCodec{16 << 20, false};  // the HEVC decoder's tables and line buffers

}  // namespace

// HEIF brands; AVIF files (brand avif or avis) are left to the AVIF reader.
const Format kHeif = {
    "heif",
    [](Bytes head, Bytes, uint64_t, std::string_view) {
        return HasIsoBrand(head, {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1"}, {"avif", "avis"});
    },
    [](Bytes file) { return OpenHeifImage(file, kCodec); },
};

}  // namespace pictures

// AVIF pictures through libheif and its AV1 decoder (dav1d): the primary image, which in
// an image sequence (brand avis) is its first frame.
#include "pictures/formats/formats.h"
#include "pictures/formats/heif_reader.h"
#include "pictures/formats/iso_boxes.h"

namespace pictures {

namespace {

constexpr HeifCodec kCodec{32 << 20, true};  // the AV1 decoder's state and reference frames

}  // namespace

const Format kAvif = {
    "avif",
    [](Bytes head, Bytes, uint64_t, std::string_view) { return HasIsoBrand(head, {"avif", "avis"}); },
    [](Bytes file) { return OpenHeifImage(file, kCodec); },
};

}  // namespace pictures

// The HEIF family, HEIC from phones and AVIF, read through libheif: the primary image,
// cropped, turned and mirrored by libheif as its transformation properties ask.
#pragma once

#include <memory>

#include "pictures/format.h"

namespace pictures {

struct HeifCodec {
    // What the image codec keeps besides the planes it hands over (its state, tables and
    // reference frames), in bytes.
    double decoderCost = 0;
    // Whether subsampled chroma is interpolated (bilinear), as the AV1 tools do, rather than
    // repeated, as libheif's own conversion and the HEIF tools do.
    bool bilinearChroma = false;
};

// A reader of the file's primary image.
std::unique_ptr<FormatReader> OpenHeifImage(Bytes file, const HeifCodec& codec);

}  // namespace pictures

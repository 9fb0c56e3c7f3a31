// The HEIF family, HEIC from phones and AVIF, read through libheif: the primary image,
// cropped, turned and mirrored as its transformation properties ask.
#pragma once

#include <memory>

#include "pictures/format.h"

namespace pictures {

struct HeifCodec {
    // What the image codec keeps besides the planes it hands over (its state, tables and
    // reference frames), in bytes.
    double decoderCost = 0;
    // Whether the reader takes the coded planes and converts them itself, subsampled chroma
    // interpolated (bilinear) as the AV1 tools do, cropped and turned as the file's
    // properties say; else libheif converts (chroma repeated, as the HEIF tools do) and
    // crops and turns.
    bool codedPlanes = false;
};

// A reader of the file's primary image.
std::unique_ptr<FormatReader> OpenHeifImage(Bytes file, const HeifCodec& codec);

}  // namespace pictures

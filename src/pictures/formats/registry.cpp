#include "pictures/formats/formats.h"

namespace pictures {

// Formats with a signature come first; those told only by their header's shape or their
// name's extension (TGA, WBMP) last, so that they never claim another format's file.
const Format* const* Formats() {
    static const Format* const formats[] = {
        &kQoi,
        &kPng,
        &kGif,
        &kJpeg,
        &kWebp,
        &kHeifFamily,
        &kAvifFamily,
        &kJxlFamily,
        &kTiff,
        &kBmp,
        &kIco,
        &kPnm,
        &kXbm,
        &kXpm,
        &kWbmp,
        // Last: only an optional footer marks a TGA.
        &kTga,
        nullptr,
    };
    return formats;
}

}  // namespace pictures

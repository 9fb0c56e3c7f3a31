#include "pictures/formats/formats.h"

namespace pictures {

// Formats with a signature come first; those told only by their header's shape or their
// name's extension (TGA, WBMP) last, so that they never claim another format's file.
const Format* const* Formats() {
    static const Format* const formats[] = {
        &kQoi,
        &kHeif,
        &kAvif,
        &kJxl,
        nullptr,
    };
    return formats;
}

}  // namespace pictures

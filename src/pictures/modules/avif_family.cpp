// The AVIF reader: over libavif on Linux, over libheif where the program has no libavif.
// AVIF is written by the HEIF family.
#include "pictures/formats/formats.h"
#include "pictures/modules/module.h"

extern "C" const pictures::PictureModule* orvenna_avif_module() {
    using namespace pictures;
    static const Format* const formats[] = {&kAvif, nullptr};
    static const ModuleEncoder encoders[] = {{SaveFormat::Bmp, nullptr}};
    static const PictureModule module{ORVENNA_MODULE_BUILD, formats, encoders, nullptr};
    return &module;
}

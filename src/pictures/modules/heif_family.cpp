// The HEIF family over libheif: HEIF (HEVC) read, AVIF written.
#include "pictures/formats/formats.h"
#include "pictures/modules/module.h"

extern "C" const pictures::PictureModule* orvenna_heif_module() {
    using namespace pictures;
    static const Format* const formats[] = {&kHeif, nullptr};
    static const ModuleEncoder encoders[] = {{SaveFormat::Avif, EncodeAvif}, {SaveFormat::Bmp, nullptr}};
    static const PictureModule module{ORVENNA_MODULE_BUILD, formats, encoders, nullptr};
    return &module;
}

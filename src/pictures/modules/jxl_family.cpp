// The JPEG XL family over libjxl.
#include "pictures/formats/formats.h"
#include "pictures/modules/module.h"

extern "C" const pictures::PictureModule* orvenna_jxl_module() {
    using namespace pictures;
    static const Format* const formats[] = {&kJxl, nullptr};
    static const ModuleEncoder encoders[] = {{SaveFormat::Jxl, EncodeJxl}, {SaveFormat::Bmp, nullptr}};
    static const PictureModule module{ORVENNA_MODULE_BUILD, formats, encoders, nullptr};
    return &module;
}

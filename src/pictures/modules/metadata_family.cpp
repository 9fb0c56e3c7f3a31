// The metadata family over exiv2: a file's profile, EXIF and XMP read, and written into a
// saved TIFF.
#include "pictures/metadata/exiv.h"
#include "pictures/modules/module.h"

extern "C" const pictures::PictureModule* orvenna_metadata_module() {
    using namespace pictures;
    static const Format* const formats[] = {nullptr};
    static const ModuleEncoder encoders[] = {{SaveFormat::Bmp, nullptr}};
    static const MetadataFunctions functions{exiv::ReadFileMetadata, exiv::CarriedIsoExif, exiv::WithTiffMetadata};
    static const PictureModule module{ORVENNA_MODULE_BUILD, formats, encoders, &functions};
    return &module;
}

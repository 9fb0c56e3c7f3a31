// The core's metadata calls, made through the metadata module, which the first of them
// loads. Without it a file is refused (or a save fails) naming what is missing, rather
// than read or written without its metadata unnoticed.
#include "pictures/formats/iso_exif.h"
#include "pictures/metadata/metadata.h"
#include "pictures/modules/module.h"

namespace pictures {

namespace {

const MetadataFunctions& Functions(Failure::Kind missing) {
    const PictureModule& module = LoadFamily(Family::Metadata, missing);
    if (!module.metadata) Fail(missing, MissingFamily(Family::Metadata, "the module has no metadata functions"));
    return *module.metadata;
}

}  // namespace

Metadata ReadFileMetadata(Bytes file, std::string_view format, Budget& budget, int* orientation) {
    return Functions(Failure::Damaged).readFile(file, format, budget, orientation);
}

std::string CarriedIsoExif(Bytes exif, Budget& budget) {
    return Functions(Failure::Damaged).carriedIsoExif(exif, budget);
}

std::string WithTiffMetadata(const std::string& tiff, const Metadata& metadata) {
    return Functions(Failure::WriteFailed).withTiffMetadata(tiff, metadata);
}

}  // namespace pictures

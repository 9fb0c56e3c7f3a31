// A format family the program loads when a picture first needs it: the heavy codec
// libraries (HEIF, AVIF, JPEG XL) and exiv2, which reads and writes the metadata, are kept
// out of the program's start. Each family is built twice from the same sources: as a
// module the Linux program opens with dlopen, and linked in (the Windows program, the
// tests, the benchmarks). Either way the core reaches it through one entry function
// returning this record.
#pragma once

#include <string>

#include "pictures/failure.h"
#include "pictures/format.h"
#include "pictures/metadata/metadata.h"
#include "pictures/writers/writers.h"

namespace pictures {

struct ModuleEncoder {
    SaveFormat format;
    std::string (*encode)(const Image& srgb);
};

// The metadata family's work, done with exiv2 (metadata.h says what each does).
struct MetadataFunctions {
    Metadata (*readFile)(Bytes file, std::string_view format, Budget& budget, int* orientation);
    std::string (*carriedIsoExif)(Bytes exif, Budget& budget);
    std::string (*withTiffMetadata)(const std::string& tiff, const Metadata& metadata);
};

struct PictureModule {
    // The build the module comes from: a module of another build may lay out the core's
    // types otherwise, and is refused rather than called.
    const char* build;
    const Format* const* formats;   // null-terminated
    const ModuleEncoder* encoders;  // ended by one with a null encode
    const MetadataFunctions* metadata;  // the metadata family's; null for the others
};

enum class Family { Heif, Avif, Jxl, Metadata };

// The family's record, loaded on first use, once, whichever thread asks first. Fails with
// the kind given (Damaged when reading, WriteFailed when saving), the reason in detail,
// when the family's module is missing or unusable.
const PictureModule& LoadFamily(Family family, Failure::Kind missing);

// The format of that name in the family, and the family's encoder of that save format.
const Format& FamilyFormat(Family family, std::string_view name);
std::string (*FamilyEncoder(Family family, SaveFormat format))(const Image&);

// The detail of a failure to load the family: why, in the loader's words.
std::u16string MissingFamily(Family family, std::string_view reason);

}  // namespace pictures

// The entries, one per family, by these names in the module and in the linked-in build.
extern "C" const pictures::PictureModule* orvenna_heif_module();
extern "C" const pictures::PictureModule* orvenna_avif_module();
extern "C" const pictures::PictureModule* orvenna_jxl_module();
extern "C" const pictures::PictureModule* orvenna_metadata_module();

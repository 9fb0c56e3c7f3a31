// The formats of the loaded families as the registry lists them: told from other formats
// here, by their bytes, so that recognising a file never loads a module; opened through
// the family's module, loaded then.
#include "pictures/formats/formats.h"
#include "pictures/formats/iso_boxes.h"
#include "pictures/modules/module.h"

namespace pictures {

namespace {

const char* FamilyName(Family family) {
    switch (family) {
    case Family::Heif: return "HEIF";
    case Family::Avif: return "AVIF";
    case Family::Jxl: return "JPEG XL";
    case Family::Metadata: break;
    }
    return "metadata";
}

}  // namespace

const Format& FamilyFormat(Family family, std::string_view name) {
    const PictureModule& module = LoadFamily(family, Failure::Damaged);
    for (const Format* const* format = module.formats; *format; ++format)
        if ((*format)->name == name) return **format;
    Fail(Failure::Damaged, u"the " + Text(FamilyName(family)) + u" support installed does not read " + Text(name));
}

std::string (*FamilyEncoder(Family family, SaveFormat format))(const Image&) {
    const PictureModule& module = LoadFamily(family, Failure::WriteFailed);
    for (const ModuleEncoder* encoder = module.encoders; encoder->encode; ++encoder)
        if (encoder->format == format) return encoder->encode;
    Fail(Failure::WriteFailed, u"the " + Text(FamilyName(family)) + u" support installed does not write this format");
}

std::u16string MissingFamily(Family family, std::string_view reason) {
    return u"the " + Text(FamilyName(family)) + u" support is not installed (" + Text(reason) + u")";
}

// The same brands as the family's own readers look for.
const Format kHeifFamily = {
    "heif",
    [](Bytes head, Bytes, uint64_t, std::string_view) {
        return HasIsoBrand(head, {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1"}, {"avif", "avis"});
    },
    [](Bytes file) { return FamilyFormat(Family::Heif, "heif").open(file); },
};

const Format kAvifFamily = {
    "avif",
    [](Bytes head, Bytes, uint64_t, std::string_view) { return HasIsoBrand(head, {"avif", "avis"}); },
    [](Bytes file) { return FamilyFormat(Family::Avif, "avif").open(file); },
};

// A bare codestream (FF 0A) or the container's signature box.
const Format kJxlFamily = {
    "jxl",
    [](Bytes head, Bytes, uint64_t, std::string_view) {
        using namespace std::string_view_literals;
        return head.StartsWith("\xff\x0a"sv) || head.StartsWith("\0\0\0\x0cJXL \r\n\x87\n"sv);
    },
    [](Bytes file) { return FamilyFormat(Family::Jxl, "jxl").open(file); },
};

}  // namespace pictures

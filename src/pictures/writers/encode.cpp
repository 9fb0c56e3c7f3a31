#include "pictures/writers/writers.h"

#include <new>

#include "pictures/modules/module.h"

namespace pictures {

namespace {

std::u16string Lower(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out)
        if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    return out;
}

}  // namespace

SaveFormat SaveFormatFor(std::u16string_view fileName) {
    const size_t dot = fileName.find_last_of(u'.');
    const size_t slash = fileName.find_last_of(u"/\\");
    if (dot == std::u16string_view::npos || (slash != std::u16string_view::npos && dot < slash)) return SaveFormat::Bmp;
    const std::u16string ext = Lower(fileName.substr(dot + 1));
    if (ext == u"jpg" || ext == u"jpeg" || ext == u"jpe" || ext == u"jfif") return SaveFormat::Jpeg;
    if (ext == u"png") return SaveFormat::Png;
    if (ext == u"gif") return SaveFormat::Gif;
    if (ext == u"tif" || ext == u"tiff") return SaveFormat::Tiff;
    if (ext == u"webp") return SaveFormat::Webp;
    if (ext == u"avif") return SaveFormat::Avif;
    if (ext == u"jxl") return SaveFormat::Jxl;
    return SaveFormat::Bmp;  // bmp, dib, and anything else
}

Image OnWhite(const Image& image) {
    if (!image.HasAlpha()) return image;
    Budget unbounded(int64_t(1) << 62);  // a save's copies are not a reader's: the bound is for reading
    Image out = Image::New(image.Width(), image.Height(), false, unbounded);
    out.dotsPerMeterX = image.dotsPerMeterX;
    out.dotsPerMeterY = image.dotsPerMeterY;
    for (int y = 0; y < image.Height(); ++y) {
        const uint32_t* in = image.Row(y);
        uint32_t* row = out.Row(y);
        for (int x = 0; x < image.Width(); ++x) {
            const unsigned a = AlphaOf(in[x]);
            const auto mix = [a](unsigned c) { return (c * a + 255 * (255 - a) + 127) / 255; };
            row[x] = Argb(mix(RedOf(in[x])), mix(GreenOf(in[x])), mix(BlueOf(in[x])));
        }
    }
    return out;
}

std::string Encode(const Picture& picture, SaveFormat format) {
    if (picture.image.Null()) Fail(Failure::WriteFailed, u"there is no picture to write");
    const Image& image = picture.image;
    const Metadata& metadata = picture.metadata;
    // GIF, BMP, AVIF and JPEG XL are written without a profile: they get the sRGB pixels.
    const Image& srgb = picture.Srgb();
    try {
        switch (format) {
        case SaveFormat::Jpeg: return EncodeJpeg(OnWhite(image), metadata);
        case SaveFormat::Png: return EncodePng(image, metadata);
        case SaveFormat::Gif: return EncodeGif(srgb);
        case SaveFormat::Tiff: return EncodeTiff(image, metadata);
        case SaveFormat::Webp: return EncodeWebp(image, metadata);
        // Through their family's module, loaded on the first save in them.
        case SaveFormat::Avif: return FamilyEncoder(Family::Heif, format)(srgb);
        case SaveFormat::Jxl: return FamilyEncoder(Family::Jxl, format)(srgb);
        case SaveFormat::Bmp: break;
        }
        return EncodeBmp(OnWhite(srgb));
    } catch (const std::bad_alloc&) {
        Fail(Failure::OutOfMemory);
    }
}

}  // namespace pictures

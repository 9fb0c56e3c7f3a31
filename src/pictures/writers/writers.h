// Writing pictures: which format a target's extension names, and the whole file in it.
#pragma once

#include <string>
#include <string_view>

#include "pictures/picture.h"

namespace pictures {

enum class SaveFormat { Jpeg, Png, Gif, Bmp, Tiff, Webp, Avif, Jxl };

// The format the file name's extension names, in any letter case; BMP for any other
// extension and for none.
SaveFormat SaveFormatFor(std::u16string_view fileName);

// The whole file in that format: the pixels as read with the source's profile and
// metadata where the format holds them, sRGB pixels where it does not. Fails with
// Failure::WriteFailed (the reason in detail) or Failure::OutOfMemory.
std::string Encode(const Picture& picture, SaveFormat format);

// The encoders. Each takes 4-byte pixels as the core holds them.
std::string EncodeJpeg(const Image& image, const Metadata& metadata);  // quality 90, optimised tables, 4:2:0
std::string EncodePng(const Image& image, const Metadata& metadata);
std::string EncodeGif(const Image& image);  // its own colours up to 256, else libimagequant's, dithered
std::string EncodeBmp(const Image& image);  // 24-bit, bottom-up
std::string EncodeTiff(const Image& image, const Metadata& metadata);  // Deflate with a predictor
std::string EncodeWebp(const Image& image, const Metadata& metadata);  // lossless when the source was
std::string EncodeAvif(const Image& image);
std::string EncodeJxl(const Image& image);

// The picture on white: JPEG and BMP hold no alpha, and transparent areas go on white,
// not black. The same picture when it has no alpha.
Image OnWhite(const Image& image);

}  // namespace pictures

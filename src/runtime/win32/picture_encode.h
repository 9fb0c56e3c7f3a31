// Writing pictures on Windows: which format a target's extension names, the encoders of
// the system's codecs behind SavePicture, and the all-or-nothing file write.
#pragma once

#include <string>

#include "runtime/win32/picture_data.h"
#include "runtime/win32/wic.h"

namespace rt::win32 {

enum class SaveFormat { Jpeg, Png, Gif, Bmp, Tiff, Webp };

// The format the file name's extension names, in any letter case; BMP for any other
// extension and for none.
SaveFormat SaveFormatFor(const std::u16string& fileName);

// The whole file in that format. target names the file in errors.
std::string EncodePicture(const Picture::Data& picture, SaveFormat format, const std::u16string& target);

// GIF: a 256-colour palette made from the picture, error diffusion onto it; transparent
// pixels keep one transparent palette entry. Writes the frame of the encoder given;
// returns the transparent entry, or -1 when the picture has none.
int EncodeGifFrame(const Picture::Data& picture, IWICBitmapEncoder& encoder, const std::u16string& target);

// Marks the palette entry transparent in the GIF's control block before its picture
// (encoders differ in whether they write one).
void MarkGifTransparent(std::string& gif, int index);

// The picture's pixels as blue, green, red, alpha without premultiplying, top-down.
std::string StraightPixels(const Picture::Data& picture);

// Writes the bytes to the path through a temporary file in the same folder, flushed to
// the disk, then moved over the target; on any failure the old target stays as it was.
void WriteFileAtomically(const std::u16string& path, const std::string& bytes);

}  // namespace rt::win32

// Writing pictures, the Qt side: which format a target's extension names, the encoders
// behind SavePicture, and the all-or-nothing file write.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <string>

#include "runtime/qt/picture_data.h"

namespace rt {

enum class SaveFormat { Jpeg, Png, Gif, Bmp, Tiff, Webp, Avif, Jxl };

// The format the file name's extension names, in any letter case; BMP for any other
// extension and for none.
SaveFormat SaveFormatFor(const QString& fileName);

// The whole file in that format: the pixels as read with the source's profile and
// metadata where the format holds them, sRGB pixels where it does not. target names
// the file in errors, as the user's system writes it.
QByteArray EncodePicture(const Picture::Data& picture, SaveFormat format, const std::u16string& target);

// JPEG, quality 90, optimised Huffman tables, baseline 4:2:0.
QByteArray EncodeJpeg(const QImage& image, const PictureMetadata& metadata, const std::u16string& target);

// WebP, lossless when the source file was.
QByteArray EncodeWebp(const QImage& image, const PictureMetadata& metadata, const std::u16string& target);

// TIFF, compressed losslessly.
QByteArray EncodeTiff(const QImage& image, const PictureMetadata& metadata, const std::u16string& target);

// GIF: a 256-colour palette from libimagequant, dithered; transparent pixels keep one
// transparent palette entry.
QByteArray EncodeGif(const QImage& image, const std::u16string& target);

// AVIF (libavif) and JPEG XL (libjxl), lossy, at about the quality of JPEG at 90.
QByteArray EncodeAvif(const QImage& image, const std::u16string& target);
QByteArray EncodeJxl(const QImage& image, const std::u16string& target);

// Writes the bytes to the host path through a temporary file in the same folder,
// renamed over the target only when everything was written; a failure names the
// target (shown) and says what the system said.
void WriteFileAtomically(const std::string& hostPath, const QByteArray& bytes, const std::u16string& shown);

}  // namespace rt

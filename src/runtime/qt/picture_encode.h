// Writing pictures, the Qt side: which format a target's extension names, the encoders
// behind SavePicture, and the all-or-nothing file write.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <string>

namespace rt {

enum class SaveFormat { Jpeg, Png, Gif, Bmp, Tiff, Webp };

// The format the file name's extension names, in any letter case; BMP for any other
// extension and for none.
SaveFormat SaveFormatFor(const QString& fileName);

// The whole file in that format. target names the file in errors, as the user's
// system writes it.
QByteArray EncodePicture(const QImage& image, SaveFormat format, const std::u16string& target);

// GIF: a 256-colour palette from libimagequant, dithered; transparent pixels keep one
// transparent palette entry.
QByteArray EncodeGif(const QImage& image, const std::u16string& target);

// Writes the bytes to the host path through a temporary file in the same folder,
// renamed over the target only when everything was written; a failure names the
// target (shown) and says what the system said.
void WriteFileAtomically(const std::string& hostPath, const QByteArray& bytes, const std::u16string& shown);

}  // namespace rt

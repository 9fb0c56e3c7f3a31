// Colour profiles, EXIF and XMP: read from a picture file, readied for carrying, and
// written into the PNG and TIFF files a picture is saved as (the JPEG and WebP encoders
// write their own).
#pragma once

#include <QByteArray>
#include <string>

#include "runtime/qt/picture_data.h"

class QFile;

namespace rt {

// What the open file holds besides its pixels, read by the picture core's metadata module
// (see pictures/metadata/metadata.h); format is the reader's name of its format.
// orientation receives the EXIF orientation the file gave (1 when none).
PictureMetadata ReadMetadata(QFile& file, const QByteArray& format, int* orientation);

// EXIF stored as a TIFF structure (after any prefix), readied for carrying as above;
// empty when there is none or it cannot be read.
QByteArray CarriedExif(const QByteArray& stored);

// The PNG file with the profile (iCCP), EXIF (eXIf) and XMP (iTXt) chunks after its header.
QByteArray WithPngMetadata(const QByteArray& png, const PictureMetadata& metadata);

// The TIFF file with the EXIF fields, XMP and profile in its first directory.
QByteArray WithTiffMetadata(const QByteArray& tiff, const PictureMetadata& metadata);

}  // namespace rt

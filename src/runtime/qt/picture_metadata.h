// Colour profiles, EXIF and XMP: read from a picture file, readied for carrying, and
// written into the PNG and TIFF files a picture is saved as (the JPEG and WebP encoders
// write their own).
#pragma once

#include <QByteArray>
#include <string>

#include "runtime/qt/picture_data.h"

class QFile;

namespace rt {

// What the file at the host path holds besides its pixels; format is the reader's
// name of its format. Nothing is left of the EXIF thumbnail or of the fields that
// describe the file's own pixel layout, and any orientation reads 1: the picture is
// turned upright when read. A file whose metadata cannot be read has none. orientation
// receives the EXIF orientation the file gave (1 when none).
PictureMetadata ReadMetadata(const std::string& hostPath, QFile& file, const QByteArray& format, int* orientation);

// EXIF stored as a TIFF structure (after any prefix), readied for carrying as above;
// empty when there is none or it cannot be read.
QByteArray CarriedExif(const QByteArray& stored);

// The PNG file with the profile (iCCP), EXIF (eXIf) and XMP (iTXt) chunks after its header.
QByteArray WithPngMetadata(const QByteArray& png, const PictureMetadata& metadata);

// The TIFF file with the EXIF fields, XMP and profile in its first directory.
QByteArray WithTiffMetadata(const QByteArray& tiff, const PictureMetadata& metadata);

}  // namespace rt

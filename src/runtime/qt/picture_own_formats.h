// Readers of our own for the picture formats Qt's image readers leave out: TGA in all
// its common forms. Each recognises its files by content, tells from the header alone
// how large the picture is and how much memory decoding it takes, and then decodes it
// upright into 4-byte pixels.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "runtime/qt/picture_formats.h"

class QFile;

namespace rt {

// Why a reader of our own cannot give the picture.
struct DecodeFailure {
    enum Kind { Damaged, Truncated, OutOfMemory, TooLarge };
    Kind kind;
    std::u16string detail;  // what the library said, for damaged files
};

class OwnFormatReader {
public:
    virtual ~OwnFormatReader() = default;
    // The upright picture's size and the memory decoding it takes, from the header; an
    // invalid size when the header tells none. Throws DecodeFailure.
    virtual DecodingCost Measure() = 0;
    // The picture, upright, as Format_RGB32 or Format_ARGB32. Throws DecodeFailure.
    virtual QImage Decode() = 0;
    // The file's EXIF block as stored (a TIFF structure, perhaps after a prefix); empty
    // when it has none or the format's reader does not carry it.
    virtual QByteArray Exif() const { return {}; }
};

// A picture of that size and format, or DecodeFailure::OutOfMemory.
QImage NewImage(int width, int height, QImage::Format format);

// Whether a file is a TGA, from its first bytes (head, up to 64 KB). TGA has a
// signature only in its optional footer (tail, the last 18 bytes); without one, a valid
// header in a file no other reader claims (otherFormat empty) or named as a TGA is taken.
bool IsTga(const QByteArray& head, const QByteArray& tail, qint64 size, bool namedTga, const QByteArray& otherFormat);

// The readers, one per format, on the whole file's bytes, which must outlive them.
std::unique_ptr<OwnFormatReader> OpenTga(const QByteArray& bytes);

// A picture read by one of these readers: upright, in sRGB.
struct OwnFormatPicture {
    QImage image;
    QByteArray exif;        // as the reader gives it
    bool lossless = false;  // TGA
};

// The picture in the file when it is in one of these formats; nothing when in none.
// Raises, naming the file (name), the same refusals as for every other format: damaged,
// cut short, larger than this machine allows.
std::optional<OwnFormatPicture> ReadOwnFormat(QFile& file, const QString& suffix, const std::u16string& name);

}  // namespace rt

// Readers of our own for the picture formats Qt's image readers leave out: HEIF/HEIC,
// AVIF and JPEG XL. Each recognises its files by
// content, tells from the header alone how large the picture is and how much memory
// decoding it takes, and then decodes it upright into 4-byte pixels.
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

// A sample of 9 to 16 bits as 8 bits, scaled and rounded: a plain shift would darken
// and band the picture (1023 must become 255, 512 must become 128).
inline uchar To8Bits(unsigned value, int bits) {
    const unsigned max = (1u << bits) - 1;
    return uchar((std::min(value, max) * 255u + max / 2) / max);
}

// Brings the pixels to sRGB from the colour space an embedded ICC profile names or,
// without one, the CICP colour primaries (1 is sRGB's, 12 Display P3's, 9 BT.2020's)
// with sRGB's transfer curve. Unknown or unusable descriptions leave the pixels as they are.
void ConvertToSrgb(QImage& image, const QByteArray& icc, int cicpPrimaries = 1);

// The orientation (1 upright to 8) an EXIF block asks for; 1 when it names none. The
// block may begin with its TIFF header, "Exif\0\0" or a 4-byte offset to the header.
int ExifOrientation(const QByteArray& exif);
// The picture turned and mirrored upright as that orientation asks.
QImage Oriented(QImage image, int orientation);

// Whether the item properties of an ISO base media file hold a turn (irot) or a mirror
// (imir): such files are turned by those, and any EXIF orientation only repeats them.
bool HasIsoTransforms(const QByteArray& bytes);

// Whether a file is in each format, from its first bytes (head, up to 64 KB).
bool IsHeif(const QByteArray& head);
bool IsAvif(const QByteArray& head);
bool IsJxl(const QByteArray& head);

// The readers, one per format, on the whole file's bytes, which must outlive them.
std::unique_ptr<OwnFormatReader> OpenHeif(const QByteArray& bytes);
std::unique_ptr<OwnFormatReader> OpenAvif(const QByteArray& bytes);
std::unique_ptr<OwnFormatReader> OpenJxl(const QByteArray& bytes);

// Whether the top-level boxes of an ISO base media file (HEIF, AVIF, a JPEG XL
// container) run past its end: a file cut short.
bool IsoBoxesOverrun(const QByteArray& bytes);

// A picture read by one of these readers: upright, in sRGB.
struct OwnFormatPicture {
    QImage image;
    QByteArray exif;        // as the reader gives it
    bool lossless = false;  // HEIF, AVIF and JPEG XL files are taken as lossy
};

// The picture in the file when it is in one of these formats; nothing when in none.
// Raises, naming the file (name), the same refusals as for every other format: damaged,
// cut short, larger than this machine allows.
std::optional<OwnFormatPicture> ReadOwnFormat(QFile& file, const QString& suffix, const std::u16string& name);

}  // namespace rt

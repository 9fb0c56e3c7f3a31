#include "runtime/qt/picture_metadata.h"

#include <QFile>
#include <QtEndian>
#include <zlib.h>

// exiv2 0.27's headers still name std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#include <exiv2/webpimage.hpp>  // not among the ones exiv2.hpp gathers
#pragma GCC diagnostic pop

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace rt {

namespace {

// IFD0 fields that describe the source file's own pixels and storage; written into
// another file they would describe it wrongly. The profile and XMP travel separately.
bool IsLayoutTag(uint16_t tag) {
    switch (tag) {
    case 0x00FE: case 0x00FF:                                      // (New)SubfileType
    case 0x0100: case 0x0101: case 0x0102: case 0x0103: case 0x0106:  // size, bits, compression, photometric
    case 0x010A: case 0x0111: case 0x0115: case 0x0116: case 0x0117:  // fill order, strips, samples
    case 0x011C: case 0x013D: case 0x0142: case 0x0143: case 0x0144: case 0x0145:  // planar, predictor, tiles
    case 0x014A: case 0x0152: case 0x0153: case 0x015B: case 0x0201: case 0x0202:  // sub-IFDs, extra samples, JPEG
    case 0x0212:                                                   // YCbCr subsampling
    case 0x02BC: case 0x8773: return true;                         // XMP, ICC profile
    default: return false;
    }
}

// The EXIF fields worth carrying, as a TIFF structure; empty when none are left.
QByteArray CarriedExif(Exiv2::ExifData exif, Exiv2::ByteOrder order) {
    Exiv2::ExifThumb(exif).erase();
    for (auto it = exif.begin(); it != exif.end();) {
        const std::string group = it->groupName();
        const bool otherImage = group.rfind("SubImage", 0) == 0 || (group.size() > 5 && group.rfind("Image", 0) == 0);
        if (otherImage || (group == "Image" && IsLayoutTag(it->tag())))
            it = exif.erase(it);
        else
            ++it;
    }
    if (exif.empty()) return {};
    const auto orientation = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (orientation != exif.end()) *orientation = uint16_t(1);
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : order, exif);
    return QByteArray(reinterpret_cast<const char*>(blob.data()), qsizetype(blob.size()));
}

// The XMP packet, its orientation (if it has one) set to 1.
QByteArray CarriedXmp(const std::string& packet) {
    if (packet.empty()) return {};
    Exiv2::XmpData xmp;
    if (Exiv2::XmpParser::decode(xmp, packet) != 0) return QByteArray::fromStdString(packet);
    const auto orientation = xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation"));
    if (orientation == xmp.end()) return QByteArray::fromStdString(packet);
    *orientation = "1";
    std::string out;
    if (Exiv2::XmpParser::encode(out, xmp) != 0) return {};
    return QByteArray::fromStdString(out);
}

// Whether a WebP file's picture is stored losslessly (a VP8L chunk, not VP8).
bool WebpLossless(QFile& file) {
    const qint64 pos = file.pos();
    bool lossless = false;
    for (qint64 at = 12; at + 8 <= file.size() && file.seek(at);) {
        const QByteArray head = file.read(8);
        if (head.size() < 8) break;
        if (head.startsWith("VP8L")) lossless = true;
        if (head.startsWith("VP8 ") || head.startsWith("VP8L") || head.startsWith("ANIM")) break;
        // Chunks are padded to an even size; counted in 64 bits, a size near 4 GB cannot
        // wrap round to a step of nothing.
        at += 8 + ((qint64(qFromLittleEndian<quint32>(head.constData() + 4)) + 1) & ~qint64(1));
    }
    file.seek(pos);
    return lossless;
}

// exiv2's type for the formats metadata is carried from; 0 for the others. exiv2 knows
// many more, video containers among them, whose parsers can loop for ever on a crafted
// file: a file is read only as the format the picture reader found it to be.
int ExivTypeOf(const QByteArray& format) {
    if (format == "jpeg") return Exiv2::ImageType::jpeg;
    if (format == "png") return Exiv2::ImageType::png;
    if (format == "tiff") return Exiv2::ImageType::tiff;
    if (format == "webp") return Exiv2::ImageType::webp;
    return 0;
}

bool LosslessFormat(const QByteArray& format, const Exiv2::ExifData& exif, QFile& file) {
    if (format == "jpeg") return false;
    if (format == "webp") return WebpLossless(file);
    if (format == "tiff") {  // JPEG-compressed TIFF is lossy
        const auto compression = exif.findKey(Exiv2::ExifKey("Exif.Image.Compression"));
        return compression == exif.end() || (compression->toLong() != 6 && compression->toLong() != 7);
    }
    return true;  // PNG, GIF, BMP, icons and the portable and X formats
}

QByteArray Bytes(const Exiv2::DataBuf& buffer) {
    return QByteArray(reinterpret_cast<const char*>(buffer.pData_), buffer.size_);
}

QByteArray PngChunk(const char* type, const QByteArray& data) {
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    chunk += QByteArray(type, 4) + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.constData() + 4), uInt(chunk.size() - 4));
    QByteArray tail(4, '\0');
    qToBigEndian<quint32>(quint32(crc), tail.data());
    return chunk + tail;
}

}  // namespace

PictureMetadata ReadMetadata(const std::string& hostPath, QFile& file, const QByteArray& format, int* orientation) {
    PictureMetadata metadata;
    *orientation = 1;
    static const bool quiet = [] {  // damaged metadata is skipped, not told on the terminal
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        return true;
    }();
    (void)quiet;
    const auto bare = [&] {  // the pixels alone are carried
        PictureMetadata none;
        none.lossless = LosslessFormat(format, Exiv2::ExifData(), file);
        return none;
    };
    const int type = ExivTypeOf(format);
    try {
        if (type == 0 || Exiv2::ImageFactory::getType(hostPath) != type) return bare();
        auto image = Exiv2::ImageFactory::open(hostPath, false);
        image->readMetadata();
        metadata.lossless = LosslessFormat(format, image->exifData(), file);
        const auto turned = image->exifData().findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (turned != image->exifData().end() && turned->count() > 0) *orientation = int(turned->toLong());
        if (image->iccProfileDefined()) metadata.iccProfile = Bytes(*image->iccProfile());
        metadata.exif = CarriedExif(image->exifData(), image->byteOrder());
        metadata.xmp = CarriedXmp(image->xmpPacket());
    } catch (const std::exception&) {
        return bare();  // damaged metadata
    }
    return metadata;
}

QByteArray CarriedExif(const QByteArray& stored) {
    // The TIFF structure starts at its byte-order mark, after whatever prefix the format has.
    qsizetype at = -1;
    for (const QByteArray& mark : {QByteArray("II*\0", 4), QByteArray("MM\0*", 4)}) {
        const qsizetype found = stored.indexOf(mark);
        if (found >= 0 && (at < 0 || found < at)) at = found;
    }
    if (at < 0) return {};
    try {
        Exiv2::ExifData exif;
        const auto* tiff = reinterpret_cast<const Exiv2::byte*>(stored.constData() + at);
        const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(exif, tiff, uint32_t(stored.size() - at));
        return CarriedExif(std::move(exif), order);
    } catch (const std::exception&) {
        return {};  // damaged: the pixels alone are carried
    }
}

QByteArray WithPngMetadata(const QByteArray& png, const PictureMetadata& metadata) {
    constexpr qsizetype kAfterHeader = 8 + 25;  // signature, IHDR
    QByteArray chunks;
    if (!metadata.iccProfile.isEmpty())  // name, compression method 0, zlib stream
        chunks += PngChunk("iCCP", QByteArray("ICC Profile\0\0", 13) + qCompress(metadata.iccProfile).mid(4));
    if (!metadata.exif.isEmpty()) chunks += PngChunk("eXIf", metadata.exif);
    if (!metadata.xmp.isEmpty())  // keyword, uncompressed, no language or translated keyword
        chunks += PngChunk("iTXt", QByteArray("XML:com.adobe.xmp\0\0\0\0\0", 22) + metadata.xmp);
    if (chunks.isEmpty() || png.size() < kAfterHeader) return png;
    return png.left(kAfterHeader) + chunks + png.mid(kAfterHeader);
}

QByteArray WithTiffMetadata(const QByteArray& tiff, const PictureMetadata& metadata) {
    if (metadata.exif.isEmpty() && metadata.xmp.isEmpty() && metadata.iccProfile.isEmpty()) return tiff;
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(tiff.constData()), long(tiff.size()));
    image->readMetadata();
    Exiv2::ExifData exif;
    if (!metadata.exif.isEmpty())
        Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte*>(metadata.exif.constData()),
                                  uint32_t(metadata.exif.size()));
    // The new file's own layout fields stay as the encoder wrote them.
    for (const Exiv2::Exifdatum& field : image->exifData())
        if (field.groupName() == "Image" && IsLayoutTag(field.tag())) exif.add(field);
    image->setExifData(exif);
    if (!metadata.xmp.isEmpty()) {
        image->writeXmpFromPacket(true);
        image->setXmpPacket(metadata.xmp.toStdString());
    }
    if (!metadata.iccProfile.isEmpty()) {
        Exiv2::DataBuf profile(reinterpret_cast<const Exiv2::byte*>(metadata.iccProfile.constData()),
                               long(metadata.iccProfile.size()));
        image->setIccProfile(profile, false);
    }
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.open();
    QByteArray out(qsizetype(io.size()), Qt::Uninitialized);
    io.seek(0, Exiv2::BasicIo::beg);
    io.read(reinterpret_cast<Exiv2::byte*>(out.data()), long(out.size()));
    io.close();
    return out;
}

}  // namespace rt

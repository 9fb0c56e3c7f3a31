#include "runtime/qt/picture_metadata.h"

#include <QFile>
#include <QtEndian>
#include <zlib.h>

// exiv2 0.27's headers still name std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include "pictures/metadata/metadata.h"
#include "runtime/picture_limits.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace rt {

namespace {

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), qsizetype(s.size())); }

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

PictureMetadata ReadMetadata(QFile& file, const QByteArray& format, int* orientation) {
    *orientation = 1;
    const qint64 size = file.size();
    const uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
    PictureMetadata out;
    if (!mapped) {  // the file cannot be mapped: the pixels alone are carried
        pictures::Budget none(0);
        out.lossless = pictures::ReadFileMetadata({}, format.toStdString(), none, orientation).lossless;
        return out;
    }
    try {
        pictures::Budget budget(PictureByteBound());
        const pictures::Metadata metadata =
            pictures::ReadFileMetadata(pictures::Bytes(mapped, size_t(size)), format.toStdString(), budget, orientation);
        out = {Bytes(metadata.icc), Bytes(metadata.exif), Bytes(metadata.xmp), metadata.lossless};
    } catch (const pictures::Failure&) {
        out.lossless = format != "jpeg" && format != "webp" && format != "tiff";  // more metadata than the bound holds
    }
    file.unmap(const_cast<uchar*>(mapped));
    return out;
}

QByteArray CarriedExif(const QByteArray& stored) {
    return Bytes(pictures::CarriedExif(pictures::Bytes(std::string_view(stored.constData(), size_t(stored.size())))));
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
        if (field.groupName() == "Image" && pictures::IsLayoutTag(field.tag())) exif.add(field);
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

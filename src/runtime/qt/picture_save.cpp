#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <cerrno>

#include "runtime/errors.h"
#include "runtime/picture.h"
#include "runtime/qt/picture_encode.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"

namespace rt {

namespace {

// JPEG and BMP have no alpha channel: transparent areas go on white, not black.
QImage OnWhite(const QImage& image) {
    if (!image.hasAlphaChannel()) return image;
    QImage out(image.size(), QImage::Format_RGB32);
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.drawImage(0, 0, image);
    painter.end();
    return out;
}

QByteArray WithQt(const QImage& image, const char* format, int quality, const std::u16string& target) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0) writer.setQuality(quality);
    if (!writer.write(image))
        Raise(ErrCannotWritePicture, target + u" (" + writer.errorString().toStdU16String() + u")");
    return bytes;
}

std::u16string Reason(const QFileDevice& file) { return u" (" + file.errorString().toStdU16String() + u")"; }

}  // namespace

SaveFormat SaveFormatFor(const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == u"jpg" || ext == u"jpeg" || ext == u"jpe" || ext == u"jfif") return SaveFormat::Jpeg;
    if (ext == u"png") return SaveFormat::Png;
    if (ext == u"gif") return SaveFormat::Gif;
    if (ext == u"tif" || ext == u"tiff") return SaveFormat::Tiff;
    if (ext == u"webp") return SaveFormat::Webp;
    return SaveFormat::Bmp;  // bmp, dib, and anything else
}

QByteArray EncodePicture(const QImage& image, SaveFormat format, const std::u16string& target) {
    switch (format) {
    case SaveFormat::Jpeg: return WithQt(OnWhite(image), "jpeg", 90, target);
    // Qt's default PNG compression is its slowest; this level keeps files near the
    // default's size at a fraction of the time.
    case SaveFormat::Png: return WithQt(image, "png", 80, target);
    case SaveFormat::Gif: return EncodeGif(image, target);
    case SaveFormat::Tiff: return WithQt(image, "tiff", -1, target);
    case SaveFormat::Webp: return WithQt(image, "webp", 90, target);
    case SaveFormat::Bmp: break;
    }
    return WithQt(OnWhite(image), "bmp", -1, target);
}

void WriteFileAtomically(const QString& hostPath, const QByteArray& bytes, const std::u16string& target) {
    const QFileInfo info(hostPath);
    if (info.isDir()) Raise(ErrPathFileAccess, target + u" (is a folder)");
    // Devices and pipes are never replaced by a renamed file.
    if (info.exists() && !info.isFile()) Raise(ErrPathFileAccess, target + u" (not a regular file)");
    if (!info.absoluteDir().exists()) Raise(ErrPathNotFound, target + u" (no such folder)");

    QSaveFile file(hostPath);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        const int number = QFileInfo(info.absolutePath()).isWritable() ? ErrPathFileAccess : ErrPermissionDenied;
        Raise(number, target + Reason(file));
    }
    errno = 0;
    bool written = file.write(bytes) == bytes.size();
    int error = errno;
    if (written) {
        written = file.commit();
        error = errno;
    }
    if (!written) {
        const std::u16string reason = Reason(file);
        file.cancelWriting();
        const bool full = error == ENOSPC || error == EDQUOT || error == EFBIG;
        Raise(full ? ErrDiskFull : ErrDeviceIO, target + reason);
    }
}

void SavePicture(const Picture& picture, const std::u16string& path) {
    const std::u16string target = UpToNul(path);
    if (target.empty()) Raise(ErrBadFileNameOrNumber, u"(no file name)");
    const QImage* image = ImageOf(picture);
    if (!image || image->isNull()) Raise(ErrInvalidPicture, target + u" (there is no picture to write)");
    const QString host = QString::fromStdString(HostPath(path));
    // Refuse a target that cannot take a file before the encoding work is done.
    const QFileInfo info(host);
    if (info.isDir()) Raise(ErrPathFileAccess, target + u" (is a folder)");
    if (!info.absoluteDir().exists()) Raise(ErrPathNotFound, target + u" (no such folder)");
    WriteFileAtomically(host, EncodePicture(*image, SaveFormatFor(info.fileName()), target), target);
}

}  // namespace rt

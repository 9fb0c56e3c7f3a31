#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/busy_pointer.h"
#include "runtime/errors.h"
#include "runtime/paint_now.h"
#include "runtime/picture.h"
#include "runtime/qt/picture_encode.h"
#include "runtime/qt/host_file.h"
#include "runtime/qt/picture_data.h"
#include "runtime/qt/picture_metadata.h"
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

}  // namespace

SaveFormat SaveFormatFor(const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == u"jpg" || ext == u"jpeg" || ext == u"jpe" || ext == u"jfif") return SaveFormat::Jpeg;
    if (ext == u"png") return SaveFormat::Png;
    if (ext == u"gif") return SaveFormat::Gif;
    if (ext == u"tif" || ext == u"tiff") return SaveFormat::Tiff;
    if (ext == u"webp") return SaveFormat::Webp;
    if (ext == u"avif") return SaveFormat::Avif;
    if (ext == u"jxl") return SaveFormat::Jxl;
    return SaveFormat::Bmp;  // bmp, dib, and anything else
}

QByteArray EncodePicture(const Picture::Data& picture, SaveFormat format, const std::u16string& target) {
    const QImage& image = picture.image;
    const PictureMetadata& metadata = picture.metadata;
    // GIF and BMP hold no profile: they get the sRGB pixels the screen shows.
    const QImage& srgb = picture.shown.isNull() ? picture.image : picture.shown;
    switch (format) {
    case SaveFormat::Jpeg: return EncodeJpeg(OnWhite(image), metadata, target);
    // Qt's default PNG compression is its slowest; this level keeps files near the
    // default's size at a fraction of the time.
    case SaveFormat::Png: return WithPngMetadata(WithQt(image, "png", 80, target), metadata);
    case SaveFormat::Gif: return EncodeGif(srgb, target);
    case SaveFormat::Tiff: return EncodeTiff(image, metadata, target);
    case SaveFormat::Webp: return EncodeWebp(image, metadata, target);
    // AVIF and JPEG XL are written without a profile: they get the sRGB pixels.
    case SaveFormat::Avif: return EncodeAvif(srgb, target);
    case SaveFormat::Jxl: return EncodeJxl(srgb, target);
    case SaveFormat::Bmp: break;
    }
    return WithQt(OnWhite(srgb), "bmp", -1, target);
}

namespace {

// What the system said about a failed call, as its own message reads ("No space left
// on device").
[[noreturn]] void RaiseFor(int number, const std::u16string& shown, int error) {
    Raise(number, shown + u" (" + QString::fromLocal8Bit(std::strerror(error)).toStdU16String() + u")");
}

bool DiskFull(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

// A symbolic link is written through: the file it names is replaced, not the link.
std::string ThroughLinks(std::string path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n <= 0) break;
        link.resize(size_t(n));
        path = link[0] == '/' ? link : FolderOf(path) + '/' + link;
    }
    return path;
}

// A new file beside the target that no one else can have made. Its name is short and
// random, not the target's with an ending: a target whose name is as long as the file
// system allows still gets one.
int CreateBeside(const std::string& target, bool replacing, std::string* temp) {
    std::string folder = FolderOf(target);
    if (!folder.ends_with('/')) folder += '/';
    for (int attempt = 0; attempt < 64; ++attempt) {
        *temp = folder + ".orvenna-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36).toStdString();
        // Private until it has the replaced file's permissions; a new file gets the usual ones.
        const int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replacing ? 0600 : 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

void WriteFileAtomically(const std::string& hostPath, const QByteArray& bytes, const std::u16string& shown) {
    const std::string target = ThroughLinks(hostPath);
    struct stat st {};
    const bool replacing = ::stat(target.c_str(), &st) == 0;
    if (replacing && S_ISDIR(st.st_mode)) Raise(ErrPathFileAccess, shown + u" (is a folder)");
    // Devices and pipes are never replaced by a renamed file.
    if (replacing && !S_ISREG(st.st_mode)) Raise(ErrPathFileAccess, shown + u" (not a regular file)");
    if (!HostFileInfo(target).folderExists()) Raise(ErrPathNotFound, shown + u" (no such folder)");
    if (replacing && ::access(target.c_str(), W_OK) != 0) RaiseFor(ErrPermissionDenied, shown, errno);

    std::string temp;
    const int fd = CreateBeside(target, replacing, &temp);
    if (fd < 0) {
        const int error = errno;
        const bool denied = error == EACCES || error == EPERM || error == EROFS;
        RaiseFor(denied ? ErrPermissionDenied : DiskFull(error) ? ErrDiskFull : ErrPathFileAccess, shown, error);
    }
    if (replacing) (void)::fchmod(fd, st.st_mode & 07777);
    int error = 0;
    const char* at = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(fd, at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        at += n;
        left -= size_t(n);
    }
    // Some file systems tell of a full disk only when the data reaches it.
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temp.c_str());
        RaiseFor(DiskFull(error) ? ErrDiskFull : ErrDeviceIO, shown, error);
    }
}

void SavePicture(const Picture& picture, const std::u16string& path) {
    const std::u16string target = UpToNul(path);
    if (target.empty()) Raise(ErrBadFileNameOrNumber, u"(no file name)");
    const std::u16string shown = ShownPath(target);
    // Encoding a large picture takes seconds, and one still being decoded is waited for:
    // the pointer says so, and the window is repainted first, so that a dialog just
    // closed is not left standing on it.
    BusyPointer busy;
    RepaintWindowsNow();
    const Picture::Data* data = WholeData(picture);
    if (!data || data->image.isNull()) Raise(ErrInvalidPicture, shown + u" (there is no picture to write)");
    const std::string host = HostPath(target);
    // Refuse a target that cannot take a file before the encoding work is done.
    const HostFileInfo info(host);
    if (info.isDir()) Raise(ErrPathFileAccess, shown + u" (is a folder)");
    if (!info.folderExists()) Raise(ErrPathNotFound, shown + u" (no such folder)");
    WriteFileAtomically(host, EncodePicture(*data, SaveFormatFor(info.fileName()), shown), shown);
}

}  // namespace rt

#include <QFileInfo>
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
#include "pictures/writers/writers.h"
#include "runtime/qt/host_file.h"
#include "runtime/qt/picture_data.h"
#include "runtime/strings.h"

namespace rt {

namespace {

// A QImage's pixels as the core's, without a copy when they are 4-byte pixels already.
pictures::Image CoreImageOf(const QImage& source) {
    if (source.isNull()) return {};
    const bool alpha = source.hasAlphaChannel();
    const QImage::Format format = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    auto kept = std::make_shared<QImage>(source.format() == format ? source : source.convertToFormat(format));
    pictures::Image image = pictures::Image::Adopt(reinterpret_cast<uint32_t*>(const_cast<uchar*>(kept->constBits())),
                                                   kept->width(), kept->height(), ptrdiff_t(kept->bytesPerLine()),
                                                   alpha, kept);
    image.dotsPerMeterX = kept->dotsPerMeterX();
    image.dotsPerMeterY = kept->dotsPerMeterY();
    return image;
}

// The picture as the core's encoders take it: the same pixels, without a copy when the core
// read them (a picture the program made is converted once).
pictures::Picture CorePictureOf(const Picture::Data& data) {
    pictures::Picture picture;
    picture.image = CoreImageOf(data.image);
    picture.shown = CoreImageOf(data.shown);
    const auto text = [](const QByteArray& b) { return b.toStdString(); };
    picture.metadata = {text(data.metadata.iccProfile), text(data.metadata.exif), text(data.metadata.xmp),
                        data.metadata.lossless};
    return picture;
}

// The whole file in the format the target's name asks for.
std::string Encoded(const Picture::Data& data, const std::u16string& fileName, const std::u16string& shown) {
    try {
        return pictures::Encode(CorePictureOf(data), pictures::SaveFormatFor(fileName));
    } catch (const pictures::Failure& failure) {
        if (failure.kind == pictures::Failure::OutOfMemory)
            Raise(ErrOutOfMemory, shown + u" (not enough memory to encode it)");
        Raise(failure.kind == pictures::Failure::TooLarge ? ErrPictureTooLarge : ErrCannotWritePicture,
              shown + u" (" + failure.detail + u")");
    }
}

}  // namespace

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

// Writes the bytes to the host path through a temporary file in the same folder, renamed
// over the target only when everything was written; a failure names the target (shown)
// and says what the system said.
static void WriteFileAtomically(const std::string& hostPath, const std::string& bytes, const std::u16string& shown) {
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
    const char* at = bytes.data();
    size_t left = bytes.size();
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
    WriteFileAtomically(host, Encoded(*data, info.fileName().toStdU16String(), shown), shown);
}

}  // namespace rt

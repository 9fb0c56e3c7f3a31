#include "runtime/qt/picture_jpeg_region.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "pictures/formats/jpeg_region.h"

namespace rt {

std::string ReadWholeFile(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size <= 0) return {};
    std::string bytes(size_t(info.st_size), '\0');
    for (size_t at = 0; at < bytes.size();) {
        const ssize_t n = ::pread(fd, bytes.data() + at, bytes.size() - at, off_t(at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return bytes.substr(0, at);
        at += size_t(n);
    }
    return bytes;
}

JpegDecoding DecodeJpegArea(int fd, const QRect& area, uint8_t* out, ptrdiff_t stride,
                            const std::atomic<bool>* cancel) {
    const std::string file = ReadWholeFile(fd);
    const pictures::JpegDecoding decoding =
        pictures::DecodeJpegArea(pictures::Bytes(file), {area.x(), area.y(), area.width(), area.height()}, out, stride,
                                 cancel);
    return {decoding.finished, decoding.endedEarly, decoding.rowsDone, QString::fromStdString(decoding.error)};
}

}  // namespace rt

#include <QFile>
#include <algorithm>
#include <memory>
#include <optional>

#include "pictures/format.h"
#include "pictures/load.h"
#include "runtime/busy_pointer.h"
#include "runtime/errors.h"
#include "runtime/picture.h"
#include "runtime/picture_limits.h"
#include "runtime/picture_refusal.h"
#include "runtime/qt/host_file.h"
#include "runtime/qt/pane_view.h"
#include "runtime/qt/picture_data.h"
#include "runtime/qt/picture_visible_first.h"
#include "runtime/strings.h"
#include "runtime/testing.h"

// Reading a picture file: the file's bytes handed to the picture core, which reads them by
// their content (whatever the name says), upright, in 4-byte pixels; with a refusal that
// names the file and the reason for everything it cannot show.

namespace rt {

namespace {

// The picture core's format for the file, from its first and last bytes; null when the
// core does not read it.
const pictures::Format* CoreFormat(QFile& file, const std::string& extension) {
    file.seek(0);
    const QByteArray head = file.read(qint64(pictures::kSniffBytes));
    file.seek(std::max<qint64>(0, file.size() - qint64(pictures::kSniffBytes)));
    const QByteArray tail = file.read(qint64(pictures::kSniffBytes));
    file.seek(0);
    const auto view = [](const QByteArray& b) { return pictures::Bytes(std::string_view(b.constData(), size_t(b.size()))); };
    return pictures::Recognise(view(head), view(tail), uint64_t(file.size()), extension);
}

// The picture in the file, read by the core from the file's bytes, which count against
// the bound like the decoding. A large picture is on the screen sooner when the part the
// pane shows is decoded first (JPEG, PNG, TIFF, WebP; the core tells which).
Picture LoadWithCore(QFile& file, const std::u16string& name, const std::string& extension) {
    const int64_t bound = PictureByteBound();
    try {
        if (file.size() > bound) pictures::Fail(pictures::Failure::TooLarge);
        auto bytes = std::make_shared<std::string>(size_t(file.size()), '\0');
        if (file.read(bytes->data(), qint64(bytes->size())) != qint64(bytes->size())) {
            if (file.error() != QFileDevice::NoError) Raise(ErrDeviceIO, NamedFile(name, file.errorString().toStdU16String()));
            pictures::Fail(pictures::Failure::Truncated);  // the file shrank while read
        }
        const int64_t left = bound - int64_t(bytes->size());
        if (std::optional<Picture> early = LoadVisibleFirst(bytes, VisiblePaneArea(), left)) return *early;
        std::optional<BusyPointer> busy;
        return PictureFromCore(pictures::Load(pictures::Bytes(*bytes), extension, left, [&busy](int width, int height) {
            if (int64_t(width) * height >= kBusyPixels) busy.emplace(true);
            if (testing::Hooks().pictureDecoding) testing::Hooks().pictureDecoding();
        }));
    } catch (const pictures::Failure& failure) {
        RaisePictureFailure(name, failure, bound);
    }
}

}  // namespace

Picture LoadPicture(const std::u16string& path) {
    const std::u16string name = UpToNul(path);
    if (name.empty()) return Picture();  // no path: the empty picture

    const std::string host = HostPath(name);
    const HostFileInfo info(host);
    if (!info.exists()) Raise(ErrFileNotFound, NamedFile(name, u"no such file"));
    if (info.isDir()) Raise(ErrPathFileAccess, NamedFile(name, u"a folder, not a file"));
    // A pipe or device would block or never end: only plain files are read.
    if (!info.isFile()) Raise(ErrPathFileAccess, NamedFile(name, u"not a plain file"));

    HostFile file(host);
    if (!file.open(QIODevice::ReadOnly)) {
        const std::u16string why = file.errorString().toStdU16String();
        if (file.error() == QFileDevice::PermissionsError || !info.isReadable())
            Raise(ErrPermissionDenied, NamedFile(name, u"not readable: " + why));
        Raise(ErrPathFileAccess, NamedFile(name, why));
    }
    if (file.size() == 0) Raise(ErrInvalidPicture, NamedFile(name, u"the file is empty"));

    const std::string extension = info.suffix().toLower().toStdString();
    const pictures::Format* format = CoreFormat(file, extension);
    if (!format) RaisePictureFailure(name, {pictures::Failure::NotAPicture, {}, 0, 0, 0, 0}, PictureByteBound());
    return LoadWithCore(file, name, extension);
}

}  // namespace rt

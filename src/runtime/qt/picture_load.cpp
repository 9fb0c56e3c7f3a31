#include <QColorSpace>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QStringList>
#include <QTransform>
#include <QtEndian>
#include <algorithm>
#include <climits>
#include <memory>

#include "runtime/busy_pointer.h"
#include "runtime/errors.h"
#include "runtime/picture.h"
#include "runtime/picture_limits.h"
#include "runtime/qt/host_file.h"
#include "runtime/qt/picture_data.h"
#include "runtime/qt/picture_formats.h"
#include "runtime/qt/picture_metadata.h"
#include "runtime/qt/picture_visible_first.h"
#include "runtime/qt/pane_view.h"
#include "runtime/testing.h"
#include "pictures/format.h"
#include "pictures/load.h"
#include "runtime/picture_refusal.h"
#include "runtime/picture_structure.h"
#include "runtime/strings.h"

// Reading a picture file: by its content (whatever its name says), upright as its
// EXIF orientation asks, the first frame of an animation, in 4-byte pixels; with a
// refusal that names the file and the reason for everything it cannot show.

namespace rt {

namespace {

constexpr int64_t kMB = int64_t(1) << 20;

std::u16string Named(const std::u16string& path, const std::u16string& reason) {
    return ShownPath(path) + u" (" + reason + u")";
}

std::u16string Megabytes(int64_t bytes) { return Str((bytes + kMB - 1) / kMB) + u" MB"; }

// Qt's readers tell of damaged data (a JPEG that ends early, a PNG read past its end,
// a rejected allocation) only in logged warnings: collect them during one read.
class ReaderWarnings {
public:
    ReaderWarnings() {
        active_ = this;
        previous_ = qInstallMessageHandler(&Collect);
    }
    ~ReaderWarnings() {
        qInstallMessageHandler(previous_);
        active_ = nullptr;
    }
    ReaderWarnings(const ReaderWarnings&) = delete;
    ReaderWarnings& operator=(const ReaderWarnings&) = delete;

    bool Mention(const char* text) const {
        for (const QString& m : messages_)
            if (m.contains(QLatin1String(text), Qt::CaseInsensitive)) return true;
        return false;
    }
    bool Truncated() const { return Mention("premature end") || Mention("libpng error: Read Error"); }

private:
    static void Collect(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (active_ && type != QtDebugMsg) active_->messages_ << message;
        if (active_ && active_->previous_) active_->previous_(type, context, message);
    }

    static inline ReaderWarnings* active_ = nullptr;
    QtMessageHandler previous_ = nullptr;
    QStringList messages_;
};

// A reader that recognises the format by content; for the few formats without a
// signature (a bare TGA, WBMP, an icon) the file's extension is the fallback. Only the
// formats whose size is known before decoding are read: anything else is not a picture.
std::unique_ptr<QImageReader> OpenReader(QFile& file, const QString& suffix) {
    auto reader = std::make_unique<QImageReader>(&file);
    reader->setAutoTransform(true);
    if (reader->canRead()) return ReadsFormat(reader->format()) ? std::move(reader) : nullptr;
    const QByteArray format = suffix.toLower().toLatin1();
    if (!ReadsFormat(format) || !file.seek(0)) return nullptr;
    reader = std::make_unique<QImageReader>(&file, format);
    reader->setAutoTransform(true);
    return reader->canRead() ? std::move(reader) : nullptr;
}

// Whether the file stops short of the end mark its format puts last. Used to name the
// reason of a failed read, and for GIF always: its reader shows a cut-off frame as if whole.
bool EndsEarly(QFile& file, const QByteArray& format) {
    const qint64 size = file.size();
    auto tail = [&](int n) {
        file.seek(qMax<qint64>(0, size - n));
        return file.read(n);
    };
    if (format == "png") return !tail(8).startsWith("IEND");
    if (format == "jpeg") return !tail(2).startsWith("\xFF\xD9");
    if (format == "gif") {
        file.seek(0);
        const QByteArray bytes = file.readAll();
        return !GifFirstFrameComplete(std::string_view(bytes.constData(), size_t(bytes.size())));
    }
    if (format == "webp") {
        file.seek(4);
        const QByteArray n = file.read(4);
        return n.size() == 4 && qFromLittleEndian<quint32>(n.constData()) > quint64(size - 8);
    }
    return false;
}

// The pane paints, and the save command writes, 4-byte pixels: 16-bit, float,
// grey, indexed and other formats are converted once here (CMYK JPEGs and TIFFs
// already arrive as RGB from their readers).
QImage ForDisplay(QImage image) {
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied: return image;
    default: break;
    }
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    return image;
}

// The turn an EXIF orientation (1 to 8) asks for.
QImageIOHandler::Transformations TransformationFor(int orientation) {
    switch (orientation) {
    case 2: return QImageIOHandler::TransformationMirror;
    case 3: return QImageIOHandler::TransformationRotate180;
    case 4: return QImageIOHandler::TransformationFlip;
    case 5: return QImageIOHandler::TransformationFlipAndRotate90;
    case 6: return QImageIOHandler::TransformationRotate90;
    case 7: return QImageIOHandler::TransformationMirrorAndRotate90;
    case 8: return QImageIOHandler::TransformationRotate270;
    default: return QImageIOHandler::TransformationNone;
    }
}

// Mirrored first, then turned a quarter clockwise, as Qt's readers do.
QImage Turned(const QImage& image, QImageIOHandler::Transformations turn) {
    QImage out = image.mirrored(turn & QImageIOHandler::TransformationMirror, turn & QImageIOHandler::TransformationFlip);
    if (turn & QImageIOHandler::TransformationRotate90) out = out.transformed(QTransform().rotate(90));
    return out;
}

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
// the bound like the decoding. A large JPEG is on the screen sooner when the part the
// pane shows is decoded first.
Picture LoadWithCore(QFile& file, const std::u16string& name, const pictures::Format& format,
                     const std::string& extension) {
    const int64_t bound = PictureByteBound();
    try {
        if (file.size() > bound) pictures::Fail(pictures::Failure::TooLarge);
        auto bytes = std::make_shared<std::string>(size_t(file.size()), '\0');
        if (file.read(bytes->data(), qint64(bytes->size())) != qint64(bytes->size())) {
            if (file.error() != QFileDevice::NoError) Raise(ErrDeviceIO, Named(name, file.errorString().toStdU16String()));
            pictures::Fail(pictures::Failure::Truncated);  // the file shrank while read
        }
        const int64_t left = bound - int64_t(bytes->size());
        if (format.name == "jpeg")
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
    if (!info.exists()) Raise(ErrFileNotFound, Named(name, u"no such file"));
    if (info.isDir()) Raise(ErrPathFileAccess, Named(name, u"a folder, not a file"));
    // A pipe or device would block or never end: only plain files are read.
    if (!info.isFile()) Raise(ErrPathFileAccess, Named(name, u"not a plain file"));

    HostFile file(host);
    if (!file.open(QIODevice::ReadOnly)) {
        const std::u16string why = file.errorString().toStdU16String();
        if (file.error() == QFileDevice::PermissionsError || !info.isReadable())
            Raise(ErrPermissionDenied, Named(name, u"not readable: " + why));
        Raise(ErrPathFileAccess, Named(name, why));
    }
    if (file.size() == 0) Raise(ErrInvalidPicture, Named(name, u"the file is empty"));

    const std::string extension = info.suffix().toLower().toStdString();
    if (const pictures::Format* core = CoreFormat(file, extension)) return LoadWithCore(file, name, *core, extension);

    std::unique_ptr<QImageReader> reader = OpenReader(file, info.suffix());
    if (!reader) Raise(ErrInvalidPicture, Named(name, u"not a picture in any format this program reads"));

    const QByteArray format = reader->format();  // asked before reading moves the file on
    int orientation = 1;
    PictureMetadata metadata = ReadMetadata(file, format, &orientation);
    // Qt's readers turn JPEG and TIFF pictures as their EXIF asks, not PNG or WebP ones.
    const QImageIOHandler::Transformations turn =
        reader->transformation() == QImageIOHandler::TransformationNone ? TransformationFor(orientation)
                                                                         : QImageIOHandler::TransformationNone;

    // Refuse what cannot fit before decoding anything: the header tells enough.
    DecodingCost cost = MeasureDecoding(*reader, file);
    // A picture in another profile than sRGB is held a second time, converted for the screen.
    // So is one turned here.
    const int extraCopies = !metadata.iccProfile.isEmpty() + (turn != QImageIOHandler::TransformationNone);
    cost.bytes = CostInBytes(double(cost.bytes) + double(cost.size.width()) * cost.size.height() * 4 * extraCopies);
    if (!cost.size.isValid())
        Raise(ErrInvalidPicture, Named(name, u"damaged or not a picture: its header gives no size"));
    const int64_t bound = PictureByteBound();
    if (cost.bytes > bound)
        Raise(ErrPictureTooLarge, Named(name, u"its header declares " + Str(cost.size.width()) + u" x " +
                                                  Str(cost.size.height()) + u" pixels, " + Megabytes(cost.bytes) +
                                                  u" decoded; this machine allows at most " + Megabytes(bound)));
    if (format == "png" && PngChunkRunsPastEnd(uint64_t(file.size()), [&file](uint64_t at, size_t n) {
            const qint64 pos = file.pos();  // where the reader left it
            const QByteArray bytes = file.seek(qint64(at)) ? file.read(qint64(n)) : QByteArray();
            file.seek(pos);
            return bytes.toStdString();
        }))
        Raise(ErrInvalidPicture, Named(name, u"the file ends before the picture does"));
    // Qt's own limit (128 MB, about 33 megapixels) would refuse a big photo; no single
    // picture a decoder allocates may pass the bound, whatever a header said.
    QImageReader::setAllocationLimit(int(std::min<int64_t>((bound + kMB - 1) / kMB, INT_MAX)));

    const bool large = int64_t(cost.size.width()) * cost.size.height() >= kBusyPixels;
    BusyPointer busy(large);
    QImage image;
    bool truncated = false, tooLarge = false, outOfMemory = false;
    {
        ReaderWarnings warnings;
        image = reader->read();
        truncated = warnings.Truncated();
        tooLarge = warnings.Mention("allocation limit");
        outOfMemory = warnings.Mention("out of memory");
    }
    if (image.isNull()) {
        if (tooLarge) Raise(ErrPictureTooLarge, Named(name, u"larger than the " + Megabytes(bound) +
                                                           u" this machine allows"));
        if (outOfMemory) Raise(ErrOutOfMemory, Named(name, u"not enough memory to decode it"));
        if (truncated || EndsEarly(file, format))
            Raise(ErrInvalidPicture, Named(name, u"the file ends before the picture does"));
        if (reader->error() == QImageReader::DeviceError)
            Raise(ErrDeviceIO, Named(name, reader->errorString().toStdU16String()));
        Raise(ErrInvalidPicture, Named(name, u"damaged or not a picture: " + reader->errorString().toStdU16String()));
    }
    // JPEG readers fill a missing end with grey and go on: the picture is not whole.
    if (truncated || (format == "gif" && EndsEarly(file, format)))
        Raise(ErrInvalidPicture, Named(name, u"the file ends before the picture does"));
    // The profile travels as the file's own bytes, applied where the picture is shown.
    image.setColorSpace(QColorSpace());
    if (turn != QImageIOHandler::TransformationNone) image = Turned(image, turn);
    return PictureFromFile(ForDisplay(std::move(image)), std::move(metadata));
}

}  // namespace rt

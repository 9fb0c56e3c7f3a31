#include "runtime/qt/picture_visible_first.h"

#include <QFile>
#include <unistd.h>

#include "runtime/qt/picture_colour.h"
#include "runtime/qt/picture_jpeg_region.h"

// A file that is cut short, or damaged where the visible part lies, is left to the whole
// decode, which refuses it (or shows it) as for any other picture: nothing is on the
// screen before that is known. Cut short is told by the end mark, and, in files with
// restart markers, by their count; a file cut and given an end mark again, without
// restart markers, shows its missing part as the decoder's grey.

namespace rt {

namespace {

// Whether the file's last two bytes are the end-of-image mark, read by position.
bool EndsWithEndMark(int fd, qint64 size) {
    unsigned char tail[2] = {};
    return size >= 4 && ::pread(fd, tail, 2, off_t(size - 2)) == 2 && tail[0] == 0xFF && tail[1] == 0xD9;
}

}  // namespace

std::optional<Picture> LoadVisibleFirst(QFile& file, PictureMetadata& metadata, QSize visible) {
    if (visible.isEmpty() || file.handle() < 0) return std::nullopt;
    const int fd = ::dup(file.handle());
    if (fd < 0) return std::nullopt;
    const JpegLayout layout = EndsWithEndMark(fd, file.size()) ? ReadJpegLayout(fd) : JpegLayout{};
    const QRect area(QPoint(0, 0), layout.size.boundedTo(visible));
    auto data = std::make_shared<Picture::Data>();
    if (layout.lineByLine && !layout.missingRestarts && layout.size != area.size()) {
        data->image = QImage(layout.size, QImage::Format_RGB32);
        data->early = QImage(area.size(), QImage::Format_RGB32);
    }
    if (data->image.isNull() || data->early.isNull()) {  // not for this path, or no memory: read whole
        ::close(fd);
        return std::nullopt;
    }
    data->image.setDotsPerMeterX(layout.dotsPerMeterX);
    data->image.setDotsPerMeterY(layout.dotsPerMeterY);

    // The whole decode starts first, so that on two cores it runs beside the visible part's.
    data->completion = std::make_unique<PictureCompletion>(fd, &data->image, &data->shown, metadata.iccProfile);
    const JpegDecoding first = DecodeJpegArea(fd, area, data->early.bits(), data->early.bytesPerLine());
    if (!first.finished || first.endedEarly) return std::nullopt;  // the completion is stopped with data
    if (QImage srgb = ConvertedToSrgb(data->early, metadata.iccProfile); !srgb.isNull()) data->early = std::move(srgb);
    data->metadata = std::move(metadata);
    return Picture(std::move(data));
}

}  // namespace rt

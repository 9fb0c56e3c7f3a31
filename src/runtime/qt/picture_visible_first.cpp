#include "runtime/qt/picture_visible_first.h"

#include <QFile>

#include "pictures/visible_first.h"
#include "runtime/picture_limits.h"
#include "runtime/qt/picture_colour.h"
#include "runtime/qt/picture_jpeg_region.h"

namespace rt {

namespace {

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), qsizetype(s.size())); }

}  // namespace

std::optional<Picture> LoadVisibleFirst(std::shared_ptr<const std::string> bytes, QSize visible, int64_t bound) {
    CompletionNotices::Instance();  // made on this (the user-interface) thread
    auto data = std::make_shared<Picture::Data>();
    Picture::Data* const target = data.get();
    // Before the worker starts: the picture wrapped over the pixels it writes.
    auto prepare = [target](const pictures::Picture& picture) {
        const pictures::Metadata& metadata = picture.metadata;
        target->metadata = {Bytes(metadata.icc), Bytes(metadata.exif), Bytes(metadata.xmp), metadata.lossless};
        target->image = WrappedImage(picture.image);
        target->core = picture;
    };
    // On the worker, before the picture counts as whole: the sRGB copy, and the picture
    // wrapped again should rows the data never gave have made it transparent. Nothing
    // reads either until then (its size is read from the core's picture).
    auto whole = [target](const pictures::Picture& decoded) {
        if (decoded.image.HasAlpha()) target->image = WrappedImage(decoded.image);
        target->shown = ConvertedToSrgb(target->image, target->metadata.iccProfile);
    };
    std::optional<pictures::VisibleFirst> first =
        pictures::LoadVisibleFirst(pictures::Bytes(*bytes), bytes, visible.width(), visible.height(), bound, prepare,
                                   whole, &CompletionNotices::Notify);
    if (!first) return std::nullopt;
    data->early = WrappedImage(first->early);
    if (QImage srgb = ConvertedToSrgb(data->early, data->metadata.iccProfile); !srgb.isNull()) data->early = std::move(srgb);
    data->completion = std::make_unique<PictureCompletion>(std::move(first->completion));
    return Picture(std::move(data));
}

std::optional<Picture> LoadVisibleFirst(QFile& file, PictureMetadata& metadata, QSize visible) {
    if (file.handle() < 0) return std::nullopt;
    auto bytes = std::make_shared<const std::string>(ReadWholeFile(file.handle()));
    std::optional<Picture> picture = LoadVisibleFirst(bytes, visible, PictureByteBound() - int64_t(bytes->size()));
    if (picture) metadata = {};
    return picture;
}

}  // namespace rt

#include "runtime/picture.h"

#include "runtime/qt/picture_colour.h"
#include "runtime/qt/picture_data.h"

namespace rt {

// From the core's picture when there is one: a picture still being completed may have its
// image wrapped again on the worker.
int Picture::PixelWidth() const {
    return !data_ ? 0 : data_->core.image.Null() ? data_->image.width() : data_->core.image.Width();
}
int Picture::PixelHeight() const {
    return !data_ ? 0 : data_->core.image.Null() ? data_->image.height() : data_->core.image.Height();
}

Picture PictureFromFile(QImage image, PictureMetadata metadata) {
    auto data = std::make_shared<Picture::Data>();
    data->shown = ConvertedToSrgb(image, metadata.iccProfile);
    data->image = std::move(image);
    data->metadata = std::move(metadata);
    return Picture(std::move(data));
}

QImage WrappedImage(const pictures::Image& image) {
    if (image.Null()) return {};
    auto* keep = new std::shared_ptr<void>(image.Owner());
    QImage out(reinterpret_cast<const uchar*>(image.Pixels()), image.Width(), image.Height(),
               qsizetype(image.Stride()), image.HasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32,
               [](void* owner) { delete static_cast<std::shared_ptr<void>*>(owner); }, keep);
    if (image.dotsPerMeterX > 0) out.setDotsPerMeterX(image.dotsPerMeterX);
    if (image.dotsPerMeterY > 0) out.setDotsPerMeterY(image.dotsPerMeterY);
    return out;
}

namespace {

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), qsizetype(s.size())); }

}  // namespace

Picture PictureFromCore(pictures::Picture core) {
    auto data = std::make_shared<Picture::Data>();
    data->image = WrappedImage(core.image);
    data->shown = WrappedImage(core.shown);
    data->metadata = {Bytes(core.metadata.icc), Bytes(core.metadata.exif), Bytes(core.metadata.xmp),
                      core.metadata.lossless};
    data->core = std::move(core);
    return Picture(std::move(data));
}

}  // namespace rt

#include "runtime/picture.h"

#include "runtime/qt/picture_colour.h"
#include "runtime/qt/picture_data.h"

namespace rt {

int Picture::PixelWidth() const { return data_ ? data_->image.width() : 0; }
int Picture::PixelHeight() const { return data_ ? data_->image.height() : 0; }

Picture PictureFromFile(QImage image, PictureMetadata metadata) {
    auto data = std::make_shared<Picture::Data>();
    data->shown = ConvertedToSrgb(image, metadata.iccProfile);
    data->image = std::move(image);
    data->metadata = std::move(metadata);
    return Picture(std::move(data));
}

}  // namespace rt

// What a picture holds on the Qt side.
#pragma once

#include <QImage>

#include "runtime/picture.h"

namespace rt {

struct Picture::Data {
    QImage image;
};

inline const QImage* ImageOf(const Picture& picture) {
    return picture.data() ? &picture.data()->image : nullptr;
}

inline Picture PictureFromImage(QImage image) {
    auto data = std::make_shared<Picture::Data>();
    data->image = std::move(image);
    return Picture(std::move(data));
}

}  // namespace rt

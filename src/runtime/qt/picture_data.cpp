#include "runtime/picture.h"

#include "runtime/qt/picture_data.h"

namespace rt {

int Picture::PixelWidth() const { return data_ ? data_->image.width() : 0; }
int Picture::PixelHeight() const { return data_ ? data_->image.height() : 0; }

}  // namespace rt

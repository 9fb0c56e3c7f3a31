// A large picture shown before it is whole, through the picture core (see
// pictures/visible_first.h): the early part and the whole wrapped for the screen, the
// sRGB copies made with Qt's transform, and the notice when the whole is done.
#pragma once

#include <QSize>
#include <memory>
#include <optional>
#include <string>

#include "runtime/picture.h"
#include "runtime/qt/picture_data.h"

class QFile;

namespace rt {

// The picture in bytes (JPEG, PNG, TIFF or WebP) with its visible part decoded and the
// rest under way; nothing when it is better read whole. bound is the memory the reading
// may take, the bytes aside.
std::optional<Picture> LoadVisibleFirst(std::shared_ptr<const std::string> bytes, QSize visible, int64_t bound);

// The same for the picture open in `file` (its position kept); `metadata` (as read from it)
// is taken only when the picture is.
std::optional<Picture> LoadVisibleFirst(QFile& file, PictureMetadata& metadata, QSize visible);

}  // namespace rt

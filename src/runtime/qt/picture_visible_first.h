// A large JPEG shown before it is whole: the part of it the panes show is decoded first,
// the rest on a thread of its own.
#pragma once

#include <QSize>
#include <optional>

#include "runtime/picture.h"
#include "runtime/qt/picture_data.h"

class QFile;

namespace rt {

// The picture in the JPEG open in `file` with its `visible` top-left part decoded and the
// rest under way; nothing (and `metadata` untouched) when the file is better read whole:
// it fits in the visible part, is progressive or not YCbCr, does not end with its end
// mark, or its visible part cannot be decoded cleanly. The file's position is kept.
std::optional<Picture> LoadVisibleFirst(QFile& file, PictureMetadata& metadata, QSize visible);

}  // namespace rt

// Reads a Qt drop into the drop data the handlers see.
#pragma once

#include "runtime/drop_data.h"

class QMimeData;

namespace rt {

// A file list only when every URL is a local file: other URLs or text are not a file list.
DataObject DataObjectFromMime(const QMimeData* mime);

}  // namespace rt

// A large picture shown before it is whole: the part of it the pane shows is decoded
// first, the rest on a worker that everything reading the whole picture waits for.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "pictures/bytes.h"
#include "pictures/completion.h"
#include "pictures/picture.h"

namespace pictures {

struct VisibleFirst {
    // The whole picture (its metadata read, its pixels being decoded): not to be read
    // before completion->Wait(). Its shown copy is left to the caller (see whole below).
    Picture picture;
    Image early;  // the top-left part the pane shows, in the file's colours
    std::unique_ptr<Completion> completion;
};

// The picture in file (kept alive by keep while the worker reads it) with at least its
// top-left visibleWidth x visibleHeight part decoded and the rest under way; nothing when
// it is better read whole by Load, which then refuses it or reads it. Any file may be
// given: the format is told by its content, as Load tells it.
// JPEG: the visible part is decoded on its own beside the whole; read whole when it fits
// in the visible part, is progressive or not YCbCr, is turned by its EXIF, does not end
// with its end mark, lacks restart markers, would pass the bound (the file's bytes
// aside), or its visible part cannot be decoded cleanly.
// PNG (not interlaced), TIFF (strips or tiles, decoded by our own code) and WebP (not
// animated): the rows, strips or tiles covering the visible part first, then the rest into
// the same pixels; read whole when the picture fits in the visible part, is turned, would
// pass the bound as Load counts it, has data past the file's end (a file cut short is
// refused before anything is shown), or its first part cannot be decoded.
// Other formats are always read whole.
std::optional<VisibleFirst> LoadVisibleFirst(Bytes file, std::shared_ptr<const void> keep, int visibleWidth,
                                             int visibleHeight, int64_t bound,
                                             const std::function<void(const Picture& picture)>& prepare = {},
                                             std::function<void(const Picture& whole)> whole = {},
                                             std::function<void()> notify = {});

}  // namespace pictures

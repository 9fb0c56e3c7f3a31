// A large JPEG shown before it is whole: the part of it the pane shows is decoded first,
// the rest on a worker that everything reading the whole picture waits for.
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

// The JPEG in file (kept alive by keep while the worker reads it) with its top-left
// visibleWidth x visibleHeight part decoded and the rest under way; nothing when it is
// better read whole by Load, which then refuses it or reads it: it fits in the visible
// part, is progressive or not YCbCr, is turned by its EXIF, does not end with its end
// mark, lacks restart markers, would pass the bound (the file's bytes aside), or its
// visible part cannot be decoded cleanly.
// prepare runs first, on this thread, with the picture as it will be decoded, before the
// worker starts (to wrap it for the screen); whole runs on the worker once the decoding
// has ended, before the picture counts as whole, with the picture as decoded (to make its
// sRGB copy); notify after it counts as whole. Should the data fail past the visible part, the rows never decoded are
// transparent (and the picture has alpha), never made up.
std::optional<VisibleFirst> LoadVisibleFirst(Bytes file, std::shared_ptr<const void> keep, int visibleWidth,
                                             int visibleHeight, int64_t bound,
                                             const std::function<void(const Picture& picture)>& prepare = {},
                                             std::function<void(const Picture& whole)> whole = {},
                                             std::function<void()> notify = {});

}  // namespace pictures

// A large JPEG shown before it is whole, through the picture core (see
// pictures/visible_first.h): the early part in sRGB for the screen, the whole completed on
// a worker, and the panes repainted once it is.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "runtime/picture.h"

namespace rt {

// The JPEG in bytes with its top-left visibleWidth x visibleHeight part decoded and the rest
// under way; nothing when it is better read whole. bound is the memory the reading may
// take, the bytes aside.
std::optional<Picture> LoadVisibleFirst(std::shared_ptr<const std::string> bytes, int visibleWidth, int visibleHeight,
                                        int64_t bound);

}  // namespace rt

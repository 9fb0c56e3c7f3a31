// Reading a picture file: by its content, measured before decoding and refused past the
// memory bound, decoded with every pixel from the file, turned upright, with an sRGB copy
// for the screen when its profile is another.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "pictures/bytes.h"
#include "pictures/picture.h"

namespace pictures {

// The picture in a whole file's bytes. extension is the file name's (a hint for the formats
// without a signature). bound is the most memory reading may take, the file's bytes aside
// (the caller counted them). Throws Failure.
// measured, when given, hears the stored size once the header is read and the picture is
// known to fit, before decoding starts (to show that a large one takes a while).
Picture Load(Bytes file, std::string_view extension, int64_t bound,
             const std::function<void(int width, int height)>& measured = {});

}  // namespace pictures

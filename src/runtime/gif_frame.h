// A check on GIF files that both picture backends make before they show one.
#pragma once

#include <string_view>

namespace rt {

// Whether a GIF file's bytes hold its whole first frame: the blocks up to and including
// that frame's image data are all there. Only the first frame is shown, and files with
// bytes after the end, or without the end mark, are common and fine.
bool GifFirstFrameComplete(std::string_view bytes);

}  // namespace rt
